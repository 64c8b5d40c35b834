#include "platform/MetafilePlayer.h"

#include "platform/BoundedDrawing.h"
#include "platform/CanvasDraw.h"
#include "platform/Font.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

using namespace emf;

constexpr int kCoordinateLimit = 1 << 26; // keeps regions and rectangles clear of integer overflow
constexpr int kMaxFontPixels = 2000;

int Clamp(std::int64_t value) {
    return int(std::clamp<std::int64_t>(value, -kCoordinateLimit, kCoordinateLimit));
}
QPoint ClampPoint(std::int32_t x, std::int32_t y) {
    return QPoint(Clamp(x), Clamp(y));
}
QRect ClipRect(const RectL& r) {
    const int left = Clamp(r.left), top = Clamp(r.top), right = Clamp(r.right), bottom = Clamp(r.bottom);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
}

// The drawing state a saved state restores.
struct DcState {
    QPen pen = draw::MakePen(PS_SOLID, 0, clBlack);
    QBrush brush = QBrush(Qt::white);
    LogFont font;
    bool hasFont = false;
    TColor textColor = clBlack;
    TColor backgroundColor = clWhite;
    std::uint32_t backgroundMode = OPAQUE;
    std::uint32_t textAlign = 0;
    QPoint current;
    std::uint32_t mapMode = MM_TEXT;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    Qt::FillRule fillRule = Qt::OddEvenFill;
};

using Object = std::variant<std::monostate, PenRecord, BrushRecord, FontRecord>;

class Player {
public:
    Player(QPainter& painter, const MetafileContent& content, const QTransform& deviceToTarget)
        : painter_(painter)
        , content_(content)
        , base_(painter.transform())
        , deviceToTarget_(deviceToTarget)
        , objects_(content.header.handles) {
        initialClip_ = painter.hasClipping() ? std::optional<QPainterPath>(painter.clipPath()) : std::nullopt;
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        ApplyTransform();
    }

    void Run() {
        for (const Record& record : content_.records)
            Play(record);
        while (depth_ > 0)
            Restore();
    }

private:
    void ApplyTransform() {
        QTransform logical;
        const DcState& s = state_;
        const double pxPerMmX = double(content_.header.device.cx) / content_.header.millimeters.cx;
        const double pxPerMmY = double(content_.header.device.cy) / content_.header.millimeters.cy;
        double sx = 1, sy = 1;
        switch (s.mapMode) {
        case 2:
            sx = 0.1 * pxPerMmX, sy = -0.1 * pxPerMmY;
            break; // 0.1 mm
        case 3:
            sx = 0.01 * pxPerMmX, sy = -0.01 * pxPerMmY;
            break; // 0.01 mm
        case 4:
            sx = 0.254 * pxPerMmX, sy = -0.254 * pxPerMmY;
            break; // 0.01 inch
        case 5:
            sx = 0.0254 * pxPerMmX, sy = -0.0254 * pxPerMmY;
            break; // 0.001 inch
        case 6:
            sx = 25.4 / 1440 * pxPerMmX, sy = -25.4 / 1440 * pxPerMmY;
            break; // twips
        case 7:
        case 8:
            if (s.windowExt.width() != 0 && s.windowExt.height() != 0) {
                sx = s.viewportExt.width() / s.windowExt.width();
                sy = s.viewportExt.height() / s.windowExt.height();
                if (s.mapMode == 7) {
                    const double m = std::min(std::abs(sx), std::abs(sy));
                    sx = std::copysign(m, sx);
                    sy = std::copysign(m, sy);
                }
            }
            break;
        default:
            break;
        }
        logical.translate(s.viewportOrg.x(), s.viewportOrg.y());
        logical.scale(sx, sy);
        logical.translate(-s.windowOrg.x(), -s.windowOrg.y());
        painter_.setTransform(logical * deviceToTarget_ * base_);
    }

    void Save() {
        painter_.save();
        saved_.push_back(state_);
        ++depth_;
    }
    void Restore() {
        painter_.restore();
        state_ = saved_.back();
        saved_.pop_back();
        --depth_;
    }

    void ResetClip() {
        painter_.setTransform(base_);
        if (initialClip_)
            painter_.setClipPath(*initialClip_, Qt::ReplaceClip);
        else
            painter_.setClipping(false);
        ApplyTransform();
    }

