#pragma once

#include "report/pagestore/QuickrptPreview.h"

namespace quorvel {

// The factory that opens the standard preview window on a page store.
class TQRStandardPreviewInterface : public TQRPreviewInterface {
public:
    explicit TQRStandardPreviewInterface(TComponent* owner = nullptr)
        : TQRPreviewInterface(owner) {}
    std::string_view ClassName() const noexcept override { return "TQRStandardPreviewInterface"; }

    // The window, shown; it frees itself when closed.
    QObject* Show(TQRPrinter& pageStore) override;
    // Runs the window until it is closed; returns none, the window being gone by then.
    QObject* ShowModal(TQRPrinter& pageStore) override;
    // Disables the window's "SaveReport" button.
    void DisableSaving(QObject& window) override;
};

// Makes the standard preview window and progress window the ones the report engine opens. The
// program calls it once at start-up.
void RegisterStandardPreview();

} // namespace quorvel
