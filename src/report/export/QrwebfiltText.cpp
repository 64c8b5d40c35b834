#include "report/export/Qrwebfilt.h"

#include "platform/Rounding.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "report/controls/Qrctrls.h"
#include "report/engine/QuickrptReport.h"
#include "report/export/ExportCharacters.h"

#include <QDir>

#include <cmath>

namespace quorvel {

namespace {

constexpr double kPixelsPerMillimetre = 96.0 / 25.4;

QString EscapeHtml(const QString& text) {
    QString escaped;
    escaped.reserve(text.size() + 16);
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            escaped += QStringLiteral("&amp;");
            break;
        case u'<':
            escaped += QStringLiteral("&lt;");
            break;
        case u'>':
            escaped += QStringLiteral("&gt;");
            break;
        case u' ':
            escaped += QStringLiteral("&nbsp;");
            break;
        default:
            // HTML has no place for the other C0 controls, not even as character references.
            if (!IsStrayControl(c.unicode())) escaped += c;
        }
    }
    return escaped;
}

// A link address or name as an attribute value: quotes and markup characters cannot end it early.
QString EscapeAttribute(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            escaped += QStringLiteral("&amp;");
            break;
        case u'"':
            escaped += QStringLiteral("&quot;");
            break;
        case u'<':
            escaped += QStringLiteral("&lt;");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

const TQRHTMLLabel* FindHTMLLabel(const TComponent& parent, const QString& marker) {
    for (const TComponent* child : parent.Children()) {
        if (const auto* label = dynamic_cast<const TQRHTMLLabel*>(child))
            if (TQRHTMLLabel::Marker(label->Name()) == marker) return label;
        if (const TQRHTMLLabel* found = FindHTMLLabel(*child, marker)) return found;
    }
    return nullptr;
}

// The HTML label of the filter's report that handed over this marker text, or null.
const TQRHTMLLabel* HTMLLabelOf(const TQRExportFilter& filter, const QString& text) {
    if (!text.startsWith(QStringLiteral("%!")) || !text.endsWith(QStringLiteral("!%")) || !filter.Report())
        return nullptr;
    return FindHTMLLabel(*filter.Report(), text);
}

QString LinkOf(const TQRHTMLLabel& label, const QString& escapedText) {
    const QString link = EscapeAttribute(label.LinkText());
    switch (label.LinkType()) {
    case TQRLinkType::ldHTTPJump:
        return QStringLiteral("<a href=\"") + link + QStringLiteral("\">") + escapedText +
               QStringLiteral("</a>");
    case TQRLinkType::ldNameJump:
        return QStringLiteral("<a href=\"#") + link + QStringLiteral("\">") + escapedText +
               QStringLiteral("</a>");
    case TQRLinkType::ldNameLabel:
        return QStringLiteral("<a name=\"") + link + QStringLiteral("\">") + escapedText +
               QStringLiteral("</a>");
    }
    return escapedText;
}

} // namespace

