#pragma once

#include "platform/CanvasTypes.h"
#include "platform/Component.h"
#include "platform/Font.h"
#include "platform/Pen.h"

namespace quorvel {

class TCanvas;
class TCustomQuickRep;

// The lines drawn around a report, a band or a control. Width is in points (1/72 inch).
class TQRFrame {
public:
    TColor Color = clBlack;
    bool DrawTop = false;
    bool DrawBottom = false;
    bool DrawLeft = false;
    bool DrawRight = false;
    TPenStyle Style = TPenStyle::psSolid;
    int Width = 1;

    bool AnyFrame() const noexcept { return DrawTop || DrawBottom || DrawLeft || DrawRight; }
    bool AllSides() const noexcept { return DrawTop && DrawBottom && DrawLeft && DrawRight; }
    // The frame's line width in tenths of a millimetre (Width × 254 ÷ 72, rounded).
    int NativeWidth() const noexcept;
    // Line thickness in device pixels for a device factor (pixels per tenth of a millimetre): at least
    // 1 for a positive Width, and 1 for a Width of -1.
    int Thickness(double factor) const noexcept;

    // Draws each enabled side as a filled strip inside the rectangle (device pixels).
    void PaintIt(TCanvas& canvas, const TRect& rect, double verticalFactor, double horizontalFactor) const;

    friend bool operator==(const TQRFrame&, const TQRFrame&) = default;
};

// What the report, its bands and its printable controls share: a frame, a background colour and a
// font that may follow the font of the control it is placed on (ParentFont, initially set). Setting
// the font ends the following.
class TQRStyledControl : public TControl {
public:
    explicit TQRStyledControl(TComponent* owner)
        : TControl(owner) {}

    TQRFrame& Frame() noexcept { return frame_; }
    const TQRFrame& Frame() const noexcept { return frame_; }
    void SetFrame(const TQRFrame& frame) { frame_ = frame; }

    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color) noexcept { color_ = color; }

    // Its own font, or its parent's while ParentFont is set.
    const TFont& Font() const;
    virtual void SetFont(const TFont& font) {
        font_ = font;
        parentFont_ = false;
    }
    bool ParentFont() const noexcept { return parentFont_; }
    void SetParentFont(bool parentFont) noexcept { parentFont_ = parentFont; }

private:
    TQRFrame frame_;
    TColor color_ = clWhite;
    TFont font_;
    bool parentFont_ = true;
};

// The common base of the report and its bands: a styled control with a zoom percent.
class TQRBasePanel : public TQRStyledControl {
public:
    explicit TQRBasePanel(TComponent* owner);

    std::string_view ClassName() const noexcept override { return "TQRBasePanel"; }

    int Zoom() const noexcept { return zoom_; }
    virtual void SetZoom(int percent);

private:
    int zoom_ = 100;
};

} // namespace quorvel
