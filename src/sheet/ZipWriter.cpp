#include "sheet/ZipWriter.h"

#include "sheet/SheetError.h"

#include <zip.h>

#include <cstdio>
#include <ctime>

namespace quorvel {
namespace {

[[noreturn]] void Fail(const char* reason) {
    throw ESheetError(QStringLiteral("o zip não pode ser escrito: %1").arg(QString::fromLocal8Bit(reason)));
}

} // namespace

ZipWriter::ZipWriter() {
    zip_error_t error;
    zip_error_init(&error);
    buffer_ = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (buffer_ == nullptr) Fail(zip_error_strerror(&error));
    // Kept past the archive's close, which is when it receives the archive's bytes.
    zip_source_keep(buffer_);
    archive_ = zip_open_from_source(buffer_, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive_ == nullptr) {
        zip_source_free(buffer_);
        Fail(zip_error_strerror(&error));
    }
    zip_error_fini(&error);
}

ZipWriter::~ZipWriter() {
    if (archive_ != nullptr) zip_discard(archive_);
    zip_source_free(buffer_);
}

void ZipWriter::Add(const QString& name, QByteArray bytes, Compression compression) {
    const QByteArray& kept = contents_.emplace_back(std::move(bytes));
    zip_source_t* source =
        zip_source_buffer(archive_, kept.constData(), static_cast<zip_uint64_t>(kept.size()), 0);
    if (source == nullptr) Fail(zip_strerror(archive_));
    const zip_int64_t index = zip_file_add(archive_, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        Fail(zip_strerror(archive_));
    }
    const auto entry = static_cast<zip_uint64_t>(index);
    if (zip_set_file_compression(
            archive_, entry, compression == Compression::Stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) != 0 ||
        zip_file_set_mtime(archive_, entry, std::time(nullptr), 0) != 0)
        Fail(zip_strerror(archive_));
}

std::string ZipWriter::Finish() {
    if (zip_close(archive_) != 0) Fail(zip_strerror(archive_));
    archive_ = nullptr;
    if (zip_source_open(buffer_) != 0 || zip_source_seek(buffer_, 0, SEEK_END) != 0) Fail("buffer");
    const zip_int64_t size = zip_source_tell(buffer_);
    if (size < 0 || zip_source_seek(buffer_, 0, SEEK_SET) != 0) Fail("buffer");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const zip_int64_t got = zip_source_read(buffer_, bytes.data(), static_cast<zip_uint64_t>(size));
    zip_source_close(buffer_);
    if (got != size) Fail("buffer");
    return bytes;
}

} // namespace quorvel
