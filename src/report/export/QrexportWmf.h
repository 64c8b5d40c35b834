#pragma once

#include "platform/Component.h"
#include "report/pagestore/QrprntrFilter.h"

#include <cstdint>
#include <memory>

namespace quorvel {

class TQRPrinter;

// The two kinds of picture file the metafile filter writes.
enum class TQRMetafileFormat : std::uint8_t { Windows, Enhanced };

// Saves the pages the report's page store held when the export began as one picture file per page,
// named after the target without its extension and the page number in three digits (report001.wmf,
// report002.wmf …): placeable Windows metafiles, or enhanced metafiles (.emf) when Enhanced is set.
// The pages replace the files of those names together, and page files of the name beyond the new
// page count go in the same step; a link at a page's name is replaced, not written through. The
// report's drawing calls themselves are not used.
class TQRWMFExportFilter : public TQRExportFilter {
public:
    explicit TQRWMFExportFilter(const QString& fileName);
    ~TQRWMFExportFilter() override;

    static QString ClassName() { return QStringLiteral("TQRWMFExportFilter"); }

    QString GetDescription() const override;
    QString GetExtension() const override;
    QString GetFilterName() const override;

    void Start(int paperWidth, int paperHeight, const TFont& font) override;
    void Finish() override;

    // Pages 1 to `count` of `pages` are complete while a pass is still filling the store (Start came
    // first): from now on they are converted and written on a thread of their own, beside the pass.
    // Finish then writes only the pages that came after, waits for that thread and throws its failure.
    void PagesCompleted(TQRPrinter& pages, int count);

    // The target file name without its last extension, kept by Start.
    const QString& BaseName() const noexcept { return baseName_; }
    QString PageFileName(int page) const;

    // "out/report.wmf" → "out/report": only a dot in the file's own name starts an extension.
    static QString BaseNameOf(const QString& target);
    // The base name, the page number in at least three digits and the format's extension:
    // report001.wmf, report002.emf …
    static QString PageFileName(const QString& baseName, int page, TQRMetafileFormat format);

    // Whether this export writes enhanced metafiles; false unless set before Start (a filter made
    // through a TQRWMFFilter component's entry takes the component's setting).
    bool Enhanced() const noexcept { return enhanced_; }
    void SetEnhanced(bool enhanced) noexcept { enhanced_ = enhanced; }
    TQRMetafileFormat Format() const noexcept {
        return enhanced_ ? TQRMetafileFormat::Enhanced : TQRMetafileFormat::Windows;
    }

private:
    class PageFileWriter;

    QString baseName_;
    bool enhanced_ = false;
    std::unique_ptr<PageFileWriter> writer_;
};

// Offers the metafile filter in the preview's save dialog for as long as it exists; the filters made
// through its entry write enhanced metafiles when Enhanced is set.
class TQRWMFFilter : public TQRExportFilterComponent {
public:
    explicit TQRWMFFilter(TComponent* owner);

    std::string_view ClassName() const noexcept override { return "TQRWMFFilter"; }

    bool Enhanced() const noexcept { return enhanced_; }
    void SetEnhanced(bool enhanced) noexcept { enhanced_ = enhanced; }
    void Configure(TQRExportFilter& filter) const override;

private:
    bool enhanced_ = false;
};

} // namespace quorvel
