#pragma once

#include "platform/Brush.h"
#include "platform/CanvasDraw.h"
#include "platform/CanvasTypes.h"
#include "platform/Font.h"
#include "platform/Pen.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class QPainter;

namespace quorvel {

class TMetafile;

// Whether text calls fill the text's cell behind the glyphs. Even when opaque, a clear brush
// (bsClear) leaves the background alone.
enum class TBkMode : std::uint8_t { bkOpaque, bkTransparent };

// A drawing surface in device pixels with a font, a pen and a brush. Shapes take exclusive right and
// bottom edges: Rectangle(0, 0, 10, 5) outlines the pixels 0..9 across and 0..4 down. Text is placed
// from integer advances measured by Qt's font engine at the canvas's resolution, so a text measures
// the same on every back-end. Two back-ends: TMetafileCanvas records a page picture and TPainterCanvas
// draws on a painter (printer or screen).
class TCanvas {
public:
    explicit TCanvas(int pixelsPerInch);
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    int PixelsPerInch() const noexcept { return pixelsPerInch_; }

    TFont& Font() noexcept { return font_; }
    const TFont& Font() const noexcept { return font_; }
    void SetFont(const TFont& font) { font_ = font; }
    TPen& Pen() noexcept { return pen_; }
    const TPen& Pen() const noexcept { return pen_; }
    void SetPen(const TPen& pen) { pen_ = pen; }
    TBrush& Brush() noexcept { return brush_; }
    const TBrush& Brush() const noexcept { return brush_; }
    void SetBrush(const TBrush& brush) { brush_ = brush; }

    // TA_* flags: which point of the text box a text call's position names (default left, top).
    std::uint32_t TextAlign() const noexcept { return textAlign_; }
    void SetTextAlign(std::uint32_t flags) noexcept { textAlign_ = flags; }
    TBkMode BkMode() const noexcept { return bkMode_; }
    void SetBkMode(TBkMode mode) noexcept { bkMode_ = mode; }

    void TextOut(int x, int y, const QString& text);
    // Text at (x, y) clipped to the rectangle; a brush that is not clear fills the rectangle first.
    void TextRect(const TRect& rect, int x, int y, const QString& text);
    int TextWidth(const QString& text);
    // Height of the font's character cell (ascent + descent), whatever the text.
    int TextHeight(const QString& text);
    QSize TextExtent(const QString& text);
    const draw::TextMetrics& TextMetrics();
    // The advance of every UTF-16 unit, as text calls place them.
    std::vector<std::int32_t> CharacterAdvances(const QString& text);

    void MoveTo(int x, int y) noexcept { penPos_ = QPoint(x, y); }
    void LineTo(int x, int y);
    QPoint PenPos() const noexcept { return penPos_; }
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    // Fills with the brush only; the pen is not used.
    void FillRect(const TRect& rect);
    void Ellipse(int left, int top, int right, int bottom);
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void Polyline(std::span<const QPoint> points);
    void Polygon(std::span<const QPoint> points);
    void StretchDraw(const TRect& rect, const QImage& image);
    void StretchDraw(const TRect& rect, const TMetafile& picture);

    // Narrows the clipping to a rectangle; ResetClip draws everywhere again.
    void IntersectClipRect(const TRect& rect);
    void ResetClip();
    // Saves clipping, font, pen, brush and text settings; RestoreState brings the last save back.
    // An unmatched RestoreState does nothing.
    void SaveState();
    void RestoreState();

protected:
    enum class ShapeKind : std::uint8_t { Rectangle, Ellipse, RoundRect };

    // Back-end operations. Font, pen and brush are read from the canvas when they are called.
    virtual void DoText(const draw::TextCall& call, QStringView text, std::span<const std::int32_t> advances,
                        const QRect& box) = 0;
    virtual void DoLine(QPoint from, QPoint to) = 0;
    virtual void DoShape(ShapeKind kind, const TRect& rect, QSize corner) = 0;
    virtual void DoFillRect(const TRect& rect) = 0;
    virtual void DoPoly(std::span<const QPoint> points, bool closed) = 0;
    virtual void DoStretchImage(const TRect& rect, const QImage& image) = 0;
    virtual void DoStretchPicture(const TRect& rect, const TMetafile& picture) = 0;
    virtual void DoIntersectClip(const TRect& rect) = 0;
    virtual void DoResetClip() = 0;
    virtual void DoSave() = 0;
    virtual void DoRestore() = 0;

    // The shaper holding the canvas font at the canvas resolution.
    draw::TextShaper& Shaper();

private:
    struct SavedState {
        TFont font;
        TPen pen;
        TBrush brush;
        std::uint32_t textAlign;
        TBkMode bkMode;
    };
    void DrawText(const TRect* rect, int x, int y, const QString& text);

    int pixelsPerInch_;
    TFont font_;
    TPen pen_;
    TBrush brush_;
    std::uint32_t textAlign_ = TA_LEFT | TA_TOP;
    TBkMode bkMode_ = TBkMode::bkOpaque;
    QPoint penPos_;
    std::vector<SavedState> saved_;
    // A shaper per face, size and style met, the latest first: a report alternates between a few
    // fonts band by band, and building a shaper's fonts again at each switch costs more than the text.
    struct ShapedFont {
        QString name;
        int size = 0;
        TFontStyles style;
        std::unique_ptr<draw::TextShaper> shaper;
    };
    static constexpr std::size_t kShapedFontsKept = 8;
    std::vector<ShapedFont> shaped_;
};

} // namespace quorvel
