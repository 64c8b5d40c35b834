#include "platform/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace quorvel {
namespace {

void TrimTrailingZeros(std::string& digits) {
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
}

struct Token {
    enum class Kind { Digit, Point, Literal, Exponent };
    Kind kind;
    char placeholder = '0'; // '0' or '#' for digits
    std::string text;       // literal text; for an exponent "+" or "-" and the digit count
    int exponentDigits = 0;
};

struct Section {
    std::vector<Token> tokens;
    int integerPlaceholders = 0;
    int minIntegerDigits = 0;
    int fractionPlaceholders = 0;
    int minFractionDigits = 0;
    bool grouping = false;
    bool scientific = false;
};

std::vector<std::string_view> SplitSections(std::string_view format) {
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(start));
    return sections;
}

Section ParseSection(std::string_view text) {
    Section s;
    bool point = false;
    bool seenIntegerZero = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = text.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end;
            s.tokens.push_back({Token::Kind::Literal, 0, std::string(text.substr(i + 1, stop - i - 1)), 0});
            i = stop;
        } else if (c == '0' || c == '#') {
            s.tokens.push_back({Token::Kind::Digit, c, {}, 0});
            if (!point) {
                ++s.integerPlaceholders;
                if (c == '0') seenIntegerZero = true;
                if (seenIntegerZero) ++s.minIntegerDigits;
            } else {
                ++s.fractionPlaceholders;
                if (c == '0') s.minFractionDigits = s.fractionPlaceholders;
            }
        } else if (c == '.') {
            if (!point) {
                point = true;
                s.tokens.push_back({Token::Kind::Point, 0, {}, 0});
            }
        } else if (c == ',') {
            if (!point) s.grouping = true;
        } else if ((c == 'E' || c == 'e') && i + 1 < text.size() &&
                   (text[i + 1] == '+' || text[i + 1] == '-')) {
            Token t{Token::Kind::Exponent, 0, std::string(1, text[i + 1]), 0};
            i += 2;
            while (i < text.size() && text[i] == '0') {
                ++t.exponentDigits;
                ++i;
            }
            --i;
            s.scientific = true;
            s.tokens.push_back(std::move(t));
        } else {
            s.tokens.push_back({Token::Kind::Literal, 0, std::string(1, c), 0});
        }
    }
    return s;
}

void AppendInteger(std::string& out, const std::string& digits, std::size_t from, std::size_t to,
                   bool grouping, char thousands) {
    const std::size_t length = digits.size();
    for (std::size_t i = from; i < to; ++i) {
        out.push_back(digits[i]);
        const std::size_t after = length - 1 - i;
        if (grouping && after > 0 && after % 3 == 0) out.push_back(thousands);
    }
}

std::string FormatSectionText(const Section& s, NumberDigits value, bool withSign,
                              const FormatSettings& settings) {
    int exponent = 0;
    if (s.scientific) {
        const int leading = std::max(1, s.integerPlaceholders);
        if (!value.IsZero()) {
            exponent = value.Exponent - leading;
            value.Exponent = leading;
        }
    }
    value.RoundToPlaces(s.fractionPlaceholders);
    if (s.scientific && !value.IsZero() && value.Exponent > std::max(1, s.integerPlaceholders)) {
        // Rounding carried into a new digit (9.99 -> 10.0): shift back by one.
        value.Exponent -= 1;
        exponent += 1;
    }
    std::string integer;
    std::string fraction;
    if (!value.IsZero()) {
        if (value.Exponent > 0) {
            const auto digits = static_cast<int>(value.Digits.size());
            for (int i = 0; i < value.Exponent; ++i)
                integer.push_back(i < digits ? value.Digits[i] : '0');
            if (digits > value.Exponent)
                fraction = value.Digits.substr(static_cast<std::size_t>(value.Exponent));
        } else {
            fraction = std::string(static_cast<std::size_t>(-value.Exponent), '0') + value.Digits;
        }
    }
    if (static_cast<int>(fraction.size()) > s.fractionPlaceholders) fraction.resize(s.fractionPlaceholders);
    while (static_cast<int>(fraction.size()) < s.minFractionDigits)
        fraction.push_back('0');
    if (static_cast<int>(integer.size()) < s.minIntegerDigits)
        integer.insert(0, static_cast<std::size_t>(s.minIntegerDigits - static_cast<int>(integer.size())),
                       '0');

    std::string out;
    if (withSign && value.Negative && !value.IsZero()) out.push_back('-');
    const int length = static_cast<int>(integer.size());
    const int shift = s.integerPlaceholders - length; // placeholder k shows digit k - shift
    int integerPlaceholder = 0;
    int fractionPlaceholder = 0;
    bool integerShown = false;
    auto showIntegerIfNoPlaceholders = [&] {
        if (!integerShown && s.integerPlaceholders == 0) {
            AppendInteger(out, integer, 0, integer.size(), s.grouping, settings.ThousandSeparator);
            integerShown = true;
        }
    };
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case Token::Kind::Digit:
            if (fractionPlaceholder == 0 && integerPlaceholder < s.integerPlaceholders) {
                const int k = integerPlaceholder++;
                if (k == 0 && shift < 0) {
                    AppendInteger(out, integer, 0, static_cast<std::size_t>(-shift + 1), s.grouping,
                                  settings.ThousandSeparator);
                } else if (k - shift >= 0) {
                    AppendInteger(out, integer, static_cast<std::size_t>(k - shift),
                                  static_cast<std::size_t>(k - shift + 1), s.grouping,
                                  settings.ThousandSeparator);
                }
                integerShown = true;
            } else {
                const int j = fractionPlaceholder++;
                if (j < static_cast<int>(fraction.size())) out.push_back(fraction[j]);
            }
            break;
        case Token::Kind::Point:
            showIntegerIfNoPlaceholders();
            if (!fraction.empty()) out.push_back(settings.DecimalSeparator);
            // Any later digit placeholder belongs to the fraction.
            integerPlaceholder = s.integerPlaceholders;
            if (s.fractionPlaceholders == 0) fractionPlaceholder = 0;
            break;
        case Token::Kind::Exponent: {
            showIntegerIfNoPlaceholders();
            out.push_back('E');
            if (exponent < 0)
                out.push_back('-');
            else if (t.text == "+")
                out.push_back('+');
            std::string e = std::to_string(std::abs(exponent));
            while (static_cast<int>(e.size()) < t.exponentDigits)
                e.insert(0, 1, '0');
            out += e;
            break;
        }
        case Token::Kind::Literal:
            out += t.text;
            break;
        }
    }
    showIntegerIfNoPlaceholders();
    return out;
}

} // namespace

