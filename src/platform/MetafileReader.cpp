#include "platform/MetafileReader.h"

#include "platform/ByteReader.h"
#include "platform/CodePage.h"

#include <QtEndian>
#include <array>

#include <cstring>
#include <limits>
#include <string_view>

namespace quorvel::emf {
namespace {

// A bounded view of one record (or of the header). Every read is checked against the view, so a
// check forgotten further down still cannot read outside the picture.
class RecordView {
public:
    RecordView(ByteReader bytes, std::uint64_t fileOffset, std::uint32_t number)
        : bytes_(bytes)
        , fileOffset_(fileOffset)
        , number_(number) {}

    std::uint64_t Size() const noexcept { return bytes_.Size(); }

    [[noreturn]] void Fail(const QString& what) const {
        throw EMetafileError(QStringLiteral("Damaged metafile: %1 (record %2 at offset %3)")
                                 .arg(what)
                                 .arg(number_)
                                 .arg(fileOffset_),
                             qint64(fileOffset_));
    }
    void Require(bool condition, const char* what) const {
        if (!condition) Fail(QString::fromLatin1(what));
    }
    // The record must hold at least `bytes` bytes.
    void RequireSize(std::uint64_t bytes, const char* name) const {
        if (Size() < bytes) Fail(QStringLiteral("%1 record too short").arg(QLatin1String(name)));
    }
    // [offset, offset + count × unit) must lie inside the record (computed without overflow).
    void RequireRange(std::uint64_t offset, std::uint64_t count, std::uint64_t unit, const char* what) const {
        if (offset > Size() || count > (Size() - offset) / (unit == 0 ? 1 : unit))
            Fail(QString::fromLatin1(what));
    }

    std::uint8_t U8(std::uint64_t at) const { return At(at, 1).U8(); }
    std::uint16_t U16(std::uint64_t at) const { return At(at, 2).U16LE(); }
    std::uint32_t U32(std::uint64_t at) const { return At(at, 4).U32LE(); }
    std::int32_t I32(std::uint64_t at) const { return At(at, 4).I32LE(); }
    RectL Rect(std::uint64_t at) const { return {I32(at), I32(at + 4), I32(at + 8), I32(at + 12)}; }
    SizeL Size(std::uint64_t at) const { return {I32(at), I32(at + 4)}; }
    const unsigned char* Bytes(std::uint64_t at, std::uint64_t count) const {
        return reinterpret_cast<const unsigned char*>(At(at, count).Bytes(count).data());
    }

