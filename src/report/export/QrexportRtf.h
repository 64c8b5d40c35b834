#pragma once

#include "report/export/ExportOutput.h"
#include "report/pagestore/QrprntrFilter.h"

#include <memory>
#include <string>
#include <vector>

namespace quorvel {

struct TQRRTFItem {
    double X = 0; // tenths of a millimetre, as received
    double Y = 0;
    TAlignment Alignment = TAlignment::taLeftJustify;
    int FontIndex = -1; // position in the filter's SystemFonts, -1 when absent
    int FontSize = 0;   // half-points
    TFontStyles FontStyle;
    TColor FontColor = clBlack;
    std::string Text; // single-byte text, already escaped
};

// The texts of one one-point slot of a page, kept in ascending X (a new item goes after the items of
// equal X).
class TQRRTFLineItem {
public:
    void Add(TQRRTFItem item);
    void ClearLineItems() { items_.clear(); }
    const std::vector<TQRRTFItem>& Items() const noexcept { return items_; }

private:
    std::vector<TQRRTFItem> items_;
};

struct TRtfSystemFont {
    QString Name;
    int Family = 0; // 0 nil, 1 roman, 2 swiss, 3 modern, 4 script, 5 decor, 6 tech, 7 bidi
};

// The font families an RTF font table lists: the installed families and the standard face names the
// platform maps onto an installed twin, sorted by name without regard to case.
std::vector<TRtfSystemFont> RtfSystemFonts();

// Colours of the RTF colour table, indexes 0–17.
extern const TColor QRRTFColors[18];

// Writes a report as Rich Text: each page is cut into one-point slots; the texts of a slot form one
// paragraph placed with tab stops, and the vertical gap to the paragraph before becomes spacing above.
// Graphics are not exported.
class TQRRTFExportFilter : public TQRExportFilter {
public:
    explicit TQRRTFExportFilter(const QString& fileName);
    ~TQRRTFExportFilter() override;

    static QString ClassName() { return QStringLiteral("TQRRTFExportFilter"); }

    QString GetDescription() const override { return QStringLiteral("RTF Export filter"); }
    QString GetExtension() const override { return QStringLiteral("RTF"); }
    QString GetFilterName() const override { return QStringLiteral("RTF File"); }
    void Start(int paperWidth, int paperHeight, const TFont& font) override;
    void EndPage() override;
    void Finish() override;
    void NewPage() override { CreateRTFLines(); }
    void TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;

    // Several reports into one document: StartConcat before the first, EndConcat after the last.
    void StartConcat();
    void EndConcat();
    void CreateRTFLines();
    void DestroyRTFLines();

    int LineSlots() const noexcept { return lineSlots_; }
    // The font table of this export, taken afresh at its start.
    const std::vector<TRtfSystemFont>& SystemFonts() const noexcept { return systemFonts_; }
    // The document written so far (all of it once finished); with an empty file name the only copy.
    const TExportOutput* Output() const noexcept { return output_.get(); }

private:
    void WriteLine(const std::string& line) { output_->WriteLine(line); }
    int FontIndex(const QString& name) const;

    std::vector<TRtfSystemFont> systemFonts_;
    std::vector<TQRRTFLineItem> slots_;
    bool slotsMade_ = false;
    int lineSlots_ = 0;
    bool pageBreakDue_ = false;
    bool rtfStarted_ = false;
    bool concatenating_ = false;
    double paperLength_ = 0; // twips
    double paperWidth_ = 0;
    double topMargin_ = 720;
    double bottomMargin_ = 720;
    double leftMargin_ = 720;
    double rightMargin_ = 720;
    std::unique_ptr<TExportOutput> output_;
};

// Offers the RTF export filter.
class TQRRTFFilter : public TQRExportFilterComponent {
public:
    explicit TQRRTFFilter(TComponent* owner)
        : TQRExportFilterComponent(owner, ExportFilterClass<TQRRTFExportFilter>()) {}
    std::string_view ClassName() const noexcept override { return "TQRRTFFilter"; }
};

} // namespace quorvel
