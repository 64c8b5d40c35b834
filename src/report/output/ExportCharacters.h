#pragma once

#include <QString>

namespace quorvel {

// A control character of the C0 range other than tab, carriage return and line feed. Descriptions are
// the organiser's text and may carry them; text, comma-separated, web and word-processor files must
// not (a NUL ends the text for many readers, an ESC drives a terminal that shows the file).
constexpr bool IsStrayControl(char16_t c) noexcept {
    return c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n';
}

// The text without its stray control characters; the text itself when it holds none.
QString WithoutStrayControls(const QString& text);

} // namespace quorvel
