#pragma once

#include "report/export/ExportReport.h"
#include "report/export/ExportTextMeasure.h"
#include "report/export/QrexportGrid.h"

#include <memory>

namespace quorvel {

// Options of the HTML export. Every filter owns a set that starts at these defaults; the HTML filter
// component publishes a set of its own for layouts.
struct THTMLExportOptions {
    bool MultiPage = false;
    bool PageLinks = false;
    bool FirstLastLinks = false;
    int FinalPage = 0;
    bool Concat = false;
    int ConcatCount = 1;
    int LinkFontSize = 12;
    QString LinkFontName = QStringLiteral("Arial");
    QString PictureDir;
    bool TransparentTextBG = false;
};

// A colour as HTML writes it: "#rrggbb".
QString HtmlColor(TColor color);

// A file name up to, not including, its first "." (the whole name without one).
QString basename(const QString& fileName);

// Writes a report as HTML in which every text and graphic is an absolutely positioned block, so that
// a page looks as printed. One file holds all pages stacked one below the other, or (MultiPage) each
// page gets a file of its own with navigation links. Pictures become JPEG files.
class TQRGHTMLDocumentFilter : public TQRGAbstractExportFilter {
public:
    explicit TQRGHTMLDocumentFilter(const QString& fileName);
    ~TQRGHTMLDocumentFilter() override;

    static QString ClassName() { return QStringLiteral("TQRGHTMLDocumentFilter"); }

    QString GetDescription() const override { return QStringLiteral("HTML document for web publishing"); }
    QString GetExtension() const override { return QStringLiteral("HTM"); }
    QString GetFilterName() const override { return QStringLiteral("HTML document"); }
    bool GetStreaming() const override { return false; }
    void Start(int paperWidth, int paperHeight, const TFont& font) override;
    void NewPage() override;
    void EndPage() override;
    void Finish() override;
    void TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;
    bool ResolvesHTMLLabels() const override { return true; }

    // A graphic at (xoff, yoff) page-picture pixels; a band's frame blocks go after the blocks its
    // controls handed over (a later block covers an earlier one).
    void AcceptShape(double xoff, double yoff, const TExportGraphic& graphic) override;

    void SetHTMLBody(TColor color, const QString& picture, const QString& extra);
    void EndConcat();

    bool getMultiPage() const { return options_.MultiPage; }
    void setMultiPage(bool v) { options_.MultiPage = v; }
    bool getPageLinks() const { return options_.PageLinks; }
    void setPageLinks(bool v) { options_.PageLinks = v; }
    int getFinalPage() const { return options_.FinalPage; }
    void setFinalPage(int v) { options_.FinalPage = v; }
    bool getFirstLastLinks() const { return options_.FirstLastLinks; }
    void setFirstLastLinks(bool v) { options_.FirstLastLinks = v; }
    bool getConcatenate() const { return options_.Concat; }
    void setConcatenate(bool v) { options_.Concat = v; }
    int getConcatCount() const { return options_.ConcatCount; }
    void setConcatCount(int v) { options_.ConcatCount = v; }
    int getLinkFontHeight() const { return options_.LinkFontSize; }
    void setLinkFontHeight(int v) { options_.LinkFontSize = v; }
    QString getLinkFontName() const { return options_.LinkFontName; }
    void setLinkFontName(const QString& v) { options_.LinkFontName = v; }
    QString getPictureDir() const { return options_.PictureDir; }
    void setPictureDir(const QString& v) { options_.PictureDir = v; }
    bool getTransparentTextBG() const { return options_.TransparentTextBG; }
    void setTransparentTextBG(bool v) { options_.TransparentTextBG = v; }

    // The options this filter runs with; whoever runs the filter sets them on it.
    THTMLExportOptions& Options() noexcept { return options_; }
    const THTMLExportOptions& Options() const noexcept { return options_; }

    // The page files a multi-page export wrote, in page order.
    const QStringList& PageFiles() const noexcept { return pageFiles_; }

private:
    void WriteHead(const QString& title);
    void OpenPageFile();
    void ClosePageFile();
    void WriteLinks();
    int PageOffset() const;
    void Rule(int left, int top, int width, int penWidth, TColor color);
    void Block(int left, int top, int width, int height, TColor color);
    QString PictureName(const TExportGraphic& graphic);
    void Line(const QString& text);
    // A line of the band being printed, kept back until the band is complete.
    void BandLine(QString text) { bandLines_.append(std::move(text)); }
    void FlushBandGraphics() override;

    THTMLExportOptions options_;
    TColor bodyColor_ = clWhite;
    QString bodyPicture_;
    QString bodyExtra_;
    int pageCounter_ = 1;
    bool firstPage_ = true;
    bool lastPage_ = false;
    int largestTop_ = 0;
    int pictureCounter_ = 0;
    int reportNumber_ = 1;
    bool firstReport_ = true;
    bool bodyClosed_ = false;
    int pageLength_ = 2970;
    int pageFileNumber_ = 0;
    QStringList pageFiles_;
    QStringList bandLines_;
    std::unique_ptr<TExportOutput> pageFile_;
    std::unique_ptr<TExportTextMeasure> measure_;
};

using TQRHTMLDocumentFilter = TQRGHTMLDocumentFilter;

// Offers the HTML document filter in the preview's save dialog for as long as it exists. Of its
// published options, FirstLastLinks reaches the filters made through its entry; those filters start
// every other option at its default, as a filter always has.
class TQRHTMLFilter : public TQRExportFilterComponent {
public:
    explicit TQRHTMLFilter(TComponent* owner)
        : TQRExportFilterComponent(owner, ExportFilterClass<TQRGHTMLDocumentFilter>()) {}
    std::string_view ClassName() const noexcept override { return "TQRHTMLFilter"; }

    THTMLExportOptions& Options() noexcept { return options_; }
    const THTMLExportOptions& Options() const noexcept { return options_; }
    void Configure(TQRExportFilter& filter) const override;

    // Published for layouts; the filter does not read them.
    QString ImageLinkPrefix;
    QString PagelinkPrefix;

private:
    THTMLExportOptions options_;
};

} // namespace quorvel
