#include "platform/Font.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace quorvel {

int TFont::PixelHeight(int pixelsPerInch) const noexcept {
    return int(std::lround(double(size_) * pixelsPerInch / 72.0));
}

void TFont::SetPixelHeight(int pixels, int pixelsPerInch) noexcept {
    if (pixelsPerInch > 0) size_ = int(std::lround(double(pixels) * 72.0 / pixelsPerInch));
}

QFont TFont::ToQFont(int pixelsPerInch) const {
    return MakeQFont(name_, PixelHeight(pixelsPerInch), style_.testFlag(TFontStyle::fsBold) ? 700 : 400,
                     style_.testFlag(TFontStyle::fsItalic), style_.testFlag(TFontStyle::fsUnderline),
                     style_.testFlag(TFontStyle::fsStrikeOut));
}

namespace {

// Lower-case names of the installed families, read once (fonts are not installed while we run).
const QSet<QString>& InstalledFamilies() {
    static const QSet<QString> families = [] {
        QSet<QString> names;
        // A family several foundries ship is listed once per foundry, as "Family [foundry]".
        for (const QString& family : QFontDatabase::families())
            names.insert(family.section(QStringLiteral(" ["), 0, 0).toLower());
        return names;
    }();
    return families;
}

} // namespace

QString MappedFontFamily(const QString& faceName) {
    static const QHash<QString, QString> substitutes{
        {QStringLiteral("arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("helvetica"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("ms sans serif"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("times new roman"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("courier new"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("tahoma"), QStringLiteral("DejaVu Sans")},
    };
    const QString key = faceName.trimmed().toLower();
    const auto found = substitutes.constFind(key);
    if (found != substitutes.constEnd()) return *found;
    // A face that is not installed gets the default family straight away instead of a font-matching
    // search per unknown name (names in pictures from elsewhere can be anything).
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
        !InstalledFamilies().isEmpty() && !InstalledFamilies().contains(key))
        return QStringLiteral("Liberation Sans");
    return faceName;
}

QFont MakeQFont(const QString& faceName, int pixelHeight, int weight, bool italic, bool underline,
                bool strikeOut) {
    QFont font(MappedFontFamily(faceName));
    // Glyphs are placed from integer advances, so the font must not add its own kerning; hinting is
    // off so that a text measures the same at every scale it is played at.
    font.setPixelSize(std::max(1, pixelHeight));
    font.setWeight(QFont::Weight(std::clamp(weight <= 0 ? 400 : weight, 100, 900)));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}

} // namespace quorvel