    void SelectObject(std::uint32_t index) {
        if (index & STOCK_OBJECT) {
            switch (index & ~STOCK_OBJECT) {
            case 0:
                state_.brush = QBrush(Qt::white);
                break;
            case 1:
                state_.brush = QBrush(QColor(0xC0, 0xC0, 0xC0));
                break;
            case 2:
                state_.brush = QBrush(QColor(0x80, 0x80, 0x80));
                break;
            case 3:
                state_.brush = QBrush(QColor(0x40, 0x40, 0x40));
                break;
            case 4:
                state_.brush = QBrush(Qt::black);
                break;
            case 5:
                state_.brush = QBrush(Qt::NoBrush);
                break;
            case 6:
                state_.pen = draw::MakePen(PS_SOLID, 0, clWhite);
                break;
            case 7:
                state_.pen = draw::MakePen(PS_SOLID, 0, clBlack);
                break;
            case 8:
                state_.pen = QPen(Qt::NoPen);
                break;
            case 10:
            case 11:
            case 12:
            case 13:
            case 14:
            case 16:
            case 17:
                state_.hasFont = false;
                break;
            default:
                break;
            }
            return;
        }
        if (index >= objects_.size()) return;
        const Object& object = objects_[index];
        if (const auto* pen = std::get_if<PenRecord>(&object))
            state_.pen = draw::MakePen(pen->style, pen->width, pen->color);
        else if (const auto* brush = std::get_if<BrushRecord>(&object))
            state_.brush = draw::MakeBrush(brush->style, brush->color, brush->hatch);
        else if (const auto* font = std::get_if<FontRecord>(&object)) {
            state_.font = font->font;
            state_.hasFont = true;
        }
    }

    void Store(std::uint32_t index, Object object) {
        if (index < objects_.size()) objects_[index] = std::move(object);
    }

    QFont CurrentFont() {
        if (!state_.hasFont) return MakeQFont(QStringLiteral("Arial"), 16, 700, false, false, false);
        const LogFont& f = state_.font;
        std::int64_t pixels = f.height == 0 ? 12 : std::abs(std::int64_t(f.height));
        pixels = std::clamp<std::int64_t>(pixels, 1, kMaxFontPixels);
        QFont font =
            MakeQFont(f.faceName, int(pixels), f.weight, f.italic != 0, f.underline != 0, f.strikeOut != 0);
        if (f.height > 0) {
            // A positive height is the cell height: scale the em so that ascent + descent fits it.
            const int cell = QFontMetrics(font).height();
            if (cell > 0) font.setPixelSize(std::max(1, int(std::lround(double(pixels) * pixels / cell))));
        }
        return font;
    }

    void PlayText(const TextRecord& text) {
        if (text.options & ETO_GLYPH_INDEX) return; // glyph numbers of a font we do not have
        shaper_.SetFont(CurrentFont());
        std::vector<std::int32_t> advances = text.dx;
        if (advances.size() != std::size_t(text.text.size())) advances = shaper_.Advances(text.text);
        draw::TextCall call;
        const bool updateCp = state_.textAlign & 1;
        call.reference = updateCp ? state_.current : ClampPoint(text.reference.x(), text.reference.y());
        call.align = state_.textAlign;
        call.options = text.options & (ETO_OPAQUE | ETO_CLIPPED);
        if (!(text.options & ETO_NO_RECT))
            call.rect = ClipRect(text.rect);
        else
            call.options = 0;
        call.textColor = ToQColor(state_.textColor);
        call.backgroundFill = ToQColor(state_.backgroundColor);
        if (state_.backgroundMode == OPAQUE) call.background = ToQColor(state_.backgroundColor);
        call.escapement = state_.hasFont ? state_.font.escapement % 3600 : 0;
        const int width = draw::DrawText(painter_, shaper_, call, text.text, advances);
        if (updateCp) {
            const std::uint32_t h = state_.textAlign & TA_HORIZONTAL_MASK;
            if (h == TA_LEFT)
                state_.current.rx() = Clamp(std::int64_t(state_.current.x()) + width);
            else if (h == TA_RIGHT)
                state_.current.rx() = Clamp(std::int64_t(state_.current.x()) - width);
        }
    }

    void PlayBitmap(const BitmapRecord& b) {
        if (b.image.isNull()) return;
        const double srcTop = b.bottomUp ? double(b.image.height()) - b.ySrc - b.cySrc : double(b.ySrc);
        const QRectF source(b.xSrc, srcTop, b.cxSrc, b.cySrc);
        const QRectF target(Clamp(b.xDest), Clamp(b.yDest), Clamp(b.cxDest), Clamp(b.cyDest));
        if (source.isEmpty() || target.width() == 0 || target.height() == 0) return;
        painter_.drawImage(target, b.image, source.intersected(QRectF(b.image.rect())));
    }

