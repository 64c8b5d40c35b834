#pragma once

#include <QByteArray>

class QImage;

namespace quorvel {

// The bytes of image in an image file format ("PNG", "BMP", …), built in memory; empty when the format
// cannot encode it.
QByteArray EncodeImage(const QImage& image, const char* format);

} // namespace quorvel
