#include "report/engine/QuickrptFrame.h"

#include "platform/Canvas.h"
#include "platform/Rounding.h"

namespace quorvel {

int TQRFrame::NativeWidth() const noexcept {
    return RoundHalfEven(Width * 254.0 / 72.0);
}

int TQRFrame::Thickness(double factor) const noexcept {
    if (Width == -1) return 1;
    const int thickness = RoundHalfEven(factor / 72.0 * 254.0 * Width);
    return thickness < 1 && Width > 0 ? 1 : thickness;
}

void TQRFrame::PaintIt(TCanvas& canvas, const TRect& rect, double verticalFactor,
                       double horizontalFactor) const {
    if (!AnyFrame()) return;
    const int ty = Thickness(verticalFactor);
    const int tx = Thickness(horizontalFactor);
    canvas.SetPen(TPen(Color, 1, Style));
    canvas.SetBrush(TBrush(Color, TBrushStyle::bsSolid));
    const auto [l, t, r, b] = rect;
    if (DrawTop) canvas.FillRect({l, t, r, t + ty});
    if (DrawBottom) canvas.FillRect({l, b - ty, r, b});
    if (DrawLeft) canvas.FillRect({l, t, l + tx, b});
    if (DrawRight) canvas.FillRect({r - tx, t, r, b});
}

const TFont& TQRStyledControl::Font() const {
    if (parentFont_)
        if (const auto* parent = dynamic_cast<const TQRStyledControl*>(Parent())) return parent->Font();
    return font_;
}

TQRBasePanel::TQRBasePanel(TComponent* owner)
    : TQRStyledControl(owner) {}

void TQRBasePanel::SetZoom(int percent) {
    zoom_ = percent;
}

} // namespace quorvel
