#include "report/export/QrexportWmfConvert.h"

#include "platform/CodePage.h"
#include "platform/Metafile.h"
#include "platform/MetafileBytes.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvel {

namespace {

constexpr std::uint16_t META_EOF = 0x0000;
constexpr std::uint16_t META_SAVEDC = 0x001E;
constexpr std::uint16_t META_SETBKMODE = 0x0102;
constexpr std::uint16_t META_SETMAPMODE = 0x0103;
constexpr std::uint16_t META_SETPOLYFILLMODE = 0x0106;
constexpr std::uint16_t META_RESTOREDC = 0x0127;
constexpr std::uint16_t META_SELECTCLIPREGION = 0x012C;
constexpr std::uint16_t META_SELECTOBJECT = 0x012D;
constexpr std::uint16_t META_SETTEXTALIGN = 0x012E;
constexpr std::uint16_t META_DELETEOBJECT = 0x01F0;
constexpr std::uint16_t META_SETBKCOLOR = 0x0201;
constexpr std::uint16_t META_SETTEXTCOLOR = 0x0209;
constexpr std::uint16_t META_SETWINDOWORG = 0x020B;
constexpr std::uint16_t META_SETWINDOWEXT = 0x020C;
constexpr std::uint16_t META_LINETO = 0x0213;
constexpr std::uint16_t META_MOVETO = 0x0214;
constexpr std::uint16_t META_CREATEPENINDIRECT = 0x02FA;
constexpr std::uint16_t META_CREATEFONTINDIRECT = 0x02FB;
constexpr std::uint16_t META_CREATEBRUSHINDIRECT = 0x02FC;
constexpr std::uint16_t META_POLYGON = 0x0324;
constexpr std::uint16_t META_POLYLINE = 0x0325;
constexpr std::uint16_t META_EXCLUDECLIPRECT = 0x0415;
constexpr std::uint16_t META_INTERSECTCLIPRECT = 0x0416;
constexpr std::uint16_t META_ELLIPSE = 0x0418;
constexpr std::uint16_t META_RECTANGLE = 0x041B;
constexpr std::uint16_t META_ROUNDRECT = 0x061C;
constexpr std::uint16_t META_EXTTEXTOUT = 0x0A32;
constexpr std::uint16_t META_STRETCHDIB = 0x0F43;

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint16_t MM_ANISOTROPIC = 8;
constexpr std::uint16_t kHeaderWords = 9;
constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr int kMaxPoints = std::numeric_limits<std::int16_t>::max();

std::int16_t Short(std::int64_t v) {
    return std::int16_t(std::clamp<std::int64_t>(v, std::numeric_limits<std::int16_t>::min(),
                                                 std::numeric_limits<std::int16_t>::max()));
}

// One record being written at the end of the body: the size and function first, then the
// parameters in file order (the older format stores a call's arguments last first, which the callers
// below spell out). The record's size is filled in when the Params goes out of scope.
class Params {
public:
    Params(ByteWriter& body, std::uint16_t function, std::uint32_t& maxRecord)
        : body_(body)
        , start_(body.Size())
        , maxRecord_(maxRecord) {
        body_.U32LE(0);
        body_.U16LE(function);
    }
    ~Params() {
        const auto words = std::uint32_t((body_.Size() - start_) / 2);
        body_.PutU32LE(start_, words);
        maxRecord_ = std::max(maxRecord_, words);
    }
    Params(const Params&) = delete;
    Params& operator=(const Params&) = delete;

