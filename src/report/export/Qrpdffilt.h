#pragma once

#include "report/export/ExportReport.h"
#include "report/export/ExportTextMeasure.h"
#include "report/export/Pdfconst.h"
#include "report/export/QrexportGrid.h"
#include "report/pagestore/QrprntrStream.h"

#include <QHash>
#include <QStringList>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

struct TPDFItemRec {
    TPDFItemType Kind = TPDFItemType::IT_INVALID;
    double X = 0; // points
    double Y = 0; // points from the page top while queued, from the bottom once processed
    QString FontName;
    QString Text;
    int Charset = 0;
    int FontSize = 0;
    bool Bold = false;
    bool Italic = false;
    bool Filled = false;
    double Width = 0; // points
    double Height = 0;
    double PenWidth = 0; // points: the pen's page-picture pixels scaled like the positions
    TPDFShapeType Shape = TPDFShapeType::S_BOX;
    double HorizontalScale = 1;
    double VerticalScale = 1;
    std::string ImageData;
    std::string ImageFilters;
    int PixelWidth = 0;
    int PixelHeight = 0;
    std::array<unsigned char, 3> PenColor{};
    std::array<unsigned char, 3> FillColor{};
};

// Ordered text pairs whose keys are looked up without regard to case; the first match wins.
class TDictionary {
public:
    void Add(const QString& key, const QString& value) { pairs_.emplace_back(key, value); }
    const QString* Find(const QString& key) const;
    int Count() const noexcept { return static_cast<int>(pairs_.size()); }

private:
    std::vector<std::pair<QString, QString>> pairs_;
};

// Writes a report as a PDF 1.3 file. Every item is turned at once into content-stream lines of its
// page; a finished page's lines go to a spool that moves from memory to a temporary file past a few
// megabytes, so that a long report holds one page in memory. Finish writes the whole file in one
// pass, copying each page's lines from the spool and recording each object's offset for the
// cross-reference table. Fonts are TrueType fonts described with metrics from the installed font
// file, not embedded unless asked for.
class TQRPDFDocumentFilter : public TQRPAbstractExportFilter {
public:
    explicit TQRPDFDocumentFilter(const QString& fileName);
    ~TQRPDFDocumentFilter() override;

    static QString ClassName() { return QStringLiteral("TQRPDFDocumentFilter"); }

    QString GetDescription() const override { return QStringLiteral("PDF document filter"); }
    QString GetExtension() const override { return QStringLiteral("PDF"); }
    QString GetFilterName() const override { return QStringLiteral("PDF document"); }
    bool GetStreaming() const override { return false; }
    void Start(int paperWidth, int paperHeight, const TFont& font) override;
    void NewPage() override;
    void EndPage() override {}
    void Finish() override;
    void TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;

    void AcceptShape(double xoff, double yoff, const TExportGraphic& graphic) override;

    void SetDocumentInfo(const QString& creator, const QString& author, const QString& title,
                         const QString& subject);
    // Extra offsets in points added to every item.
    void SetMargins(int top, int left);
    // Text before graphics in each page's content stream.
    void SetTextOnTop(bool textOnTop) noexcept { textOnTop_ = textOnTop; }
    // Several reports into one document: pages accumulate until EndConcat writes it.
    void SetConcatenating(bool concatenating) noexcept { concatenating_ = concatenating; }
    void EndConcat();
    // "Report font:PDF font" pairs for the Type 1 substitution mode.
    void AddFontMap(const QString& mapping);
    // Fonts whose file is embedded.
    void AddTTFont(const QString& fontName);
    // Space-separated widths (at least 256) that replace the measured ones of a font.
    void AddCustomWidths(const QString& fontName, const QString& widths);
    // The body of a /Differences array that replaces a font's encoding.
    void AddCustomEncoding(const QString& fontName, const QString& differences);
    void SetCompressionOn(bool on) noexcept { compressionOn_ = on; }
    bool CompressionOn() const noexcept { return compressionOn_; }
    TFontHandling FontMode() const noexcept { return fontMode_; }
    // Embeds every TrueType font with only the glyphs the document shows, so that it prints the same
    // on a machine without the fonts; off by default.
    void SetEmbedSubsets(bool on) noexcept { embedSubsets_ = on; }
    bool EmbedSubsets() const noexcept { return embedSubsets_; }
    void SetFontMode(TFontHandling mode) noexcept { fontMode_ = mode; }