    // A field of the record; one outside it fails with the record's number and offset.
    ByteReader At(std::uint64_t at, std::uint64_t count) const {
        if (at > Size() || count > Size() - at) Fail(QStringLiteral("field outside the record"));
        return bytes_.Sub(at, count);
    }

private:
    ByteReader bytes_;
    std::uint64_t fileOffset_;
    std::uint32_t number_;
};

QString ReadUtf16(const RecordView& view, std::uint64_t at, std::uint64_t maxUnits) {
    QString text;
    for (std::uint64_t i = 0; i < maxUnits; ++i) {
        const std::uint16_t unit = view.U16(at + 2 * i);
        if (unit == 0) break;
        text.append(QChar(unit));
    }
    return text;
}

Header ReadHeader(const RecordView& view) {
    view.RequireSize(HEADER_MINIMUM, "header");
    Header header;
    header.bounds = view.Rect(8);
    header.frame = view.Rect(24);
    header.bytes = view.U32(48);
    header.records = view.U32(52);
    header.handles = view.U16(56);
    header.device = view.Size(72);
    header.millimeters = view.Size(80);
    const std::uint32_t descriptionLength = view.U32(60);
    const std::uint32_t descriptionOffset = view.U32(64);
    // The fixed part ends where the description or pixel format begins, whichever is first.
    std::uint64_t fixedPart = view.Size();
    if (descriptionLength > 0) {
        view.Require(descriptionOffset >= HEADER_MINIMUM, "description inside the fixed header");
        view.RequireRange(descriptionOffset, descriptionLength, 2, "description outside the header");
        fixedPart = std::min<std::uint64_t>(fixedPart, descriptionOffset);
        header.description = ReadUtf16(view, descriptionOffset, descriptionLength);
    }
    if (fixedPart >= 100) {
        const std::uint32_t pixelFormatSize = view.U32(88);
        const std::uint32_t pixelFormatOffset = view.U32(92);
        if (pixelFormatSize > 0) {
            view.Require(pixelFormatOffset >= HEADER_MINIMUM, "pixel format inside the fixed header");
            view.RequireRange(pixelFormatOffset, pixelFormatSize, 1, "pixel format outside the header");
            fixedPart = std::min<std::uint64_t>(fixedPart, pixelFormatOffset);
        }
    }
    if (fixedPart >= HEADER_SIZE) header.micrometers = view.Size(100);
    view.Require(view.U32(44) == ENHMETA_VERSION, "unknown format version");
    view.Require(header.handles >= 1, "object table without its reserved entry");
    view.Require(header.device.cx > 0 && header.device.cy > 0, "reference device without pixels");
    view.Require(header.millimeters.cx > 0 && header.millimeters.cy > 0, "reference device without size");
    return header;
}

// Object indices: created objects live in 1 .. handles − 1; stock objects have bit 31 set.
void CheckCreatedIndex(const RecordView& view, std::uint32_t index, const Header& header) {
    view.Require(index != 0 && (index & STOCK_OBJECT) == 0 && index < header.handles,
                 "object index outside the object table");
}
void CheckUsedIndex(const RecordView& view, std::uint32_t index, const Header& header) {
    if (index & STOCK_OBJECT) {
        view.Require((index & ~STOCK_OBJECT) <= 0x13, "unknown stock object");
        return;
    }
    view.Require(index != 0 && index < header.handles, "object index outside the object table");
}

PolyRecord ReadPoly(const RecordView& view, bool shortPoints) {
    view.RequireSize(28, "polygon");
    const std::uint32_t count = view.U32(24);
    view.RequireRange(28, count, shortPoints ? 4 : 8, "point count exceeds the record");
    PolyRecord poly;
    poly.points.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (shortPoints)
            poly.points.emplace_back(std::int16_t(view.U16(28 + 4ull * i)),
                                     std::int16_t(view.U16(30 + 4ull * i)));
        else
            poly.points.emplace_back(view.I32(28 + 8ull * i), view.I32(32 + 8ull * i));
    }
    return poly;
}

FontRecord ReadFont(const RecordView& view, const Header& header) {
    view.RequireSize(12 + LOGFONT_SIZE, "font");
    FontRecord record;
    record.index = view.U32(8);
    CheckCreatedIndex(view, record.index, header);
    LogFont& f = record.font;
    f.height = view.I32(12);
    f.width = view.I32(16);
    f.escapement = view.I32(20);
    f.orientation = view.I32(24);
    f.weight = view.I32(28);
    f.italic = view.U8(32);
    f.underline = view.U8(33);
    f.strikeOut = view.U8(34);
    f.charSet = view.U8(35);
    f.outPrecision = view.U8(36);
    f.clipPrecision = view.U8(37);
    f.quality = view.U8(38);
    f.pitchAndFamily = view.U8(39);
    f.faceName = ReadUtf16(view, 40, FACE_NAME_LENGTH);
    return record;
}

PenRecord ReadExtPen(const RecordView& view, const Header& header) {
    view.RequireSize(52, "extended pen");
    PenRecord pen;
    pen.index = view.U32(8);
    CheckCreatedIndex(view, pen.index, header);
    const std::uint32_t offBmi = view.U32(12), cbBmi = view.U32(16), offBits = view.U32(20),
                        cbBits = view.U32(24);
    if (cbBmi > 0) view.RequireRange(offBmi, cbBmi, 1, "pen pattern header outside the record");
    if (cbBits > 0) view.RequireRange(offBits, cbBits, 1, "pen pattern bits outside the record");
    view.RequireRange(52, view.U32(48), 4, "pen style entries exceed the record");
    pen.style = view.U32(28);
    pen.width = std::int32_t(std::min<std::uint32_t>(view.U32(32), std::numeric_limits<std::int32_t>::max()));
    if (view.U32(36) == BS_NULL) pen.style = (pen.style & ~PS_STYLE_MASK) | PS_NULL;
    pen.color = view.U32(40);
    return pen;
}

TextRecord ReadText(const RecordView& view, bool wide) {
    view.RequireSize(76, "text");
    TextRecord text;
    text.reference = QPoint(view.I32(36), view.I32(40));
    const std::uint32_t chars = view.U32(44);
    const std::uint32_t offString = view.U32(48);
    text.options = view.U32(52);
    text.rect = view.Rect(56);
    const std::uint32_t offDx = view.U32(72);
    view.RequireRange(offString, chars, wide ? 2 : 1, "text outside the record");
    if (wide) {
        ByteReader units = view.At(offString, 2ull * chars);
        text.text = QString(qsizetype(chars), Qt::Uninitialized);
        QChar* out = text.text.data();
        for (std::uint32_t i = 0; i < chars; ++i)
            out[i] = QChar(units.U16LE());
    } else {
        const unsigned char* bytes = view.Bytes(offString, chars);
        text.text = Cp1252ToQString(std::string_view(reinterpret_cast<const char*>(bytes), chars));
    }
    if (chars > 0 && offDx != 0) {
        const std::uint64_t step = (text.options & ETO_PDY) ? 8 : 4;
        view.RequireRange(offDx, chars, step, "character advances outside the record");
        ByteReader advances = view.At(offDx, step * chars);
        text.dx.resize(chars);
        for (std::int32_t& advance : text.dx) {
            advance = advances.I32LE();
            advances.Skip(step - 4); // the vertical half of a pair
        }
    }
    return text;
}

// Decodes an uncompressed device-independent bitmap; other encodings give a null image.
QImage DecodeBitmap(const RecordView& view, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                    std::uint32_t cbBits) {
    view.Require(cbBmi >= 40, "bitmap header too short");
    const std::uint32_t headerSize = view.U32(offBmi);
    view.Require(headerSize >= 40 && headerSize <= cbBmi, "bitmap header size invalid");
    const std::int32_t width = view.I32(offBmi + 4);
    const std::int32_t height = view.I32(offBmi + 8);
    const std::uint16_t bitCount = view.U16(offBmi + 14);
    const std::uint32_t compression = view.U32(offBmi + 16);
    std::uint32_t colorsUsed = view.U32(offBmi + 32);
    view.Require(width > 0 && height != 0 && height != std::numeric_limits<std::int32_t>::min(),
                 "bitmap without pixels");
    const std::uint64_t rows = std::uint64_t(height < 0 ? -std::int64_t(height) : height);
    view.Require(std::uint64_t(width) <= 65535 && rows <= 65535 &&
                     std::uint64_t(width) * rows <= (1ull << 25),
                 "bitmap too large");
    if (compression != BI_RGB && compression != BI_BITFIELDS) return {}; // valid, but not drawn here
    view.Require(bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
                     bitCount == 32,
                 "bitmap bit count invalid");
    view.Require(compression == BI_RGB || bitCount == 16 || bitCount == 32, "bit fields on a palette bitmap");
    const std::uint64_t stride = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
    view.Require(stride * rows <= cbBits, "bitmap bits shorter than the bitmap");
    const unsigned char* bits = view.Bytes(offBits, stride * rows);

    std::vector<QRgb> palette;
    std::array<std::uint32_t, 3> masks{0x7C00, 0x03E0, 0x001F};
    if (bitCount == 32) masks = {0xFF0000, 0x00FF00, 0x0000FF};
    if (compression == BI_BITFIELDS) {
        const std::uint64_t at = headerSize == 40 ? 40 : 40; // masks follow the 40-byte part
        view.Require(cbBmi >= at + 12, "bitmap masks missing");
        masks = {view.U32(offBmi + at), view.U32(offBmi + at + 4), view.U32(offBmi + at + 8)};
    }
    if (bitCount <= 8) {
        const std::uint32_t maxColors = 1u << bitCount;
        if (colorsUsed == 0) colorsUsed = maxColors;
        view.Require(colorsUsed <= maxColors, "bitmap colour table too long");
        view.Require(std::uint64_t(headerSize) + 4ull * colorsUsed <= cbBmi, "bitmap colour table outside");
        for (std::uint32_t i = 0; i < colorsUsed; ++i) {
            const std::uint64_t at = offBmi + headerSize + 4ull * i;
            palette.push_back(qRgb(view.U8(at + 2), view.U8(at + 1), view.U8(at)));
        }
    }
    auto channel = [](std::uint32_t value, std::uint32_t mask) -> int {
        if (mask == 0) return 0;
        int shift = 0;
        while (((mask >> shift) & 1) == 0)
            ++shift;
        const std::uint32_t top = mask >> shift;
        return int(std::uint64_t((value & mask) >> shift) * 255 / top);
    };

    QImage image(width, int(rows), QImage::Format_RGB32);
    view.Require(!image.isNull(), "bitmap too large");
    for (std::uint64_t row = 0; row < rows; ++row) {
        const unsigned char* src = bits + row * stride;
        const int y = height > 0 ? int(rows - 1 - row) : int(row);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb pixel = 0;
            switch (bitCount) {
            case 1:
            case 4:
            case 8: {
                const std::uint64_t bit = std::uint64_t(x) * bitCount;
                const unsigned byte = src[bit / 8];
                const unsigned index = (byte >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
                pixel = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
                break;
            }
            case 16: {
                const std::uint32_t v = src[2 * x] | src[2 * x + 1] << 8;
                pixel = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                break;
            }
            case 24:
                pixel = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default: {
                std::uint32_t v;
                std::memcpy(&v, src + 4 * x, 4);
                v = qFromLittleEndian(v);
                pixel = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                break;
            }
            }
            dst[x] = pixel;
        }
    }
    return image;
}

BitmapRecord ReadStretchDib(const RecordView& view) {
    view.RequireSize(80, "bitmap");
    BitmapRecord bitmap;
    bitmap.xDest = view.I32(24);
    bitmap.yDest = view.I32(28);
    bitmap.xSrc = view.I32(32);
    bitmap.ySrc = view.I32(36);
    bitmap.cxSrc = view.I32(40);
    bitmap.cySrc = view.I32(44);
    const std::uint32_t offBmi = view.U32(48), cbBmi = view.U32(52), offBits = view.U32(56),
                        cbBits = view.U32(60);
    bitmap.rop = view.U32(68);
    bitmap.cxDest = view.I32(72);
    bitmap.cyDest = view.I32(76);
    if (cbBmi == 0) return bitmap; // a raster operation without a source bitmap
    view.RequireRange(offBmi, cbBmi, 1, "bitmap header outside the record");
    view.RequireRange(offBits, cbBits, 1, "bitmap bits outside the record");
    view.Require(offBmi >= 80 && offBits >= 80, "bitmap inside the fixed record part");
    bitmap.bottomUp = view.I32(offBmi + 8) > 0;
    bitmap.image = DecodeBitmap(view, offBmi, cbBmi, offBits, cbBits);
    return bitmap;
}

ClipRegionRecord ReadClipRegion(const RecordView& view) {
    view.RequireSize(16, "clip region");
    ClipRegionRecord clip;
    const std::uint32_t dataSize = view.U32(8);
    clip.mode = view.U32(12);
    view.Require(clip.mode >= RGN_AND && clip.mode <= RGN_COPY, "unknown clip region mode");
    view.RequireRange(16, dataSize, 1, "region data outside the record");
    if (dataSize == 0) {
        view.Require(clip.mode == RGN_COPY, "empty region with a combining mode");
        return clip;
    }
    view.Require(dataSize >= 32 && view.U32(16) == 32 && view.U32(20) == 1, "region header invalid");
    const std::uint32_t count = view.U32(24);
    view.Require(count <= (dataSize - 32) / 16, "region rectangles exceed the record");
    clip.rects.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        clip.rects.push_back(view.Rect(48 + 16ull * i));
    return clip;
}

RecordData ReadRecord(std::uint32_t type, const RecordView& view, const Header& header, int& savedStates) {
    switch (type) {
    case EMR_SETBKMODE:
    case EMR_SETTEXTALIGN:
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR:
    case EMR_SETMAPMODE:
    case EMR_SETPOLYFILLMODE:
        view.RequireSize(12, "state");
        return ValueRecord{view.U32(8)};
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
        view.RequireSize(12, "object");
        CheckUsedIndex(view, view.U32(8), header);
        return ValueRecord{view.U32(8)};
    case EMR_SAVEDC:
        ++savedStates;
        return OtherRecord{};
    case EMR_RESTOREDC: {
        view.RequireSize(12, "restore");
        const std::int32_t relative = view.I32(8);
        view.Require(relative < 0 && -std::int64_t(relative) <= savedStates, "restores a state never saved");
        savedStates += relative;
        return ValueRecord{std::uint32_t(relative)};
    }
    case EMR_MOVETOEX:
    case EMR_LINETO:
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX:
        view.RequireSize(16, "point");
        return PointRecord{view.I32(8), view.I32(12)};
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT:
        view.RequireSize(24, "rectangle");
        return BoxRecord{view.Rect(8), {}};
    case EMR_ROUNDRECT:
        view.RequireSize(32, "rounded rectangle");
        return BoxRecord{view.Rect(8), view.Size(24)};
    case EMR_POLYLINE16:
    case EMR_POLYGON16:
        return ReadPoly(view, true);
    case EMR_POLYLINE:
    case EMR_POLYGON:
        return ReadPoly(view, false);
    case EMR_CREATEPEN: {
        view.RequireSize(28, "pen");
        PenRecord pen{view.U32(8), view.U32(12), view.I32(16), view.U32(24)};
        CheckCreatedIndex(view, pen.index, header);
        return pen;
    }
    case EMR_EXTCREATEPEN:
        return ReadExtPen(view, header);
    case EMR_CREATEBRUSHINDIRECT: {
        view.RequireSize(24, "brush");
        BrushRecord brush{view.U32(8), view.U32(12), view.U32(16), view.U32(20)};
        CheckCreatedIndex(view, brush.index, header);
        return brush;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
        return ReadFont(view, header);
    case EMR_EXTTEXTOUTW:
        return ReadText(view, true);
    case EMR_EXTTEXTOUTA:
        return ReadText(view, false);
    case EMR_STRETCHDIBITS:
        return ReadStretchDib(view);
    case EMR_EXTSELECTCLIPRGN:
        return ReadClipRegion(view);
    case EMR_GDICOMMENT:
        view.RequireSize(12, "comment");
        view.RequireRange(12, view.U32(8), 1, "comment data outside the record");
        return OtherRecord{};
    default:
        return OtherRecord{}; // a defined record this program does not draw
    }
}

} // namespace

MetafileContent ParseMetafile(QByteArrayView bytes) {
    const ByteReader whole(std::string_view(bytes.data(), std::size_t(bytes.size())));
    const auto size = std::uint64_t(bytes.size());
    const RecordView file(whole, 0, 1);
    file.Require(size >= HEADER_MINIMUM, "shorter than a header");
    file.Require(file.U32(0) == EMR_HEADER, "does not start with a header");
    file.Require(file.U32(40) == ENHMETA_SIGNATURE, "signature missing");
    const std::uint32_t headerSize = file.U32(4);
    file.Require(headerSize >= HEADER_MINIMUM && headerSize % 4 == 0 && headerSize <= size,
                 "header size invalid");

    MetafileContent content;
    content.header = ReadHeader(RecordView(whole.Sub(0, headerSize), 0, 1));
    const std::uint64_t end = content.header.bytes;
    file.Require(end <= size, "picture truncated");
    file.Require(end >= std::uint64_t(headerSize) + EOF_SIZE, "byte count smaller than header and end");
    // The header's count, where the bytes could hold that many records (eight bytes at least each).
    content.records.reserve(
        std::size_t(std::min<std::uint64_t>(content.header.records, (end - headerSize) / 8)));

    int savedStates = 0;
    bool ended = false;
    std::uint32_t number = 1;
    std::uint64_t offset = headerSize;
    while (offset < end) {
        ++number;
        const RecordView head(whole.Sub(offset, end - offset), offset, number);
        head.Require(!ended, "record after the end-of-file record");
        head.Require(end - offset >= 8, "record header cut off");
        const std::uint32_t type = head.U32(0);
        const std::uint32_t recordSize = head.U32(4);
        head.Require(recordSize >= 8 && recordSize % 4 == 0, "record size invalid");
        head.Require(recordSize <= end - offset, "record runs past the end of the picture");
        head.Require(type != 0 && type <= EMR_MAX, "unknown record type");
        head.Require(type != EMR_HEADER, "second header");
        const RecordView view(whole.Sub(offset, recordSize), offset, number);
        if (type == EMR_EOF) {
            view.RequireSize(EOF_SIZE, "end-of-file");
            const std::uint32_t paletteEntries = view.U32(8);
            if (paletteEntries > 0)
                view.RequireRange(view.U32(12), paletteEntries, 4, "palette outside the record");
            ended = true;
        } else {
            content.records.push_back(
                Record{type, std::uint32_t(offset), ReadRecord(type, view, content.header, savedStates)});
        }
        offset += recordSize;
    }
    const RecordView last(whole, offset, number);
    last.Require(ended, "end-of-file record missing");
    last.Require(content.header.records == number, "record count does not match the header");
    return content;
}

} // namespace quorvel::emf
