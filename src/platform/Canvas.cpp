#include "platform/Canvas.h"

#include <algorithm>

namespace quorvel {

TCanvas::TCanvas(int pixelsPerInch)
    : pixelsPerInch_(pixelsPerInch > 0 ? pixelsPerInch : 96) {}

TCanvas::~TCanvas() = default;

draw::TextShaper& TCanvas::Shaper() {
    // Colour and character set do not change the Qt font, so only face, size and style are compared.
    const auto same = [this](const ShapedFont& f) {
        return f.size == font_.Size() && f.style == font_.Style() && f.name == font_.Name();
    };
    if (!shaped_.empty() && same(shaped_.front())) return *shaped_.front().shaper;
    auto found = std::find_if(shaped_.begin(), shaped_.end(), same);
    if (found == shaped_.end()) {
        if (shaped_.size() == kShapedFontsKept) shaped_.pop_back();
        auto shaper = std::make_unique<draw::TextShaper>();
        shaper->SetFont(font_.ToQFont(pixelsPerInch_));
        shaped_.push_back({font_.Name(), font_.Size(), font_.Style(), std::move(shaper)});
        found = shaped_.end() - 1;
    }
    std::rotate(shaped_.begin(), found, found + 1);
    return *shaped_.front().shaper;
}

void TCanvas::DrawText(const TRect* rect, int x, int y, const QString& text) {
    draw::TextShaper& shaper = Shaper();
    const std::vector<std::int32_t> advances = shaper.Advances(text);
    draw::TextCall call;
    call.reference = QPoint(x, y);
    call.align = textAlign_;
    call.textColor = ToQColor(font_.Color());
    const bool opaque = brush_.Style() != TBrushStyle::bsClear;
    if (opaque && bkMode_ == TBkMode::bkOpaque) call.background = ToQColor(brush_.Color());
    call.backgroundFill = ToQColor(brush_.Color());
    if (rect) {
        call.rect = rect->ToQRect();
        call.options = 0x0004 /* clipped */ | (opaque ? 0x0002 /* opaque */ : 0);
    }
    std::int64_t width = 0;
    for (std::int32_t a : advances)
        width += a;
    const QRect box = draw::TextBox(call, int(std::min<std::int64_t>(width, 1 << 28)), shaper.Metrics());
    DoText(call, text, advances, rect ? box.intersected(call.rect) : box);
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    DrawText(nullptr, x, y, text);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const QString& text) {
    DrawText(&rect, x, y, text);
}

int TCanvas::TextWidth(const QString& text) {
    return Shaper().Width(text);
}

int TCanvas::TextHeight(const QString&) {
    return Shaper().Metrics().height;
}

QSize TCanvas::TextExtent(const QString& text) {
    return QSize(TextWidth(text), TextHeight(text));
}

const draw::TextMetrics& TCanvas::TextMetrics() {
    return Shaper().Metrics();
}

std::vector<std::int32_t> TCanvas::CharacterAdvances(const QString& text) {
    return Shaper().Advances(text);
}

void TCanvas::LineTo(int x, int y) {
    const QPoint to(x, y);
    DoLine(penPos_, to);
    penPos_ = to;
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    DoShape(ShapeKind::Rectangle, {left, top, right, bottom}, {});
}

void TCanvas::FillRect(const TRect& rect) {
    if (!rect.IsEmpty()) DoFillRect(rect);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    DoShape(ShapeKind::Ellipse, {left, top, right, bottom}, {});
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
    DoShape(ShapeKind::RoundRect, {left, top, right, bottom}, QSize(cornerWidth, cornerHeight));
}

void TCanvas::Polyline(std::span<const QPoint> points) {
    if (points.size() >= 2) DoPoly(points, false);
}

void TCanvas::Polygon(std::span<const QPoint> points) {
    if (points.size() >= 2) DoPoly(points, true);
}

void TCanvas::StretchDraw(const TRect& rect, const QImage& image) {
    if (!rect.IsEmpty() && !image.isNull()) DoStretchImage(rect, image);
}

void TCanvas::StretchDraw(const TRect& rect, const TMetafile& picture) {
    if (!rect.IsEmpty()) DoStretchPicture(rect, picture);
}

void TCanvas::IntersectClipRect(const TRect& rect) {
    DoIntersectClip(rect);
}

void TCanvas::ResetClip() {
    DoResetClip();
}

void TCanvas::SaveState() {
    saved_.push_back({font_, pen_, brush_, textAlign_, bkMode_});
    DoSave();
}

void TCanvas::RestoreState() {
    if (saved_.empty()) return;
    DoRestore();
    const SavedState& s = saved_.back();
    font_ = s.font;
    pen_ = s.pen;
    brush_ = s.brush;
    textAlign_ = s.textAlign;
    bkMode_ = s.bkMode;
    saved_.pop_back();
}

} // namespace quorvel
