#include "report/output/ExportCharacters.h"

#include <algorithm>

namespace quorvel {

QString WithoutStrayControls(const QString& text) {
    const auto stray = [](QChar c) { return IsStrayControl(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), stray)) return text;
    QString clean = text;
    clean.removeIf(stray);
    return clean;
}

} // namespace quorvel
