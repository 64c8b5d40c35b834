// Feeds arbitrary bytes to the page-picture reader; a picture it accepts is also played into a small
// image (scaled, and at an offset) and its text records enumerated. Nothing may crash, hang or leak.
#include "platform/Exceptions.h"
#include "platform/Metafile.h"
#include "platform/MetafileCanvas.h"
#include "platform/MetafileEnumerator.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <memory>

// The system font library keeps its configuration and font patterns for the life of the process and
// never frees them; that memory is not ours to find.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
    // The font library keeps what it loads for the life of the process; load every family a picture
    // can reach once here, so that it is not taken for a leak of the first input that uses it.
    quorvel::TMetafile warmUp;
    warmUp.SetWidth(20);
    warmUp.SetHeight(20);
    {
        quorvel::TMetafileCanvas canvas(warmUp);
        for (const char* face : {"Arial", "Times New Roman", "Courier New", "Tahoma", "unknown face"}) {
            for (const quorvel::TFontStyles style :
                 {quorvel::TFontStyles(), quorvel::TFontStyles(quorvel::TFontStyle::fsBold),
                  quorvel::TFontStyle::fsItalic | quorvel::TFontStyle::fsBold,
                  quorvel::TFontStyles(quorvel::TFontStyle::fsItalic)}) {
                canvas.SetFont(quorvel::TFont(QString::fromLatin1(face), 8, style));
                canvas.TextOut(0, 0, QStringLiteral("Aa\u00e7\u4e2d\U0001F600"));
            }
        }
    }
    QImage image(20, 20, QImage::Format_RGB32);
    QPainter painter(&image);
    warmUp.Play(painter, QRectF(0, 0, 20, 20));
    warmUp.Play(painter, QRectF(0, 0, 2000, 20));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvel::TMetafile picture;
    try {
        picture.LoadFromBytes(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const quorvel::EMetafileError&) {
        return 0;
    }
    QImage image(48, 64, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        picture.Play(painter, QRectF(0, 0, 48, 64));
        painter.setClipRect(QRect(4, 4, 20, 20));
        picture.Play(painter, QRectF(8, 8, 30, 40));
    }
    std::size_t characters = 0;
    quorvel::EnumerateMetafileText(picture, [&characters](const quorvel::TMetafileText& text) {
        characters += std::size_t(text.Text.size());
        return true;
    });
    return characters == std::size_t(-1) ? 1 : 0;
}
