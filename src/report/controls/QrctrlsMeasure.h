#pragma once

#include "platform/CanvasDraw.h"
#include "platform/Font.h"

#include <QHash>
#include <QStringView>

#include <array>
#include <cmath>

namespace quorvel {

// Measures text in one font exactly as the report's screen-compatible reference context does, but
// from the unrounded advance of each character, kept once measured. A line that grows word by word
// is then measured by extending its running advance instead of measuring the whole line again.
class TTextMeasure {
public:
    TTextMeasure(const TFont& font, int pixelsPerInch);
    TTextMeasure(const TTextMeasure&) = delete;
    TTextMeasure& operator=(const TTextMeasure&) = delete;

    const TFont& Font() const noexcept { return font_; }
    int PixelsPerInch() const noexcept { return pixelsPerInch_; }

    // The running advance after the text, starting from `running` (the advance of what precedes it).
    double Extend(double running, QStringView text);
    // The report's measure of a text whose running advance is `running`: its width plus 1.
    static int TextWidth(double running) noexcept { return int(std::llround(running)) + 1; }
    int TextWidth(QStringView text) { return TextWidth(Extend(0, text)); }
    // The height of the font's character cell.
    int TextHeight() const noexcept { return shaper_.Metrics().height; }

private:
    double Advance(QStringView text, qsizetype at, qsizetype units);

    TFont font_;
    int pixelsPerInch_;
    draw::TextShaper shaper_;
    std::array<double, 256> latin_{};
    std::array<bool, 256> latinKnown_{};
    QHash<char32_t, double> others_;
};

} // namespace quorvel