QString HtmlColor(TColor color) {
    return QStringLiteral("#%1%2%3")
        .arg(color & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(color >> 8 & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(color >> 16 & 0xFF, 2, 16, QLatin1Char('0'));
}

QString basename(const QString& fileName) {
    const qsizetype dot = fileName.indexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

TQRGHTMLDocumentFilter::TQRGHTMLDocumentFilter(const QString& fileName)
    : TQRGAbstractExportFilter(fileName)
    , measure_(std::make_unique<TExportTextMeasure>()) {}

TQRGHTMLDocumentFilter::~TQRGHTMLDocumentFilter() = default;

void TQRHTMLFilter::Configure(TQRExportFilter& filter) const {
    if (auto* html = dynamic_cast<TQRGHTMLDocumentFilter*>(&filter))
        html->setFirstLastLinks(options_.FirstLastLinks);
}

void TQRGHTMLDocumentFilter::SetHTMLBody(TColor color, const QString& picture, const QString& extra) {
    bodyColor_ = color;
    bodyPicture_ = picture;
    bodyExtra_ = extra;
}

void TQRGHTMLDocumentFilter::Line(const QString& text) {
    if (pageFile_)
        pageFile_->WriteLine(QStringToCp1252(text));
    else
        WriteLnToStream(text);
}

void TQRGHTMLDocumentFilter::WriteHead(const QString& title) {
    QString attributes = QStringLiteral(" bgcolor=\"") + HtmlColor(bodyColor_) + QStringLiteral("\" ");
    if (!bodyPicture_.isEmpty()) attributes += QStringLiteral(" background=\"") + bodyPicture_ + u'"';
    if (!bodyExtra_.isEmpty()) attributes += u' ' + bodyExtra_;
    Line(QStringLiteral("<html>"));
    Line(QStringLiteral("<head>"));
    // The title is text: a file name with "&" or "<" must not start markup.
    Line(QStringLiteral(" <title>") +
         QString(title).replace(u'&', QStringLiteral("&amp;")).replace(u'<', QStringLiteral("&lt;")) +
         QStringLiteral("</title>"));
    Line(QStringLiteral("</head>"));
    Line(QStringLiteral("<body ") + attributes + u'>');
}

void TQRGHTMLDocumentFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    pageLength_ = RoundHalfEven(ExportPageSetupOf(*this, paperWidth, paperHeight).Length);
    if (getMultiPage()) {
        // Each page file is opened by NewPage; the base stream is not used.
        TQRExportFilter::Start(paperWidth, paperHeight, font);
        return;
    }
    TQRGAbstractExportFilter::Start(paperWidth, paperHeight, font);
    WriteHead(TargetFile());
}

int TQRGHTMLDocumentFilter::PageOffset() const {
    if (getMultiPage()) return 0;
    return RoundHalfEven((pageCounter_ - 2) * pageLength_ / 10.0 * kPixelsPerMillimetre);
}

void TQRGHTMLDocumentFilter::TextOut(double x, double y, const TFont& font, TColor bgColor,
                                     TAlignment alignment, const QString& text) {
    (void)bgColor;
    lastPage_ = ExportDataSetAtEnd(*this) && reportNumber_ == getConcatCount();
    // An HTML label hands over its marker: the block shows its text, as a link when it has one.
    const TQRHTMLLabel* label = HTMLLabelOf(*this, text);
    const QString& shown = label ? label->PrintText() : text;
    QString escaped = EscapeHtml(shown);
    if (label && !label->LinkText().isEmpty()) escaped = LinkOf(*label, escaped);
    int left = ExportXPos(*this, x);
    if (alignment != TAlignment::taLeftJustify) {
        const int width = measure_->Width(font, shown, ExportPixelsPerInch(*this));
        left -= alignment == TAlignment::taRightJustify ? width : width / 2;
    }
    const int top = ExportYPos(*this, y) + PageOffset();
    largestTop_ = std::max(largestTop_, top);
    QString style =
        QStringLiteral("<div style=\"position:absolute;top:%1px;left:%2px;font-family:%3;font-size:%4pt;")
            .arg(top)
            .arg(left)
            .arg(font.Name().trimmed())
            .arg(font.Size());
    if (font.Style().testFlag(TFontStyle::fsItalic)) style += QStringLiteral("font-style:italic;");
    if (font.Style().testFlag(TFontStyle::fsBold)) style += QStringLiteral("font-weight:bold;");
    if (font.Color() != 0) style += QStringLiteral("color:") + HtmlColor(font.Color()) + u';';
    bodyClosed_ = false;
    BandLine(style + QStringLiteral("\">"));
    BandLine(escaped);
    BandLine(QStringLiteral("</DIV>"));
}

void TQRGHTMLDocumentFilter::NewPage() {
    FlushBandGraphics();
    largestTop_ = 0;
    if (getMultiPage()) OpenPageFile();
}

void TQRGHTMLDocumentFilter::OpenPageFile() {
    ClosePageFile();
    ++pageFileNumber_;
    // The page number goes after the name part of the target; a "." in a folder name stays.
    const QString target = TargetFile();
    const QString folder = target.left(target.size() - ExtractFileName(target).size());
    const QString name = folder + basename(ExtractFileName(target)) + QString::number(pageFileNumber_) +
                         QStringLiteral(".html");
    pageFile_ = std::make_unique<TExportOutput>(name);
    pageFiles_.append(name);
    WriteHead(name);
}

void TQRGHTMLDocumentFilter::ClosePageFile() {
    if (!pageFile_) return;
    pageFile_->Commit();
    pageFile_.reset();
}

void TQRGHTMLDocumentFilter::EndPage() {
    FlushBandGraphics();
    ++pageCounter_;
    if (!getMultiPage() || !pageFile_) return;
    if (getPageLinks()) WriteLinks();
    Line(QStringLiteral("</body>"));
    Line(QStringLiteral("</html>"));
}

void TQRGHTMLDocumentFilter::WriteLinks() {
    // Page files are numbered from 1 in page order; the page just ended is pageFileNumber_.
    const int page = pageFileNumber_;
    const QString base = basename(ExtractFileName(TargetFile()));
    auto file = [&](int n) { return base + QString::number(n) + QStringLiteral(".html"); };
    const QString spaces = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");
    Line(QStringLiteral("<div style=\"position:absolute;top:%1px;left:10mm;font-family:%2;font-size:%3pt;"
                        "text-decoration:none;text-align:left;\">")
             .arg(largestTop_ + 30)
             .arg(getLinkFontName())
             .arg(getLinkFontHeight()));
    if (lastPage_ && getFirstLastLinks())
        Line(QStringLiteral("<a href=\"") + file(1) + QStringLiteral("\">First page</a>") + spaces);
    if (page > 1)
        Line(QStringLiteral("<a href=\"") + file(page - 1) + QStringLiteral("\">Previous page</a>") + spaces);
    if (!lastPage_) Line(QStringLiteral("<a href=\"") + file(page + 1) + QStringLiteral("\">Next page</a>"));
    if (page == 1 && getFirstLastLinks())
        Line(spaces + QStringLiteral("<a href=\"") + file(getFinalPage()) +
             QStringLiteral("\">Last page</a>"));
    Line(QStringLiteral("<br><br></div>"));
}

void TQRGHTMLDocumentFilter::Finish() {
    FlushBandGraphics();
    if (getMultiPage()) {
        ClosePageFile();
        TQRExportFilter::Finish();
        return;
    }
    if (!bodyClosed_) {
        Line(QStringLiteral("</body>"));
        Line(QStringLiteral("</html>"));
        bodyClosed_ = true;
    }
    --pageCounter_;
    firstReport_ = false;
    ++reportNumber_;
    if (getConcatenate()) return;
    TQRGAbstractExportFilter::Finish();
}

// The closing tags of the last report end the document; EndConcat only writes it.
void TQRGHTMLDocumentFilter::EndConcat() {
    setConcatenate(false);
    setMultiPage(false);
    Finish();
}

} // namespace quorvel
