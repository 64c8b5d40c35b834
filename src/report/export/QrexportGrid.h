#pragma once

#include "report/export/ExportOutput.h"
#include "report/export/QrexportPositions.h"
#include "report/pagestore/QrprntrFilter.h"

#include <memory>
#include <string_view>
#include <vector>

namespace quorvel {

// One TextOut call of the current page. X and Y arrive in tenths of a millimetre and become the
// column and line numbers when the page is processed.
struct TTextEntry {
    QString Text;
    double X = 0;
    double Y = 0;
    TAlignment Alignment = TAlignment::taLeftJustify;
    TFont Font;
};

// Base of the text-oriented filters: gathers a page's texts, turns their positions into a grid of
// columns and lines when the page ends, and lets the subclass write the page (StorePage). Owns the
// output file, written in one piece when the export finishes; with an empty file name the output
// stays in memory (Output()).
class TQRAbstractExportFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;
    ~TQRAbstractExportFilter() override;

    static QString ClassName() { return QStringLiteral("TQRAbstractExportFilter"); }

    void Start(int paperWidth, int paperHeight, const TFont& font) override;
    void EndPage() override;
    void Finish() override;
    void NewPage() override;
    void TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;

    virtual void CreateStream(const QString& fileName);
    virtual void CloseStream();
    virtual void ProcessPage();
    virtual void StorePage();

    // Text and font of the first entry (in arrival order) at a line and column of the processed page;
    // empty text and the current font when no entry is there.
    QString GetText(int line, int column, TFont* font = nullptr) const;

    int GetLinecount() const noexcept { return linecount_; }
    void SetLinecount(int linecount) noexcept { linecount_ = linecount; }
    int ColCount() const noexcept { return colCount_; }
    bool PageProcessed() const noexcept { return pageProcessed_; }
    double CharWidth() const noexcept { return charWidth_; }
    double CharHeight() const noexcept { return charHeight_; }
    int PaperWidth() const noexcept { return paperWidth_; }
    int PaperHeight() const noexcept { return paperHeight_; }
    double ColumnTolerance() const noexcept { return columnTolerance_; }
    const std::vector<TTextEntry>& Entries() const noexcept { return entries_; }
    // The report font given to Start, and the font of the page being written.
    const TFont& ReportFont() const noexcept { return reportFont_; }
    TFont& CurrentFont() noexcept { return currentFont_; }

    // The output of a memory-stream export (empty file name), or of the file being written.
    const TExportOutput* Output() const noexcept { return output_.get(); }

protected:
    void SetColumnTolerance(double tolerance) noexcept { columnTolerance_ = tolerance; }
    // Bytes of the text in the report's single-byte code page.
    void WriteToStream(const QString& text);
    void WriteLnToStream(const QString& text);
    void WriteToStream(std::string_view bytes);
    void WriteLnToStream(std::string_view bytes);
    TExportOutput& Stream();

private:
    void ConvertToColumns();
    void ConvertToLines();

    std::unique_ptr<TExportOutput> output_;
    std::vector<TTextEntry> entries_;
    TFont reportFont_;
    TFont currentFont_;
    double charWidth_ = 0;
    double charHeight_ = 0;
    int paperWidth_ = 0;
    int paperHeight_ = 0;
    int linecount_ = 0;
    int colCount_ = 0;
    bool pageProcessed_ = false;
    double columnTolerance_ = 0;
};

// Base of the filters that draw graphics as well as texts (PDF and HTML). A graphic handed over is
// drawn by AcceptShape; the graphics of a band are held until the
// band is printed, so that its frame, handed over last, comes out on top of them.
class TQRGraphicExportFilter : public TQRAbstractExportFilter {
public:
    using TQRAbstractExportFilter::TQRAbstractExportFilter;

    // A report's graphic at (xoff, yoff) page-picture pixels: a control's shape or picture, a
    // background or a frame.
    void AcceptGraphic(double xoff, double yoff, const TExportGraphic& graphic) final;
    // A printed band: what its controls handed over since the band before goes out (FlushBandGraphics).
    void AcceptBand(const TQRCustomBand& bandControl, double xoff, double yoff, double expanded) final;
    // A graphic described directly at (xoff, yoff) page-picture pixels.
    virtual void AcceptShape(double xoff, double yoff, const TExportGraphic& graphic) = 0;

protected:
    // Writes out the graphics held for the band being printed.
    virtual void FlushBandGraphics() = 0;
};

// Stream-owning bases of the PDF and HTML document filters; they share the text-grid base's stream
// and font handling and the graphics' hand-over.
class TQRPAbstractExportFilter : public TQRGraphicExportFilter {
public:
    using TQRGraphicExportFilter::TQRGraphicExportFilter;
    static QString ClassName() { return QStringLiteral("TQRPAbstractExportFilter"); }
};

class TQRGAbstractExportFilter : public TQRGraphicExportFilter {
public:
    using TQRGraphicExportFilter::TQRGraphicExportFilter;
    static QString ClassName() { return QStringLiteral("TQRGAbstractExportFilter"); }
};

} // namespace quorvel
