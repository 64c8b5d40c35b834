#pragma once

#include "platform/Component.h"
#include "report/QrprntrFilter.h"

namespace quorvel {

// Saves the pages the report's page store held when the export began as one picture file per page,
// named after the target without its extension and the page number in three digits (report001.wmf,
// report002.wmf …): placeable Windows metafiles, or enhanced metafiles (.emf) when Enhanced is set.
// The report's drawing calls themselves are not used.
class TQRWMFExportFilter : public TQRExportFilter {
public:
    using TQRExportFilter::TQRExportFilter;

    static QString ClassName() { return QStringLiteral("TQRWMFExportFilter"); }

    QString GetDescription() const override;
    QString GetExtension() const override;
    QString GetFilterName() const override;

    void Start(int paperWidth, int paperHeight, const TFont& font) override;
    void Finish() override;

    // The target file name without its last extension, kept by Start.
    const QString& BaseName() const noexcept { return baseName_; }
    QString PageFileName(int page) const;

    // Whether every metafile export writes enhanced metafiles; false until a TQRWMFFilter component
    // sets it.
    static bool Enhanced() noexcept;
    static void SetEnhanced(bool enhanced) noexcept;

private:
    QString baseName_;
};

// Offers the metafile filter in the preview's save dialog for as long as it exists.
class TQRWMFFilter : public TComponent {
public:
    explicit TQRWMFFilter(TComponent* owner);
    ~TQRWMFFilter() override;

    std::string_view ClassName() const noexcept override { return "TQRWMFFilter"; }

    bool Enhanced() const noexcept { return TQRWMFExportFilter::Enhanced(); }
    void SetEnhanced(bool enhanced) noexcept { TQRWMFExportFilter::SetEnhanced(enhanced); }
};

} // namespace quorvel
