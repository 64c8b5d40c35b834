#pragma once

#include "platform/Brush.h"
#include "platform/CanvasTypes.h"

#include <QBrush>
#include <QFont>
#include <QPen>
#include <QRawFont>
#include <QRectF>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QPainter;
class QTransform;

// Drawing shared by the painter canvas and the picture player, so that a page drawn straight onto a
// painter and the same page recorded and played back come out alike. Styles and flags are the
// metafile's numbers.
namespace quorvel::draw {

// A metafile pen (style, width in logical units, colour reference) as a Qt pen. Widths of 0 and 1
// draw one device pixel at every scale.
QPen MakePen(std::uint32_t style, std::int32_t width, TColor color);
// A metafile brush (style, colour reference, hatch) as a Qt brush; a null brush gives Qt::NoBrush.
QBrush MakeBrush(std::uint32_t style, TColor color, std::uint32_t hatch);
// The metafile brush style that draws a canvas brush of the given style.
std::uint32_t BrushStyleCode(TBrushStyle style);

// The rectangle Qt must stroke so that a shape given by exclusive edges (l, t, r, b) covers the
// pixels l .. r − 1 and t .. b − 1 like the drawing calls promise.
QRectF ShapeRect(int left, int top, int right, int bottom);

// Integer metrics of a font, from Qt's font engine.
struct TextMetrics {
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int averageCharWidth = 0;
    int maxCharWidth = 0;
};

// Places text the same way in every back-end: glyph positions come from integer advances (one per
// UTF-16 unit, the second unit of a surrogate pair advancing 0), found by rounding the running sum
// of the font's own advances.
class TextShaper {
public:
    void SetFont(const QFont& font);
    const QFont& Font() const noexcept { return font_; }
    const TextMetrics& Metrics() const noexcept { return metrics_; }
    std::vector<std::int32_t> Advances(QStringView text);
    int Width(QStringView text);
    // The font's own, unrounded advance of every UTF-16 unit (0 for the second unit of a surrogate
    // pair). Advances are these summed from the left and rounded, so a caller that keeps the running
    // sum itself can measure a growing text without measuring it again.
    std::vector<double> FractionalAdvances(QStringView text);

    // Draws text whose first glyph origin is `origin` (on the baseline), glyphs at the given advances.
    void Draw(QPainter& painter, QPointF origin, QStringView text, std::span<const std::int32_t> advances,
              const QColor& color);

private:
    struct ResolvedGlyph {
        const QRawFont* font;
        std::uint32_t glyph;
    };
    static std::uint32_t GlyphIn(const QRawFont& font, QStringView text, qsizetype at, qsizetype units);
    ResolvedGlyph Resolve(QStringView text, qsizetype at, qsizetype units);
    const QRawFont& Fallback();
    bool UseGlyphCache(const QTransform& transform) const;

    // The unrounded advance of the character of `units` UTF-16 units at `at`.
    double GlyphAdvance(QStringView text, qsizetype at, qsizetype units);

    QFont font_;
    QRawFont raw_;
    QRawFont fallbackRaw_; // a family with broad coverage for characters the font lacks
    bool fallbackMade_ = false;
    TextMetrics metrics_;
    bool hasFont_ = false;
    // Advances of the first 256 code points in the current font, filled as they are first met:
    // report text is nearly all Latin-1, and asking the font engine glyph by glyph is slow.
    std::array<double, 256> latinAdvance_{};
    std::array<bool, 256> latinKnown_{};
};

// One text call as both back-ends draw it: the reference point means what the TA_* alignment says;
// options are ETO_* flags with their rectangle; an opaque background fills the text's cell.
struct TextCall {
    QPoint reference;
    std::uint32_t align = TA_LEFT | TA_TOP;
    std::uint32_t options = 0;
    QRect rect; // ETO_OPAQUE / ETO_CLIPPED rectangle (exclusive edges)
    std::optional<QColor> background;
    QColor textColor = Qt::black;
    QColor backgroundFill = Qt::white; // for ETO_OPAQUE
    int escapement = 0;                // tenths of a degree, counter-clockwise
};

// The cell box a text call covers (before clipping), in the coordinates of its reference point.
QRect TextBox(const TextCall& call, int width, const TextMetrics& metrics);

// Draws one text call and returns its total advance.
int DrawText(QPainter& painter, TextShaper& shaper, const TextCall& call, QStringView text,
             std::span<const std::int32_t> advances);

} // namespace quorvel::draw
