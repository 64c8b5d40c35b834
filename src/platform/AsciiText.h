#pragma once

#include <string_view>

namespace quorvel {

// Equality of names and keywords that ignores the case of ASCII letters only: bytes above 0x7F are
// code-page characters and compare exactly.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The text without the ASCII white space (blank, tab, line breaks, form feed) around it; code-page
// characters such as the no-break space are kept.
constexpr std::string_view TrimAsciiSpace(std::string_view text) noexcept {
    constexpr std::string_view kSpace = " \t\n\v\f\r";
    const std::size_t begin = text.find_first_not_of(kSpace);
    if (begin == std::string_view::npos) return {};
    return text.substr(begin, text.find_last_not_of(kSpace) - begin + 1);
}

// A spreadsheet that opens a text cell beginning with one of these characters runs it as a formula
// ("=HYPERLINK(…)", "+cmd|…", "@SUM(…)"): writers of spreadsheet-bound text guard such cells.
constexpr bool StartsFormula(char16_t first) noexcept {
    switch (first) {
    case u'=':
    case u'+':
    case u'-':
    case u'@':
    case u'\t':
    case u'\r':
        return true;
    default:
        return false;
    }
}

} // namespace quorvel