    Params& I16(std::int64_t v) {
        body_.U16LE(std::uint16_t(Short(v)));
        return *this;
    }
    Params& U16(std::uint16_t v) {
        body_.U16LE(v);
        return *this;
    }
    Params& U32(std::uint32_t v) {
        body_.U32LE(v);
        return *this;
    }
    Params& U8(std::uint8_t v) {
        body_.U8(v);
        return *this;
    }
    Params& Bytes(std::string_view bytes) {
        body_.Bytes(bytes);
        return *this;
    }
    // Records are whole 16-bit words.
    Params& PadToWord() {
        if ((body_.Size() - start_) % 2 != 0) body_.U8(0);
        return *this;
    }
    // An inclusive-exclusive box in the reversed order of the shape records.
    Params& BoxReversed(const emf::RectL& r) { return I16(r.bottom).I16(r.right).I16(r.top).I16(r.left); }

private:
    ByteWriter& body_;
    qsizetype start_;
    std::uint32_t& maxRecord_;
};

// The bitmap as a 24-bit bottom-up device-independent bitmap, header first.
void WriteDeviceIndependentBitmap(Params& p, const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const int stride = (width * 3 + 3) / 4 * 4;
    p.U32(40)
        .U32(std::uint32_t(width))
        .U32(std::uint32_t(height)); // positive height: rows from the bottom up
    p.U16(1).U16(24).U32(emf::BI_RGB).U32(std::uint32_t(stride) * std::uint32_t(height));
    for (int i = 0; i < 4; ++i)
        p.U32(0); // resolution and colour-table counts
    for (int y = height - 1; y >= 0; --y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            p.U8(std::uint8_t(qBlue(pixels[x])))
                .U8(std::uint8_t(qGreen(pixels[x])))
                .U8(std::uint8_t(qRed(pixels[x])));
        for (int pad = width * 3; pad < stride; ++pad)
            p.U8(0);
    }
}

class WmfConverter {
public:
    explicit WmfConverter(const TMetafile& picture)
        : picture_(picture) {}

    QByteArray Convert() {
        Record(META_SETMAPMODE).U16(MM_ANISOTROPIC);
        Record(META_SETWINDOWORG).I16(0).I16(0);
        Record(META_SETWINDOWEXT).I16(picture_.Height()).I16(picture_.Width());
        for (const emf::Record& record : picture_.Content().records)
            Convert(record);
        Record(META_EOF);
        return Assemble();
    }

private:
    Params Record(std::uint16_t function) { return Params(body_, function, maxRecord_); }

    QByteArray Assemble() {
        ByteWriter out;
        out.Reserve(22 + 2 * kHeaderWords + body_.Size());
        // Placeable header: key, no handle, bounding box, units per inch, reserved, checksum.
        const std::uint16_t placeable[] = {std::uint16_t(kPlaceableKey & 0xFFFF),
                                           std::uint16_t(kPlaceableKey >> 16),
                                           0,
                                           0,
                                           0,
                                           std::uint16_t(Short(picture_.Width())),
                                           std::uint16_t(Short(picture_.Height())),
                                           std::uint16_t(picture_.PixelsPerInch()),
                                           0,
                                           0};
        std::uint16_t checksum = 0;
        for (const std::uint16_t word : placeable) {
            out.U16LE(word);
            checksum ^= word;
        }
        out.U16LE(checksum);

        const std::uint32_t words = kHeaderWords + std::uint32_t(body_.Size() / 2);
        out.U16LE(1); // memory metafile
        out.U16LE(kHeaderWords);
        out.U16LE(0x0300);
        out.U32LE(words);
        out.U16LE(std::uint16_t(slots_.size()));
        out.U32LE(maxRecord_);
        out.U16LE(0);
        out.Bytes(body_.Take());
        return out.Take();
    }

    // Each new object takes the lowest free slot of the object table.
    std::uint16_t TakeSlot() {
        const auto free = std::find(slots_.begin(), slots_.end(), false);
        if (free != slots_.end()) {
            *free = true;
            return std::uint16_t(free - slots_.begin());
        }
        slots_.push_back(true);
        return std::uint16_t(slots_.size() - 1);
    }

    std::uint16_t CreatePen(std::uint32_t style, std::int32_t width, std::uint32_t color) {
        Record(META_CREATEPENINDIRECT).U16(std::uint16_t(style)).I16(width).I16(0).U32(color);
        return TakeSlot();
    }

