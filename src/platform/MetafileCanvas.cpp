#include "platform/MetafileCanvas.h"

#include "platform/Metafile.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

// Objects stay in the table for the whole page unless a page uses this many, which a report never
// does; then the table is emptied between saved states.
constexpr std::uint32_t kHandleLimit = 16000;
constexpr std::int64_t kMaxRasterPixels = 1 << 24;

emf::RectL Inclusive(const QRect& r) {
    return {r.left(), r.top(), r.right(), r.bottom()};
}
emf::RectL Edges(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

} // namespace

TMetafileCanvas::TMetafileCanvas(TMetafile& picture)
    : TCanvas(picture.PixelsPerInch())
    , picture_(picture) {}

TMetafileCanvas::~TMetafileCanvas() {
    Finish();
}

std::uint32_t TMetafileCanvas::NewHandle() {
    if (nextHandle_ >= kHandleLimit && saved_.empty()) {
        SelectStock(dc_.pen, emf::BLACK_PEN);
        SelectStock(dc_.brush, emf::WHITE_BRUSH);
        SelectStock(dc_.font, emf::SYSTEM_FONT);
        for (std::uint32_t index = 1; index < nextHandle_; ++index)
            writer_.DeleteObject(index);
        pens_.clear();
        brushes_.clear();
        fonts_.clear();
        nextHandle_ = 1;
    }
    const std::uint32_t handle = nextHandle_++;
    handleCount_ = std::max(handleCount_, nextHandle_);
    return handle;
}

void TMetafileCanvas::SelectStock(std::optional<std::uint32_t>& slot, std::uint32_t stock) {
    if (slot == stock) return;
    writer_.SelectObject(stock);
    slot = stock;
}

void TMetafileCanvas::SelectPen() {
    const TPen& pen = Pen();
    const PenKey key{std::uint32_t(pen.Style()), pen.Width(), pen.Color() & 0xFFFFFF};
    auto found = pens_.find(key);
    if (found == pens_.end()) {
        const std::uint32_t handle = NewHandle();
        writer_.CreatePen(handle, std::get<0>(key), std::get<1>(key), std::get<2>(key));
        found = pens_.emplace(key, handle).first;
    }
    SelectStock(dc_.pen, found->second);
}

void TMetafileCanvas::SelectBrush() {
    const TBrush& brush = Brush();
    const std::uint32_t style = draw::BrushStyleCode(brush.Style());
    const std::uint32_t hatch = style == emf::BS_HATCHED
                                    ? std::uint32_t(brush.Style()) - std::uint32_t(TBrushStyle::bsHorizontal)
                                    : 0;
    const BrushKey key{style, brush.Color() & 0xFFFFFF, hatch};
    auto found = brushes_.find(key);
    if (found == brushes_.end()) {
        const std::uint32_t handle = NewHandle();
        writer_.CreateBrush(handle, style, std::get<1>(key), hatch);
        found = brushes_.emplace(key, handle).first;
    }
    SelectStock(dc_.brush, found->second);
}

void TMetafileCanvas::SelectFont() {
    const TFont& font = Font();
    const int pixels = std::max(1, font.PixelHeight(PixelsPerInch()));
    const TFontStyles style = font.Style();
    const FontKey key{font.Name(),
                      pixels,
                      style.testFlag(TFontStyle::fsBold) ? 700 : 400,
                      style.testFlag(TFontStyle::fsItalic),
                      style.testFlag(TFontStyle::fsUnderline),
                      style.testFlag(TFontStyle::fsStrikeOut),
                      font.Charset()};
    auto found = fonts_.find(key);
    if (found == fonts_.end()) {
        emf::LogFont logFont;
        logFont.height = -pixels;
        logFont.weight = std::get<2>(key);
        logFont.italic = std::get<3>(key);
        logFont.underline = std::get<4>(key);
        logFont.strikeOut = std::get<5>(key);
        logFont.charSet = font.Charset();
        logFont.faceName = font.Name();
        const std::uint32_t handle = NewHandle();
        writer_.CreateFont(handle, logFont);
        found = fonts_.emplace(key, handle).first;
    }
    SelectStock(dc_.font, found->second);
}

void TMetafileCanvas::SetValue(std::optional<std::uint32_t>& slot, std::uint32_t value,
                               void (emf::MetafileWriter::*write)(std::uint32_t)) {
    if (slot == value) return;
    (writer_.*write)(value);
    slot = value;
}

void TMetafileCanvas::AddBounds(const QRect& rect) {
    if (rect.isEmpty()) return;
    bounds_ = bounds_ ? bounds_->united(rect) : rect;
}

int TMetafileCanvas::PenReach() const {
    return Pen().Style() == TPenStyle::psClear ? 0 : std::max(1, Pen().Width()) / 2 + 1;
}

void TMetafileCanvas::DoText(const draw::TextCall& call, QStringView text,
                             std::span<const std::int32_t> advances, const QRect& box) {
    if (finished_) return;
    SelectFont();
    SetValue(dc_.textColor, Font().Color() & 0xFFFFFF, &emf::MetafileWriter::SetTextColor);
    SetValue(dc_.textAlign, call.align, &emf::MetafileWriter::SetTextAlign);
    SetValue(dc_.backgroundMode, call.background ? emf::OPAQUE : emf::TRANSPARENT,
             &emf::MetafileWriter::SetBkMode);
    if (call.background || (call.options & emf::ETO_OPAQUE))
        SetValue(dc_.backgroundColor, FromQColor(call.backgroundFill), &emf::MetafileWriter::SetBkColor);
    const emf::RectL rect =
        (call.options & (emf::ETO_OPAQUE | emf::ETO_CLIPPED))
            ? emf::RectL{call.rect.left(), call.rect.top(), call.rect.left() + call.rect.width(),
                         call.rect.top() + call.rect.height()}
            : emf::RectL{};
    QRect drawn = box;
    if (call.options & emf::ETO_OPAQUE) drawn = drawn.united(call.rect);
    writer_.ExtTextOutW(call.reference, call.options, rect, text, advances,
                        drawn.isEmpty() ? emf::RectL{} : Inclusive(drawn));
    AddBounds(drawn);
}

