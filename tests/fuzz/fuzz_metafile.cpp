// Feeds arbitrary bytes to the page-picture reader; a picture it accepts is also played into a small
// image (scaled, and at an offset) and its text records enumerated. Nothing may crash, hang or leak.
#include "platform/Exceptions.h"
#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
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
