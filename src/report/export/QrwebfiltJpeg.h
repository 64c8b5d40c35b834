#pragma once

#include <QByteArray>
#include <QImage>

namespace quorvel {

// The picture as a baseline JPEG file (RGB, the given quality 1–100), compressed with libjpeg in
// memory. Throws Exception when the compressor fails.
QByteArray EncodeJpeg(const QImage& image, int quality = 90);

} // namespace quorvel
