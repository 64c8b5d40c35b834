#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <vector>

namespace quorvel::testing {

struct WmfText {
    QString Text;
    QPoint Reference;
};

// What a strict reader of the older metafile format sees: the placeable header, the header, and
// every record, with the object table followed the way a player keeps it. Every fault is a test
// failure.
struct WmfReading {
    std::vector<std::int16_t> BoundingBox;
    std::uint16_t Inch = 0;
    std::vector<WmfText> Texts;
    std::vector<QString> FontFaces;
    int Records = 0;
};

WmfReading ReadWmf(const QByteArray& file);

} // namespace quorvel::testing
