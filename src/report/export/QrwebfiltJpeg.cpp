#include "report/export/QrwebfiltJpeg.h"

#include "platform/Exceptions.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace quorvel {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return; jumping back to the
// compressing function keeps the failure inside it (no C++ exception crosses the C library).
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // The memory destination lives here, reached through a pointer, so its values are intact after
    // the jump.
    unsigned char* buffer;
    unsigned long size;
};

void OnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

} // namespace

QByteArray EncodeJpeg(const QImage& image, int quality) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull() || rgb.width() == 0 || rgb.height() == 0)
        throw Exception(QStringLiteral("Cannot write an empty picture as JPEG"));

    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(errors.buffer);
        throw Exception(
            QStringLiteral("JPEG compression failed: %1").arg(QString::fromLocal8Bit(errors.message)));
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &errors.buffer, &errors.size);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(errors.buffer), static_cast<qsizetype>(errors.size));
    jpeg_destroy_compress(&info);
    std::free(errors.buffer);
    return bytes;
}

} // namespace quorvel