    std::uint16_t CreateBrush(std::uint32_t style, std::uint32_t color, std::uint32_t hatch) {
        Record(META_CREATEBRUSHINDIRECT).U16(std::uint16_t(style)).U32(color).U16(std::uint16_t(hatch));
        return TakeSlot();
    }

    std::uint16_t CreateFont(const emf::LogFont& font) {
        Params p = Record(META_CREATEFONTINDIRECT);
        p.I16(font.height).I16(font.width).I16(font.escapement).I16(font.orientation).I16(font.weight);
        // Texts are written in the single-byte code page, which the ANSI character set names.
        const std::uint8_t charSet = font.charSet == DEFAULT_CHARSET ? ANSI_CHARSET : font.charSet;
        p.U8(font.italic).U8(font.underline).U8(font.strikeOut).U8(charSet);
        p.U8(font.outPrecision).U8(font.clipPrecision).U8(font.quality).U8(font.pitchAndFamily);
        std::string face = QStringToCp1252(font.faceName.left(31));
        face.resize(32, '\0');
        p.Bytes(face);
        return TakeSlot();
    }

    // The slot standing for a stock object, made on its first selection.
    std::optional<std::uint16_t> StockSlot(std::uint32_t index) {
        if (const auto found = stock_.find(index); found != stock_.end()) return found->second;
        std::optional<std::uint16_t> slot;
        switch (index) {
        case emf::WHITE_BRUSH:
        case emf::LTGRAY_BRUSH:
        case emf::GRAY_BRUSH:
        case emf::DKGRAY_BRUSH:
        case emf::BLACK_BRUSH: {
            static constexpr std::uint32_t kGreys[] = {0xFF, 0xC0, 0x80, 0x40, 0x00};
            const std::uint32_t g = kGreys[index - emf::WHITE_BRUSH];
            slot = CreateBrush(emf::BS_SOLID, g | g << 8 | g << 16, 0);
            break;
        }
        case emf::NULL_BRUSH:
            slot = CreateBrush(emf::BS_NULL, 0, 0);
            break;
        case emf::WHITE_PEN:
            slot = CreatePen(emf::PS_SOLID, 0, 0xFFFFFF);
            break;
        case emf::BLACK_PEN:
            slot = CreatePen(emf::PS_SOLID, 0, 0);
            break;
        case emf::NULL_PEN:
            slot = CreatePen(emf::PS_NULL, 0, 0);
            break;
        default:
            // The stock fonts (0x8000000A to 0x80000011, except the palette at 0x8000000F).
            if (index >= (emf::STOCK_OBJECT | 0x0A) && index <= (emf::STOCK_OBJECT | 0x11) &&
                index != (emf::STOCK_OBJECT | 0x0F))
                slot = CreateFont(emf::LogFont{});
            break;
        }
        if (slot) stock_.emplace(index, *slot);
        return slot;
    }

    void Adopt(std::uint32_t emfIndex, std::uint16_t slot) {
        // A picture that creates over a live index replaces the object there.
        if (objects_.contains(emfIndex)) Delete(emfIndex);
        objects_[emfIndex] = slot;
    }

    void Delete(std::uint32_t emfIndex) {
        const auto found = objects_.find(emfIndex);
        if (found == objects_.end()) return;
        Record(META_DELETEOBJECT).U16(found->second);
        slots_[found->second] = false;
        objects_.erase(found);
    }

    void Select(std::uint32_t emfIndex) {
        std::optional<std::uint16_t> slot;
        if (emfIndex & emf::STOCK_OBJECT) {
            slot = StockSlot(emfIndex);
        } else if (const auto found = objects_.find(emfIndex); found != objects_.end()) {
            slot = found->second;
        }
        if (slot) Record(META_SELECTOBJECT).U16(*slot);
    }

