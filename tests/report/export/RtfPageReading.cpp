#include "report/export/RtfPageReading.h"

#include "report/engine/QuickrptUnits.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace quorvel::testing {

namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// An office length ("2.0001cm", "0.7874in", "15mm", "56.7pt") in millimetres; negative when it is
// not a length.
double Millimetres(const QString& length) {
    static const QRegularExpression pattern(QStringLiteral("^(-?[0-9]*\\.?[0-9]+)(cm|mm|in|pt)$"));
    const QRegularExpressionMatch match = pattern.match(length.trimmed());
    if (!match.hasMatch()) return -1;
    const double value = match.captured(1).toDouble();
    const QString unit = match.captured(2);
    if (unit == u"cm") return value * 10;
    if (unit == u"in") return value * 25.4;
    if (unit == u"pt") return value * 25.4 / 72;
    return value;
}

} // namespace

RtfPage ReadRtfPage(const QByteArray& rtf) {
    RtfPage page;
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
            continue;
        }
        if (c == '}') {
            --depth;
            continue;
        }
        if (c != '\\' || i + 1 >= rtf.size()) continue;
        if (!IsLetter(rtf[i + 1])) {
            // A control symbol: \\ \{ \} take one character, \'hh two more.
            i += rtf[i + 1] == '\'' ? 3 : 1;
            continue;
        }
        qsizetype end = i + 1;
        while (end < rtf.size() && IsLetter(rtf[end]))
            ++end;
        const QByteArray word = rtf.mid(i + 1, end - i - 1);
        qsizetype digits = end;
        if (digits < rtf.size() && rtf[digits] == '-') ++digits;
        while (digits < rtf.size() && IsDigit(rtf[digits]))
            ++digits;
        if (digits == end + 1 && rtf[end] == '-') digits = end; // a hyphen alone is no parameter
        std::optional<int> parameter;
        if (digits > end) parameter = rtf.mid(end, digits - end).toInt();
        i = digits < rtf.size() && rtf[digits] == ' ' ? digits : digits - 1;
        // Only the document's own control words count, not those of a table or a paragraph group.
        if (depth != 1) continue;
        const auto take = [&](std::optional<int>& slot) {
            if (!slot && parameter) slot = parameter;
        };
        if (word == "paperw")
            take(page.PaperWidth);
        else if (word == "paperh")
            take(page.PaperHeight);
        else if (word == "margl")
            take(page.Left);
        else if (word == "margr")
            take(page.Right);
        else if (word == "margt")
            take(page.Top);
        else if (word == "margb")
            take(page.Bottom);
        else if (word == "landscape")
            page.Landscape = true;
    }
    return page;
}

PageReading InMillimetres(const RtfPage& page) {
    PageReading lengths;
    const auto take = [&](const std::optional<int>& twips, const char* word, double& slot) {
        if (twips)
            slot = *twips * 25.4 / 1440.0;
        else
            lengths.Error += QStringLiteral("no \\%1; ").arg(QLatin1String(word));
    };
    take(page.PaperWidth, "paperw", lengths.Lengths.Width);
    take(page.PaperHeight, "paperh", lengths.Lengths.Height);
    take(page.Left, "margl", lengths.Lengths.Left);
    take(page.Right, "margr", lengths.Lengths.Right);
    take(page.Top, "margt", lengths.Lengths.Top);
    take(page.Bottom, "margb", lengths.Lengths.Bottom);
    return lengths;
}

void PageCase::ApplyTo(TQRPage& page) const {
    page.SetOrientation(Orientation);
    page.SetLeftMargin(Expected.Left);
    page.SetRightMargin(Expected.Right);
    page.SetTopMargin(Expected.Top);
    page.SetBottomMargin(Expected.Bottom);
}

void ExpectPage(const PageCase& expected, const PageReading& read, double tolerance) {
    SCOPED_TRACE(expected.Name);
    ASSERT_TRUE(read.Error.isEmpty()) << read.Error.toStdString();
    const PageLengths& e = expected.Expected;
    const PageLengths& r = read.Lengths;
    EXPECT_NEAR(r.Width, e.Width, tolerance);
    EXPECT_NEAR(r.Height, e.Height, tolerance);
    EXPECT_NEAR(r.Left, e.Left, tolerance);
    EXPECT_NEAR(r.Right, e.Right, tolerance);
    EXPECT_NEAR(r.Top, e.Top, tolerance);
    EXPECT_NEAR(r.Bottom, e.Bottom, tolerance);
}

PageReading ReadOfficePage(const QString& fodtPath) {
    PageReading page;
    QFile file(fodtPath);
    if (!file.open(QIODevice::ReadOnly)) {
        page.Error = QStringLiteral("cannot read %1").arg(fodtPath);
        return page;
    }
    // Page layouts by name, and the layout of the standard master page (else of the first one).
    QHash<QString, QXmlStreamAttributes> layouts;
    QString layoutName;
    QString currentLayout;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.qualifiedName() == u"style:page-layout") {
            currentLayout = attributes.value(QStringLiteral("style:name")).toString();
        } else if (xml.qualifiedName() == u"style:page-layout-properties") {
            layouts.insert(currentLayout, attributes);
        } else if (xml.qualifiedName() == u"style:master-page") {
            const QString name = attributes.value(QStringLiteral("style:name")).toString();
            if (layoutName.isEmpty() || name == u"Standard")
                layoutName = attributes.value(QStringLiteral("style:page-layout-name")).toString();
        }
    }
    if (xml.hasError()) {
        page.Error = QStringLiteral("%1: %2").arg(fodtPath, xml.errorString());
        return page;
    }
    if (!layouts.contains(layoutName)) {
        page.Error = QStringLiteral("%1 has no page layout for its master page").arg(fodtPath);
        return page;
    }
    const QXmlStreamAttributes& properties = layouts[layoutName];
    const auto length = [&](const char* name, double& slot) {
        slot = Millimetres(properties.value(QLatin1String(name)).toString());
        if (slot < 0) page.Error += QStringLiteral("no %1; ").arg(QLatin1String(name));
    };
    length("fo:page-width", page.Lengths.Width);
    length("fo:page-height", page.Lengths.Height);
    length("fo:margin-left", page.Lengths.Left);
    length("fo:margin-right", page.Lengths.Right);
    length("fo:margin-top", page.Lengths.Top);
    length("fo:margin-bottom", page.Lengths.Bottom);
    return page;
}

} // namespace quorvel::testing