NumberDigits NumberDigits::FromDouble(double value) {
    if (value == 0.0 || !std::isfinite(value)) return {};
    char buffer[40];
    // 18 significant digits: one before the point, seventeen after it (the same digits as printf's
    // "%.17e", several times faster).
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::scientific, 17);
    *written.ptr = '\0';
    NumberDigits n;
    const char* p = buffer;
    if (*p == '-') {
        n.Negative = true;
        ++p;
    }
    while (*p && *p != 'e') {
        if (*p >= '0' && *p <= '9') n.Digits.push_back(*p);
        ++p;
    }
    const int exp10 = *p == 'e' ? std::atoi(p + 1) : 0;
    n.Exponent = exp10 + 1;
    TrimTrailingZeros(n.Digits);
    return n;
}

NumberDigits NumberDigits::FromInteger(long long value) {
    return FromDecimalText(std::to_string(value));
}

NumberDigits NumberDigits::FromDecimalText(std::string_view text) {
    NumberDigits n;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        n.Negative = true;
        ++i;
    }
    std::string all;
    int integerDigits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            point = true;
        } else if (c >= '0' && c <= '9') {
            all.push_back(c);
            if (!point) ++integerDigits;
        }
    }
    std::size_t lead = 0;
    while (lead < all.size() && all[lead] == '0')
        ++lead;
    n.Exponent = integerDigits - static_cast<int>(lead);
    n.Digits = all.substr(lead);
    TrimTrailingZeros(n.Digits);
    if (n.Digits.empty()) {
        n.Negative = false;
        n.Exponent = 0;
    }
    return n;
}

void NumberDigits::RoundToPlaces(int places) {
    if (Digits.empty()) return;
    const int keep = Exponent + places;
    if (keep >= static_cast<int>(Digits.size())) return;
    if (keep < 0) {
        *this = {};
        return;
    }
    const bool up = Digits[static_cast<std::size_t>(keep)] >= '5';
    Digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && Digits[static_cast<std::size_t>(i)] == '9') {
            Digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++Digits[static_cast<std::size_t>(i)];
        } else {
            Digits.insert(0, 1, '1');
            ++Exponent;
        }
    }
    TrimTrailingZeros(Digits);
    if (Digits.empty()) *this = {};
}

std::string FormatNumber(std::string_view format, const NumberDigits& value, const FormatSettings& settings) {
    const std::vector<std::string_view> sections = SplitSections(format);
    const bool negativeSection =
        value.Negative && !value.IsZero() && sections.size() >= 2 && !sections[1].empty();
    const Section main = ParseSection(negativeSection ? sections[1] : sections[0]);

    NumberDigits rounded = value;
    rounded.RoundToPlaces(main.scientific ? 64 : main.fractionPlaceholders);
    if (rounded.IsZero() && sections.size() >= 3 && !sections[2].empty())
        return FormatSectionText(ParseSection(sections[2]), NumberDigits{}, false, settings);
    return FormatSectionText(main, value, !negativeSection, settings);
}

std::string FloatToPlainText(double value, const FormatSettings& settings) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    NumberDigits n = NumberDigits::FromDouble(value);
    // Fifteen significant digits.
    n.RoundToPlaces(15 - n.Exponent);
    if (n.IsZero()) return "0";
    std::string out = n.Negative ? "-" : "";
    if (n.Exponent > 15 || n.Exponent < -4) {
        out.push_back(n.Digits[0]);
        if (n.Digits.size() > 1) {
            out.push_back(settings.DecimalSeparator);
            out.append(n.Digits, 1);
        }
        out.push_back('E');
        out += std::to_string(n.Exponent - 1);
        return out;
    }
    if (n.Exponent <= 0) {
        out.push_back('0');
        out.push_back(settings.DecimalSeparator);
        out.append(static_cast<std::size_t>(-n.Exponent), '0');
        out += n.Digits;
        return out;
    }
    for (int i = 0; i < n.Exponent; ++i)
        out.push_back(i < static_cast<int>(n.Digits.size()) ? n.Digits[i] : '0');
    if (static_cast<int>(n.Digits.size()) > n.Exponent) {
        out.push_back(settings.DecimalSeparator);
        out.append(n.Digits, static_cast<std::size_t>(n.Exponent));
    }
    return out;
}

} // namespace quorvel