    void PlayClipRegion(const ClipRegionRecord& clip) {
        if (clip.rects.empty()) {
            ResetClip();
            return;
        }
        QRegion region;
        for (const RectL& r : clip.rects)
            region += ClipRect(r);
        // Region rectangles are in reference-device pixels.
        painter_.setTransform(deviceToTarget_ * base_);
        const QRegion everything(
            QRect(-kCoordinateLimit, -kCoordinateLimit, 2 * kCoordinateLimit, 2 * kCoordinateLimit));
        const QRegion current = painter_.hasClipping() ? painter_.clipRegion() : everything;
        switch (clip.mode) {
        case RGN_AND:
            painter_.setClipRegion(region, Qt::IntersectClip);
            break;
        case 2:
            painter_.setClipRegion(current.united(region), Qt::ReplaceClip);
            break;
        case 3:
            painter_.setClipRegion(current.xored(region), Qt::ReplaceClip);
            break;
        case 4:
            painter_.setClipRegion(current.subtracted(region), Qt::ReplaceClip);
            break;
        default:
            painter_.setTransform(base_);
            if (initialClip_) painter_.setClipPath(*initialClip_, Qt::ReplaceClip);
            painter_.setTransform(deviceToTarget_ * base_);
            painter_.setClipRegion(region, initialClip_ ? Qt::IntersectClip : Qt::ReplaceClip);
            break;
        }
        ApplyTransform();
    }

    void Play(const Record& record) {
        const RecordData& data = record.data;
        switch (record.type) {
        case EMR_SETBKMODE:
            state_.backgroundMode = std::get<ValueRecord>(data).value;
            break;
        case EMR_SETTEXTALIGN:
            state_.textAlign = std::get<ValueRecord>(data).value;
            break;
        case EMR_SETTEXTCOLOR:
            state_.textColor = std::get<ValueRecord>(data).value & 0xFFFFFF;
            break;
        case EMR_SETBKCOLOR:
            state_.backgroundColor = std::get<ValueRecord>(data).value & 0xFFFFFF;
            break;
        case EMR_SETPOLYFILLMODE:
            state_.fillRule = std::get<ValueRecord>(data).value == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            break;
        case EMR_SETMAPMODE: {
            const std::uint32_t mode = std::get<ValueRecord>(data).value;
            if (mode >= 1 && mode <= 8) state_.mapMode = mode;
            ApplyTransform();
            break;
        }
        case EMR_SETWINDOWEXTEX:
        case EMR_SETWINDOWORGEX:
        case EMR_SETVIEWPORTEXTEX:
        case EMR_SETVIEWPORTORGEX: {
            const auto& p = std::get<PointRecord>(data);
            const QPointF point(Clamp(p.x), Clamp(p.y));
            if (record.type == EMR_SETWINDOWEXTEX) state_.windowExt = QSizeF(point.x(), point.y());
            if (record.type == EMR_SETWINDOWORGEX) state_.windowOrg = point;
            if (record.type == EMR_SETVIEWPORTEXTEX) state_.viewportExt = QSizeF(point.x(), point.y());
            if (record.type == EMR_SETVIEWPORTORGEX) state_.viewportOrg = point;
            ApplyTransform();
            break;
        }
        case EMR_SAVEDC:
            Save();
            break;
        case EMR_RESTOREDC: {
            const auto relative = std::int32_t(std::get<ValueRecord>(data).value);
            for (std::int64_t i = 0; i < -std::int64_t(relative) && depth_ > 0; ++i)
                Restore();
            ApplyTransform();
            break;
        }
        case EMR_SELECTOBJECT:
            SelectObject(std::get<ValueRecord>(data).value);
            break;
        case EMR_DELETEOBJECT: {
            const std::uint32_t index = std::get<ValueRecord>(data).value;
            if (!(index & STOCK_OBJECT)) Store(index, std::monostate{});
            break;
        }
        case EMR_CREATEPEN:
        case EMR_EXTCREATEPEN:
            Store(std::get<PenRecord>(data).index, std::get<PenRecord>(data));
            break;
        case EMR_CREATEBRUSHINDIRECT:
            Store(std::get<BrushRecord>(data).index, std::get<BrushRecord>(data));
            break;
        case EMR_EXTCREATEFONTINDIRECTW:
            Store(std::get<FontRecord>(data).index, std::get<FontRecord>(data));
            break;
        case EMR_MOVETOEX: {
            const auto& p = std::get<PointRecord>(data);
            state_.current = ClampPoint(p.x, p.y);
            break;
        }
        case EMR_LINETO: {
            const auto& p = std::get<PointRecord>(data);
            const QPoint to = ClampPoint(p.x, p.y);
            painter_.setPen(state_.pen);
            draw::DrawLine(painter_, state_.current, to);
            state_.current = to;
            break;
        }
        case EMR_RECTANGLE:
        case EMR_ELLIPSE:
        case EMR_ROUNDRECT: {
            const auto& b = std::get<BoxRecord>(data);
            const QRectF shape =
                draw::ShapeRect(Clamp(b.box.left), Clamp(b.box.top), Clamp(b.box.right), Clamp(b.box.bottom));
            painter_.setPen(state_.pen);
            painter_.setBrush(state_.brush);
            if (record.type == EMR_RECTANGLE)
                draw::DrawRect(painter_, shape);
            else if (record.type == EMR_ELLIPSE)
                draw::DrawEllipse(painter_, shape);
            else
                draw::DrawRoundedRect(painter_, shape, std::abs(Clamp(b.corner.cx)) / 2.0,
                                      std::abs(Clamp(b.corner.cy)) / 2.0);
            break;
        }
        case EMR_POLYLINE:
        case EMR_POLYLINE16:
        case EMR_POLYGON:
        case EMR_POLYGON16: {
            QPolygon polygon;
            for (const QPoint& p : std::get<PolyRecord>(data).points)
                polygon << ClampPoint(p.x(), p.y());
            painter_.setPen(state_.pen);
            const std::span<const QPoint> points(polygon.constData(), std::size_t(polygon.size()));
            if (record.type == EMR_POLYLINE || record.type == EMR_POLYLINE16) {
                draw::DrawPolyline(painter_, points);
            } else {
                painter_.setBrush(state_.brush);
                draw::DrawPolygon(painter_, points, state_.fillRule);
            }
            break;
        }
        case EMR_EXTTEXTOUTW:
        case EMR_EXTTEXTOUTA:
            PlayText(std::get<TextRecord>(data));
            break;
        case EMR_STRETCHDIBITS:
            PlayBitmap(std::get<BitmapRecord>(data));
            break;
        case EMR_INTERSECTCLIPRECT:
            painter_.setClipRect(ClipRect(std::get<BoxRecord>(data).box), Qt::IntersectClip);
            break;
        case EMR_EXCLUDECLIPRECT: {
            const QRegion everything(
                QRect(-kCoordinateLimit, -kCoordinateLimit, 2 * kCoordinateLimit, 2 * kCoordinateLimit));
            const QRegion current = painter_.hasClipping() ? painter_.clipRegion() : everything;
            painter_.setClipRegion(current.subtracted(ClipRect(std::get<BoxRecord>(data).box)),
                                   Qt::ReplaceClip);
            break;
        }
        case EMR_EXTSELECTCLIPRGN:
            PlayClipRegion(std::get<ClipRegionRecord>(data));
            break;
        default:
            break;
        }
    }

