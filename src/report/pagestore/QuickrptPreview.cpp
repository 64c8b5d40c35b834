#include "report/pagestore/QuickrptPreview.h"

#include <mutex>

namespace quorvel {

namespace {

// The registered factories: process-wide, set once at start-up by the preview window's library.
struct Factories {
    std::mutex mutex;
    TQRPreviewInterfaceFactory preview;
    TQRProgressWindowFactory progress;
};

Factories& Registered() {
    static Factories factories;
    return factories;
}

} // namespace

QObject* TQRPreviewInterface::Show(TQRPrinter&) {
    return nullptr;
}

QObject* TQRPreviewInterface::ShowModal(TQRPrinter&) {
    return nullptr;
}

void TQRPreviewInterface::DisableSaving(QObject&) {}

void RegisterPreviewClass(TQRPreviewInterfaceFactory factory) {
    std::lock_guard lock(Registered().mutex);
    Registered().preview = std::move(factory);
}

std::unique_ptr<TQRPreviewInterface> CreatePreviewInterface() {
    TQRPreviewInterfaceFactory factory;
    {
        std::lock_guard lock(Registered().mutex);
        factory = Registered().preview;
    }
    if (factory)
        if (auto made = factory()) return made;
    return std::make_unique<TQRPreviewInterface>();
}

void RegisterProgressWindowClass(TQRProgressWindowFactory factory) {
    std::lock_guard lock(Registered().mutex);
    Registered().progress = std::move(factory);
}

std::unique_ptr<TQRProgressWindow> CreateProgressWindow(TQRPrinter& pageStore) {
    TQRProgressWindowFactory factory;
    {
        std::lock_guard lock(Registered().mutex);
        factory = Registered().progress;
    }
    return factory ? factory(pageStore) : nullptr;
}

} // namespace quorvel