void TMetafileCanvas::DoLine(QPoint from, QPoint to) {
    if (finished_) return;
    SelectPen();
    if (dc_.position != from) writer_.MoveTo(from.x(), from.y());
    writer_.LineTo(to.x(), to.y());
    dc_.position = to;
    const int reach = PenReach();
    AddBounds(QRect(from, to).normalized().adjusted(-reach, -reach, reach, reach));
}

void TMetafileCanvas::DoShape(ShapeKind kind, const TRect& rect, QSize corner) {
    if (finished_) return;
    SelectPen();
    SelectBrush();
    switch (kind) {
    case ShapeKind::Rectangle:
        writer_.Rectangle(Edges(rect));
        break;
    case ShapeKind::Ellipse:
        writer_.Ellipse(Edges(rect));
        break;
    case ShapeKind::RoundRect:
        writer_.RoundRect(Edges(rect), {corner.width(), corner.height()});
        break;
    }
    const int reach = PenReach();
    AddBounds(rect.ToQRect().normalized().adjusted(-reach, -reach, reach, reach));
}

void TMetafileCanvas::DoFillRect(const TRect& rect) {
    if (finished_ || Brush().Style() == TBrushStyle::bsClear) return;
    // A rectangle without outline covers one pixel less to the right and below, so it is widened.
    SelectBrush();
    SelectStock(dc_.pen, emf::NULL_PEN);
    writer_.Rectangle({rect.Left, rect.Top, rect.Right + 1, rect.Bottom + 1});
    AddBounds(rect.ToQRect());
}

void TMetafileCanvas::DoPoly(std::span<const QPoint> points, bool closed) {
    if (finished_) return;
    SelectPen();
    if (closed) {
        SelectBrush();
        writer_.Polygon(points);
    } else {
        writer_.Polyline(points);
    }
    QRect area;
    for (const QPoint& p : points)
        area = area.united(QRect(p, QSize(1, 1)));
    const int reach = PenReach();
    AddBounds(area.adjusted(-reach, -reach, reach, reach));
}

void TMetafileCanvas::DoStretchImage(const TRect& rect, const QImage& image) {
    if (finished_) return;
    const QRect r = rect.ToQRect().normalized();
    writer_.StretchDIBits(Inclusive(r), image);
    AddBounds(r);
}

void TMetafileCanvas::DoStretchPicture(const TRect& rect, const TMetafile& picture) {
    if (finished_ || picture.Empty()) return;
    // A picture inside a picture is kept as a bitmap of the target size (reduced if it is huge).
    const QRect r = rect.ToQRect().normalized();
    double scale = 1;
    const std::int64_t pixels = std::int64_t(r.width()) * r.height();
    if (pixels > kMaxRasterPixels) scale = std::sqrt(double(kMaxRasterPixels) / double(pixels));
    QImage raster(std::max(1, int(r.width() * scale)), std::max(1, int(r.height() * scale)),
                  QImage::Format_RGB32);
    raster.fill(Qt::white);
    {
        QPainter painter(&raster);
        picture.Play(painter, QRectF(raster.rect()));
    }
    writer_.StretchDIBits(Inclusive(r), raster);
    AddBounds(r);
}

void TMetafileCanvas::DoIntersectClip(const TRect& rect) {
    if (!finished_) writer_.IntersectClipRect(Edges(rect));
}

void TMetafileCanvas::DoResetClip() {
    if (!finished_) writer_.ResetClip();
}

void TMetafileCanvas::DoSave() {
    if (finished_) return;
    writer_.SaveDC();
    saved_.push_back(dc_);
}

void TMetafileCanvas::DoRestore() {
    if (finished_ || saved_.empty()) return;
    writer_.RestoreDC(-1);
    dc_ = saved_.back();
    saved_.pop_back();
}

void TMetafileCanvas::Finish() {
    if (finished_) return;
    if (handleCount_ > 1) {
        // Leave no created object selected, then delete them all.
        if (dc_.pen && *dc_.pen < emf::STOCK_OBJECT) writer_.SelectObject(emf::BLACK_PEN);
        if (dc_.brush && *dc_.brush < emf::STOCK_OBJECT) writer_.SelectObject(emf::WHITE_BRUSH);
        if (dc_.font && *dc_.font < emf::STOCK_OBJECT) writer_.SelectObject(emf::SYSTEM_FONT);
        for (std::uint32_t index = 1; index < nextHandle_; ++index)
            writer_.DeleteObject(index);
    }
    emf::Header header = emf::ReferenceHeader(picture_.Width(), picture_.Height(), PixelsPerInch());
    if (bounds_) header.bounds = Inclusive(*bounds_);
    header.handles = std::uint16_t(std::min<std::uint32_t>(handleCount_, 0xFFFF));
    picture_.SetRecording(writer_.Finish(header));
    finished_ = true;
}

} // namespace quorvel
