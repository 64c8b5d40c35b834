#pragma once

#include "platform/Component.h"

#include <QString>

#include <functional>
#include <memory>

class QObject;

namespace quorvel {

class TQRPrinter;

// The factory through which a page store opens a preview window on itself. The engine has no
// widgets: the preview window's library registers its factory (RegisterPreviewClass) at start-up;
// until then the base is used, which opens nothing.
class TQRPreviewInterface : public TComponent {
public:
    explicit TQRPreviewInterface(TComponent* owner = nullptr)
        : TComponent(owner) {}
    std::string_view ClassName() const noexcept override { return "TQRPreviewInterface"; }

    // Opens a preview of the page store non-modally and returns its window (which frees itself when
    // closed), or nullptr.
    virtual QObject* Show(TQRPrinter& pageStore);
    // Runs a preview of the page store modally; returns when it is closed.
    virtual QObject* ShowModal(TQRPrinter& pageStore);
    // Tells a window Show opened that its pages come from a saved file, which no report can save
    // anew: it offers no saving. The base opens no window and does nothing.
    virtual void DisableSaving(QObject& window);
};

using TQRPreviewInterfaceFactory = std::function<std::unique_ptr<TQRPreviewInterface>()>;

// Sets the factory page stores use from now on (an empty one restores the base).
void RegisterPreviewClass(TQRPreviewInterfaceFactory factory);
// A preview factory of the registered class.
std::unique_ptr<TQRPreviewInterface> CreatePreviewInterface();

// A progress window shown while a report prints or exports: it shows the page store's progress
// (it receives the page store's CM_QRPROGRESSUPDATE messages through Receiver) and its cancel
// button cancels the page store.
class TQRProgressWindow {
public:
    virtual ~TQRProgressWindow() = default;
    virtual void SetCaption(const QString& caption) = 0;
    virtual void Show() = 0;
    // The object the page store posts its progress messages to.
    virtual QObject* Receiver() = 0;
};

using TQRProgressWindowFactory = std::function<std::unique_ptr<TQRProgressWindow>(TQRPrinter& pageStore)>;

// Sets the factory of progress windows; without one no progress window is shown.
void RegisterProgressWindowClass(TQRProgressWindowFactory factory);
// A progress window for the page store, or nullptr when no factory is registered.
std::unique_ptr<TQRProgressWindow> CreateProgressWindow(TQRPrinter& pageStore);

} // namespace quorvel