    void Text(const emf::TextRecord& text) {
        if (text.options & emf::ETO_GLYPH_INDEX) return; // glyph numbers of a font the reader may lack
        const std::string bytes = QStringToCp1252(text.text.left(kMaxPoints));
        const bool hasRect = !(text.options & emf::ETO_NO_RECT);
        const std::uint16_t options =
            hasRect ? std::uint16_t(text.options & (emf::ETO_OPAQUE | emf::ETO_CLIPPED)) : std::uint16_t(0);
        Params p = Record(META_EXTTEXTOUT);
        p.I16(text.reference.y()).I16(text.reference.x()).I16(std::int64_t(bytes.size())).U16(options);
        if (options != 0) p.I16(text.rect.left).I16(text.rect.top).I16(text.rect.right).I16(text.rect.bottom);
        p.Bytes(bytes).PadToWord();
        // Advances per character; an advance pair per character (vertical advances too) keeps its
        // horizontal half.
        const auto count = qsizetype(bytes.size());
        const bool pairs = (text.options & emf::ETO_PDY) && qsizetype(text.dx.size()) == 2 * text.text.size();
        if (pairs || qsizetype(text.dx.size()) == text.text.size()) {
            for (qsizetype i = 0; i < count; ++i)
                p.I16(text.dx[std::size_t(pairs ? 2 * i : i)]);
        }
    }

    void Poly(std::uint16_t function, const std::vector<QPoint>& points) {
        if (points.empty()) return;
        // A point count is a 16-bit number: a long line goes out in pieces that share their ends; a
        // polygon keeps its first points.
        std::size_t first = 0;
        while (true) {
            const std::size_t count = std::min<std::size_t>(points.size() - first, kMaxPoints);
            {
                Params p = Record(function);
                p.I16(std::int64_t(count));
                for (std::size_t i = first; i < first + count; ++i)
                    p.I16(points[i].x()).I16(points[i].y());
            }
            if (function != META_POLYLINE || first + count >= points.size()) break;
            first += count - 1;
        }
    }

    void Bitmap(const emf::BitmapRecord& b) {
        if (b.image.isNull() || b.image.width() > kMaxPoints || b.image.height() > kMaxPoints) return;
        // The bitmap goes out bottom-up; a source rectangle counted from the top is turned round.
        const std::int64_t ySrc = b.bottomUp ? b.ySrc : std::int64_t(b.image.height()) - b.ySrc - b.cySrc;
        Params p = Record(META_STRETCHDIB);
        p.U32(b.rop).U16(emf::DIB_RGB_COLORS);
        p.I16(b.cySrc).I16(b.cxSrc).I16(ySrc).I16(b.xSrc);
        p.I16(b.cyDest).I16(b.cxDest).I16(b.yDest).I16(b.xDest);
        WriteDeviceIndependentBitmap(p, b.image);
    }

    void ClipRegion(const emf::ClipRegionRecord& clip) {
        if (clip.rects.empty() || clip.mode == emf::RGN_COPY) Record(META_SELECTCLIPREGION).U16(0);
        if (clip.rects.empty() || (clip.mode != emf::RGN_COPY && clip.mode != emf::RGN_AND)) return;
        // The older format clips to rectangles only: a region becomes the box around it.
        emf::RectL box = clip.rects.front();
        for (const emf::RectL& r : clip.rects) {
            box.left = std::min(box.left, r.left);
            box.top = std::min(box.top, r.top);
            box.right = std::max(box.right, r.right);
            box.bottom = std::max(box.bottom, r.bottom);
        }
        Record(META_INTERSECTCLIPRECT).BoxReversed(box);
    }

