#include "platform/ImageBytes.h"

#include <QBuffer>
#include <QImage>

namespace quorvel {

QByteArray EncodeImage(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) return {};
    return bytes;
}

} // namespace quorvel
