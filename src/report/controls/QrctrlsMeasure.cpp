#include "report/controls/QrctrlsMeasure.h"

#include <QString>

namespace quorvel {

TTextMeasure::TTextMeasure(const TFont& font, int pixelsPerInch)
    : font_(font)
    , pixelsPerInch_(pixelsPerInch) {
    shaper_.SetFont(font.ToQFont(pixelsPerInch));
}

double TTextMeasure::Advance(QStringView text, qsizetype at, qsizetype units) {
    const char16_t unit = text[at].unicode();
    if (units == 1 && unit < latin_.size()) {
        if (!latinKnown_[unit]) {
            latin_[unit] = shaper_.FractionalAdvances(text.mid(at, 1)).front();
            latinKnown_[unit] = true;
        }
        return latin_[unit];
    }
    const char32_t key = units == 2 ? QChar::surrogateToUcs4(text[at], text[at + 1]) : unit;
    const auto found = others_.constFind(key);
    if (found != others_.cend()) return *found;
    const double advance = shaper_.FractionalAdvances(text.mid(at, units)).front();
    others_.insert(key, advance);
    return advance;
}

double TTextMeasure::Extend(double running, QStringView text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        running += Advance(text, i, units);
        i += units;
    }
    return running;
}

} // namespace quorvel
