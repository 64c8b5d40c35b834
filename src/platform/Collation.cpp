#include "platform/Collation.h"

#include "platform/CodePage.h"

#include <array>
#include <utility>

namespace quorvel {

TextCollator::TextCollator(const QLocale& locale, LetterCase letterCase)
    : collator_(locale) {
    collator_.setCaseSensitivity(letterCase == LetterCase::Sensitive ? Qt::CaseSensitive
                                                                     : Qt::CaseInsensitive);
    collator_.setNumericMode(false);
    collator_.setIgnorePunctuation(false);
}

int TextCollator::Compare(const QString& a, const QString& b) const {
    return collator_.compare(a, b);
}

int TextCollator::Compare(std::string_view cp1252A, std::string_view cp1252B) const {
    return collator_.compare(Cp1252ToQString(cp1252A), Cp1252ToQString(cp1252B));
}

std::optional<QLocale> LocaleFromLcid(int lcid) {
    // The identifiers a proposal file can plausibly carry; the primary language is the low ten bits.
    static constexpr std::array<std::pair<int, std::pair<QLocale::Language, QLocale::Territory>>, 10> kKnown =
        {{
            {0x0416, {QLocale::Portuguese, QLocale::Brazil}},
            {0x0816, {QLocale::Portuguese, QLocale::Portugal}},
            {0x0409, {QLocale::English, QLocale::UnitedStates}},
            {0x0809, {QLocale::English, QLocale::UnitedKingdom}},
            {0x0C0A, {QLocale::Spanish, QLocale::Spain}},
            {0x040A, {QLocale::Spanish, QLocale::Spain}},
            {0x080A, {QLocale::Spanish, QLocale::Mexico}},
            {0x040C, {QLocale::French, QLocale::France}},
            {0x0407, {QLocale::German, QLocale::Germany}},
            {0x0410, {QLocale::Italian, QLocale::Italy}},
        }};
    for (const auto& [id, locale] : kKnown)
        if (id == lcid) return QLocale(locale.first, locale.second);
    return std::nullopt;
}

bool StartsWithIgnoringCase(const QString& text, const QString& prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

bool StartsWithIgnoringCase(std::string_view cp1252Text, std::string_view cp1252Prefix) {
    return StartsWithIgnoringCase(Cp1252ToQString(cp1252Text), Cp1252ToQString(cp1252Prefix));
}

bool EqualsIgnoringCase(std::string_view cp1252A, std::string_view cp1252B) {
    return Cp1252ToQString(cp1252A).compare(Cp1252ToQString(cp1252B), Qt::CaseInsensitive) == 0;
}

} // namespace quorvel
