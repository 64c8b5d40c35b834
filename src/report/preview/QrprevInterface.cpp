#include "report/preview/QrprevInterface.h"

#include "report/preview/QrprevProgress.h"
#include "report/preview/QrprevStandard.h"

namespace quorvel {

QObject* TQRStandardPreviewInterface::Show(TQRPrinter& pageStore) {
    return ShowStandardPreview(pageStore, TPreviewModality::Modeless);
}

QObject* TQRStandardPreviewInterface::ShowModal(TQRPrinter& pageStore) {
    return ShowStandardPreview(pageStore, TPreviewModality::Modal);
}

void TQRStandardPreviewInterface::DisableSaving(QObject& window) {
    if (auto* preview = qobject_cast<TQRStandardPreview*>(&window)) preview->DisableSaving();
}

void RegisterStandardPreview() {
    RegisterPreviewClass([] { return std::make_unique<TQRStandardPreviewInterface>(); });
    RegisterProgressWindowClass(
        [](TQRPrinter& pageStore) { return std::make_unique<TQRStandardProgressWindow>(pageStore); });
}

} // namespace quorvel