    void Convert(const emf::Record& record) {
        using namespace emf;
        const auto value = [&record] { return std::get<ValueRecord>(record.data).value; };
        const auto point = [&record] { return std::get<PointRecord>(record.data); };
        const auto box = [&record] { return std::get<BoxRecord>(record.data); };
        switch (record.type) {
        case EMR_SETBKMODE:
            Record(META_SETBKMODE).U16(std::uint16_t(value()));
            break;
        case EMR_SETTEXTALIGN:
            Record(META_SETTEXTALIGN).U16(std::uint16_t(value()));
            break;
        case EMR_SETTEXTCOLOR:
            Record(META_SETTEXTCOLOR).U32(value());
            break;
        case EMR_SETBKCOLOR:
            Record(META_SETBKCOLOR).U32(value());
            break;
        case EMR_SETPOLYFILLMODE:
            Record(META_SETPOLYFILLMODE).U16(std::uint16_t(value()));
            break;
        case EMR_SELECTOBJECT:
            Select(value());
            break;
        case EMR_DELETEOBJECT:
            Delete(value());
            break;
        case EMR_SAVEDC:
            Record(META_SAVEDC);
            break;
        case EMR_RESTOREDC:
            Record(META_RESTOREDC).I16(std::int32_t(value()));
            break;
        case EMR_MOVETOEX:
            Record(META_MOVETO).I16(point().y).I16(point().x);
            break;
        case EMR_LINETO:
            Record(META_LINETO).I16(point().y).I16(point().x);
            break;
        case EMR_RECTANGLE:
            Record(META_RECTANGLE).BoxReversed(box().box);
            break;
        case EMR_ELLIPSE:
            Record(META_ELLIPSE).BoxReversed(box().box);
            break;
        case EMR_ROUNDRECT:
            Record(META_ROUNDRECT).I16(box().corner.cy).I16(box().corner.cx).BoxReversed(box().box);
            break;
        case EMR_INTERSECTCLIPRECT:
            Record(META_INTERSECTCLIPRECT).BoxReversed(box().box);
            break;
        case EMR_EXCLUDECLIPRECT:
            Record(META_EXCLUDECLIPRECT).BoxReversed(box().box);
            break;
        case EMR_POLYLINE:
        case EMR_POLYLINE16:
            Poly(META_POLYLINE, std::get<PolyRecord>(record.data).points);
            break;
        case EMR_POLYGON:
        case EMR_POLYGON16:
            Poly(META_POLYGON, std::get<PolyRecord>(record.data).points);
            break;
        case EMR_CREATEPEN:
        case EMR_EXTCREATEPEN: {
            const auto& pen = std::get<PenRecord>(record.data);
            Adopt(pen.index, CreatePen(pen.style & 0xFFFF, pen.width, pen.color));
            break;
        }
        case EMR_CREATEBRUSHINDIRECT: {
            const auto& brush = std::get<BrushRecord>(record.data);
            Adopt(brush.index, CreateBrush(brush.style, brush.color, brush.hatch));
            break;
        }
        case EMR_EXTCREATEFONTINDIRECTW: {
            const auto& font = std::get<FontRecord>(record.data);
            Adopt(font.index, CreateFont(font.font));
            break;
        }
        case EMR_EXTTEXTOUTW:
        case EMR_EXTTEXTOUTA:
            Text(std::get<TextRecord>(record.data));
            break;
        case EMR_STRETCHDIBITS:
            Bitmap(std::get<BitmapRecord>(record.data));
            break;
        case EMR_EXTSELECTCLIPRGN:
            ClipRegion(std::get<ClipRegionRecord>(record.data));
            break;
        default:
            // Map mode, window and viewport records: the picture is mapped by the header instead.
            // Comments and records nothing is drawn from are left out.
            break;
        }
    }

    const TMetafile& picture_;
    ByteWriter body_;
    std::vector<bool> slots_;
    std::unordered_map<std::uint32_t, std::uint16_t> objects_;
    std::unordered_map<std::uint32_t, std::uint16_t> stock_;
    std::uint32_t maxRecord_ = 0;
};

} // namespace

QByteArray ConvertToPlaceableWmf(const TMetafile& picture) {
    return WmfConverter(picture).Convert();
}

} // namespace quorvel
