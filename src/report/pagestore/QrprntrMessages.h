#pragma once

#include <QEvent>

namespace quorvel {

class TQRPrinter;

// The page store's window messages, as custom event types that keep their numbers. Progress and
// pages-available go to the preview control (or the progress window), print-anew and preview-closed
// to the window of the report that owns the page store.
inline constexpr QEvent::Type CM_QRPROGRESSUPDATE = static_cast<QEvent::Type>(1024);
inline constexpr QEvent::Type CM_QRPAGEAVAILABLE = static_cast<QEvent::Type>(1025);
inline constexpr QEvent::Type CM_QRPRINT = static_cast<QEvent::Type>(1026);
inline constexpr QEvent::Type CM_QRPREVIEWCLOSE = static_cast<QEvent::Type>(1028);

// One page-store message: First carries the progress percent (1024) or the available pages (1025),
// PageStore the page store that closed its preview (1028).
class PageStoreMessage : public QEvent {
public:
    PageStoreMessage(QEvent::Type type, int first, TQRPrinter* pageStore = nullptr);
    ~PageStoreMessage() override;

    int First() const noexcept { return first_; }
    TQRPrinter* PageStore() const noexcept { return pageStore_; }

private:
    int first_;
    TQRPrinter* pageStore_;
};

// Keeps the four numbers from being handed out by QEvent::registerEventType elsewhere in the process.
void ReservePageStoreMessages();

} // namespace quorvel
