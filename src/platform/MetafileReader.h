#pragma once

#include "platform/Exceptions.h"
#include "platform/MetafileFormat.h"

#include <QByteArrayView>
#include <QImage>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <variant>
#include <vector>

namespace quorvel {

// A picture that cannot be read: the message names the record and what is wrong with it.
class EMetafileError : public Exception {
public:
    EMetafileError(const QString& message, qint64 offset)
        : Exception(message)
        , offset_(offset) {}
    qint64 Offset() const noexcept { return offset_; }

private:
    qint64 offset_;
};

namespace emf {

// One 32-bit state value: SETBKMODE, SETTEXTALIGN, SETTEXTCOLOR, SETBKCOLOR, SETMAPMODE,
// SETPOLYFILLMODE, SELECTOBJECT, DELETEOBJECT, RESTOREDC (signed).
struct ValueRecord {
    std::uint32_t value = 0;
};
// MOVETOEX, LINETO and the window/viewport origin and extent records.
struct PointRecord {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
// RECTANGLE, ELLIPSE, ROUNDRECT (with its corner), INTERSECTCLIPRECT, EXCLUDECLIPRECT.
struct BoxRecord {
    RectL box;
    SizeL corner;
};
// POLYLINE, POLYGON and their 16-bit forms.
struct PolyRecord {
    std::vector<QPoint> points;
};
struct PenRecord {
    std::uint32_t index = 0;
    std::uint32_t style = 0;
    std::int32_t width = 0;
    std::uint32_t color = 0;
};
struct BrushRecord {
    std::uint32_t index = 0;
    std::uint32_t style = 0;
    std::uint32_t color = 0;
    std::uint32_t hatch = 0;
};
struct FontRecord {
    std::uint32_t index = 0;
    LogFont font;
};
// EXTTEXTOUTW and EXTTEXTOUTA (the single-byte text read as Latin-1 code units).
struct TextRecord {
    QPoint reference;
    std::uint32_t options = 0;
    RectL rect;
    QString text;
    std::vector<std::int32_t> dx; // one advance per character, or empty when the file has none
};
// STRETCHDIBITS with its bitmap decoded; a null image when the file's encoding is not drawn here.
struct BitmapRecord {
    std::int32_t xDest = 0, yDest = 0, cxDest = 0, cyDest = 0;
    std::int32_t xSrc = 0, ySrc = 0, cxSrc = 0, cySrc = 0;
    std::uint32_t rop = 0;
    bool bottomUp = true; // source rows counted from the bottom, as the bitmap stored them
    QImage image;
};
// EXTSELECTCLIPRGN: the mode and the region's rectangles (none for a reset to the default clip).
struct ClipRegionRecord {
    std::uint32_t mode = 0;
    std::vector<RectL> rects;
};
// Records that are valid but carry nothing the player or enumerator uses.
struct OtherRecord {};

using RecordData = std::variant<OtherRecord, ValueRecord, PointRecord, BoxRecord, PolyRecord, PenRecord,
                                BrushRecord, FontRecord, TextRecord, BitmapRecord, ClipRegionRecord>;

struct Record {
    std::uint32_t type = 0;
    std::uint32_t offset = 0; // from the start of the file
    RecordData data;
};

// A whole picture as read: the header and every record between the header and end-of-file.
struct MetafileContent {
    Header header;
    std::vector<Record> records;
};

// Reads and checks a serialised picture: the header, then every record's type, size and alignment,
// every offset and count inside a record, object indices against the header's table size, and the
// nesting of saved states. Raises EMetafileError at the first fault; reads nothing outside `bytes`.
MetafileContent ParseMetafile(QByteArrayView bytes);

} // namespace emf
} // namespace quorvel