    const QStringList& UsedFonts() const noexcept { return usedFonts_; }
    int PageCount() const noexcept { return pageCounter_; }
    // Bytes of content lines held in memory: the open page's and the spool's while it is in memory.
    std::size_t HeldPageBytes() const;
    // Bytes of finished pages' content lines the spool holds in memory before it moves to its
    // temporary file.
    static constexpr qint64 kSpoolMemoryLimit = 2 << 20;

    // Queues an item (offsets applied) and turns it into content lines at once.
    void AddPDFItem(TPDFItemRec item);

private:
    // A page of the document; its content lines are in the spool once the next page opens.
    struct PageBlock {
        double Width = 0; // points
        double Height = 0;
        qint64 SpoolOffset = -1; // where its graphics lines start in the spool, then its text lines
        std::size_t GraphicsBytes = 0;
        std::size_t TextBytes = 0;
    };
    // An installed font file, read once per export for all the fonts that use it.
    struct LoadedFontFile;
    // What the objects of one used font are written from.
    struct FontObjects;
    using LoadedFontFiles = std::map<std::pair<QString, int>, LoadedFontFile>;

    void StartPage();
    void FinishPage();
    // Moves the content lines of the last page into the spool.
    void SpoolLastPage();
    void PTWrite(const std::string& line);
    void GRWrite(const std::string& line);
    // Moves the graphics lines of the band being printed into the page's graphics block.
    void FlushBandGraphics() override;
    void ProcessItem(TPDFItemRec& item);
    void ProcessText(const TPDFItemRec& item);
    void ProcessGraphic(const TPDFItemRec& item);
    void ProcessImage(const TPDFItemRec& item);
    void AddImageItem(double xoff, double yoff, const TExportGraphic& graphic);
    int FontKeyIndexOf(const TPDFItemRec& item);
    int FontKeyIndex(const TPDFItemRec& item);
    void WriteDocument(TExportOutput& out);
    // Reads the font files of the used fonts (each once, into files) and cuts the subsets to embed,
    // before any object is numbered.
    std::vector<FontObjects> PrepareFonts(LoadedFontFiles& files) const;
    void WriteFonts(TExportOutput& out, std::vector<qsizetype>& offsets, int firstObject,
                    const std::vector<FontObjects>& fonts);
    int TextWidthPixels(const TFont& font, const QString& text);

    std::vector<PageBlock> pages_;
    // The content lines of the last page, each ending CR LF, until they go to the spool.
    std::string pageText_;
    std::string pageGraphics_;
    std::unique_ptr<TQRStream> spool_;
    // Graphics lines handed over since the last printed band.
    std::string bandGraphics_;
    bool pageOpen_ = false;
    bool firstPage_ = true;
    int pageCounter_ = 0;
    double xFactor_ = 0.75; // points per page-picture pixel
    double yFactor_ = 0.75;
    int paperWidth_ = 2100;
    int paperLength_ = 2970;
    int extraTop_ = 0;
    int extraLeft_ = 0;
    // The font of the last text and its index: texts come in long runs of the same font.
    struct LastFont {
        QString Name;
        int Charset = 0;
        bool Bold = false;
        bool Italic = false;
        int Index = -1;
    } lastFont_;
    std::array<unsigned char, 3> lastTextColor_{};
    std::string lastTextColorLine_; // its "rg" line, CR LF included
    QStringList usedFonts_;
    QHash<QString, int> usedFontIndex_;
    // Per used font, the character codes its texts show.
    std::vector<std::array<bool, 256>> usedCodes_;
    bool embedSubsets_ = false;
    QStringList fontsToEmbed_;
    std::vector<std::pair<QString, QString>> fontMap_;
    TDictionary customWidths_;
    TDictionary customEncodings_;
    TFontHandling fontMode_ = TFontHandling::fhNoEmbedding;
    bool compressionOn_ = true;
    bool textOnTop_ = false;
    bool concatenating_ = false;
    QString creator_ = QStringLiteral("Quorvel report engine");
    QString author_;
    QString title_;
    QString subject_;
    std::unique_ptr<TExportTextMeasure> measure_;
};

// Offers the PDF document filter. CompressionOn is stored with the form; the filter keeps its own
// switch, on by default.
class TQRPDFFilter : public TQRExportFilterComponent {
public:
    explicit TQRPDFFilter(TComponent* owner)
        : TQRExportFilterComponent(owner, ExportFilterClass<TQRPDFDocumentFilter>()) {}
    std::string_view ClassName() const noexcept override { return "TQRPDFFilter"; }
    bool CompressionOn() const noexcept { return compressionOn_; }
    void SetCompressionOn(bool on) noexcept { compressionOn_ = on; }

private:
    bool compressionOn_ = true;
};

} // namespace quorvel
