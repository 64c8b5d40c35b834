#include "report/output/QrexportWmf.h"

#include "platform/Files.h"
#include "platform/Metafile.h"
#include "report/QrprntrPrinter.h"
#include "report/output/QrexportWmfConvert.h"

#include <QFileInfo>

#include <atomic>

namespace quorvel {

namespace {

std::atomic<bool> enhanced{false};

} // namespace

QString TQRWMFExportFilter::GetDescription() const {
    return QStringLiteral("WMF Export filter");
}
QString TQRWMFExportFilter::GetExtension() const {
    return QStringLiteral("WMF");
}
QString TQRWMFExportFilter::GetFilterName() const {
    return QStringLiteral("WMF File");
}

bool TQRWMFExportFilter::Enhanced() noexcept {
    return enhanced.load();
}
void TQRWMFExportFilter::SetEnhanced(bool value) noexcept {
    enhanced.store(value);
}

QString TQRWMFExportFilter::BaseNameOf(const QString& target) {
    const QFileInfo info(target);
    const qsizetype dot = info.fileName().lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? target : target.left(target.size() - (info.fileName().size() - dot));
}

QString TQRWMFExportFilter::PageFileName(const QString& baseName, int page, TQRMetafileFormat format) {
    return baseName + QStringLiteral("%1").arg(page, 3, 10, QLatin1Char('0')) +
           (format == TQRMetafileFormat::Enhanced ? QStringLiteral(".emf") : QStringLiteral(".wmf"));
}

void TQRWMFExportFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    baseName_ = BaseNameOf(TargetFile());
    TQRExportFilter::Start(paperWidth, paperHeight, font);
}

QString TQRWMFExportFilter::PageFileName(int page) const {
    return PageFileName(baseName_, page, Format());
}

void TQRWMFExportFilter::Finish() {
    TQRPrinter* pages = ReportQRPrinter();
    if (pages != nullptr && pages->PageCount() > 0) {
        // The page files are one document: they replace the files of those names together.
        FileSetReplacement files(PageFileName(1));
        const bool asEnhanced = Enhanced();
        for (int page = 1; page <= pages->PageCount(); ++page) {
            const std::unique_ptr<TMetafile> picture = pages->GetPage(page);
            if (!picture) continue; // the page still being composed
            picture->SetEnhanced(asEnhanced);
            const QByteArray bytes =
                picture->Enhanced() ? picture->SaveToBytes() : ConvertToPlaceableWmf(*picture);
            files.Add(PageFileName(page), std::string_view(bytes.constData(), std::size_t(bytes.size())));
        }
        files.Commit();
    }
    TQRExportFilter::Finish();
}

TQRWMFFilter::TQRWMFFilter(TComponent* owner)
    : TComponent(owner) {
    QRExportFilterLibrary().AddFilter(ExportFilterClass<TQRWMFExportFilter>());
}

TQRWMFFilter::~TQRWMFFilter() {
    QRExportFilterLibrary().RemoveFilter(ExportFilterClass<TQRWMFExportFilter>());
}

} // namespace quorvel
