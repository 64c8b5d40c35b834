#pragma once

#include "platform/Component.h"
#include "report/export/ExportOutput.h"
#include "report/pagestore/QrprntrFilter.h"

#include <array>
#include <memory>

namespace quorvel {

// Writes the report as plain text: every page is laid out on a grid of characters whose cell is as
// high and as wide as the report font's point size, and its non-empty lines are written one after
// another, each ended by CR LF. Texts overwrite what lies under them on their line; texts below
// the grid's 201 lines are dropped.
class TQRAsciiExportFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;
    ~TQRAsciiExportFilter() override;

    static QString ClassName() { return QStringLiteral("TQRAsciiExportFilter"); }
    static constexpr int kBufferLines = 201;

    QString GetDescription() const override;
    QString GetExtension() const override;
    QString GetFilterName() const override;

    void Start(int paperWidth, int paperHeight, const TFont& font) override;
    void NewPage() override;
    void EndPage() override;
    void Finish() override;
    void TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;

    double CharWidth() const noexcept { return charWidth_; }
    double CharHeight() const noexcept { return charHeight_; }
    int LineCount() const noexcept { return lineCount_; }
    // The output of the last run (kept in memory when the file name is empty).
    const TExportOutput* Output() const noexcept { return output_.get(); }

private:
    std::unique_ptr<TExportOutput> output_;
    std::array<QString, kBufferLines> lines_;
    double charWidth_ = 0;
    double charHeight_ = 0;
    int lineCount_ = 0;
};

// Offers the text filter in the preview's save dialog for as long as it exists.
class TQRTextFilter : public TComponent {
public:
    explicit TQRTextFilter(TComponent* owner);
    ~TQRTextFilter() override;

    std::string_view ClassName() const noexcept override { return "TQRTextFilter"; }
};

} // namespace quorvel