    QPainter& painter_;
    const MetafileContent& content_;
    QTransform base_;
    QTransform deviceToTarget_;
    std::optional<QPainterPath> initialClip_;
    std::vector<Object> objects_;
    DcState state_;
    std::vector<DcState> saved_;
    int depth_ = 0;
    draw::TextShaper shaper_;
};

} // namespace

void PlayMetafile(QPainter& painter, const emf::MetafileContent& content, const QSizeF& pictureSize,
                  const QRectF& target) {
    const emf::Header& h = content.header;
    const double pxPerMmX = double(h.device.cx) / h.millimeters.cx;
    const double pxPerMmY = double(h.device.cy) / h.millimeters.cy;
    const double frameLeft = h.frame.left / 100.0 * pxPerMmX;
    const double frameTop = h.frame.top / 100.0 * pxPerMmY;
    double width = pictureSize.width();
    double height = pictureSize.height();
    if (width <= 0 || height <= 0) {
        width = (double(h.frame.right) - h.frame.left) / 100.0 * pxPerMmX;
        height = (double(h.frame.bottom) - h.frame.top) / 100.0 * pxPerMmY;
    }
    if (!(width > 0) || !(height > 0) || target.isEmpty()) return;
    QTransform deviceToTarget;
    deviceToTarget.translate(target.left(), target.top());
    deviceToTarget.scale(target.width() / width, target.height() / height);
    deviceToTarget.translate(-frameLeft, -frameTop);

    painter.save();
    Player(painter, content, deviceToTarget).Run();
    painter.restore();
}

} // namespace quorvel
