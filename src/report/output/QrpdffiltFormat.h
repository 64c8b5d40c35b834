#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <string>

// Number texts of the PDF writer, always with "." whatever the user's locale (std::to_chars ignores
// the locale, unlike printf).
namespace quorvel::pdf {

// printf's "%W.Pf".
inline std::string Fixed(double v, int decimals, int width = 0) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string text(buf, r.ptr);
    if (text.starts_with("-0") && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

// "%d" of a real: the value cut towards zero.
inline std::string Int(double v) {
    if (!std::isfinite(v)) return "0";
    return std::to_string(static_cast<long long>(v));
}

// A length in points with at most two decimals and no trailing zeros ("28.5", "784", "0.75").
inline std::string Points(double v) {
    std::string text = Fixed(v, 2);
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

// "%-W.Wd": at least W digits, zero-padded.
inline std::string Digits(long long v, int width) {
    std::string text = std::to_string(v < 0 ? -v : v);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return v < 0 ? "-" + text : text;
}

// "%4.2f %4.2f %4.2f" of the three components ÷ 255, trimmed.
inline std::string Color(const std::array<unsigned char, 3>& rgb) {
    // Written into one buffer: every text item and shape asks for its colour.
    char buf[32];
    char* end = buf;
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        if (i > 0) *end++ = ' ';
        end = std::to_chars(end, buf + sizeof buf, rgb[i] / 255.0, std::chars_format::fixed, 2).ptr;
    }
    return std::string(buf, end);
}

inline std::string Trim(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace quorvel::pdf
