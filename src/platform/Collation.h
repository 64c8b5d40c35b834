#pragma once

#include <QCollator>
#include <QLocale>
#include <QString>

#include <optional>
#include <string_view>

namespace quorvel {

enum class LetterCase { Sensitive, Insensitive };

// Locale-aware ordering of texts, as the table store's indexes and sorted lists need it. The default is
// Brazilian Portuguese and case-sensitive: accented letters sort with their base letter ("ação" before
// "acesso"), and lower case comes before upper case only where the letters are otherwise equal.
class TextCollator {
public:
    explicit TextCollator(const QLocale& locale = QLocale(QLocale::Portuguese, QLocale::Brazil),
                          LetterCase letterCase = LetterCase::Sensitive);

    // Negative, zero or positive as a sorts before, equal to, or after b.
    int Compare(const QString& a, const QString& b) const;
    // The same for single-byte code-page texts, as the store keeps them.
    int Compare(std::string_view cp1252A, std::string_view cp1252B) const;

    QLocale Locale() const { return collator_.locale(); }

private:
    QCollator collator_;
};

// The locale a numeric locale identifier (as datapacket files carry it) names, or nothing when the
// identifier is not one this program knows; callers then keep their default collation.
std::optional<QLocale> LocaleFromLcid(int lcid);

// True when text begins with prefix, letters compared without regard to case (accented letters
// included: "ÉPOCA" begins with "ép"). An empty prefix matches every text. Used by locate with a
// partial key.
bool StartsWithIgnoringCase(const QString& text, const QString& prefix);
bool StartsWithIgnoringCase(std::string_view cp1252Text, std::string_view cp1252Prefix);

// Whole-text equality without regard to case, for locate without a partial key.
bool EqualsIgnoringCase(std::string_view cp1252A, std::string_view cp1252B);

} // namespace quorvel
