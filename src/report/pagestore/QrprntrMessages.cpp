#include "report/pagestore/QrprntrMessages.h"

#include <mutex>

namespace quorvel {

PageStoreMessage::PageStoreMessage(QEvent::Type type, int first, TQRPrinter* pageStore)
    : QEvent(type)
    , first_(first)
    , pageStore_(pageStore) {}

PageStoreMessage::~PageStoreMessage() = default;

void ReservePageStoreMessages() {
    static std::once_flag reserved;
    std::call_once(reserved, [] {
        for (const QEvent::Type type :
             {CM_QRPROGRESSUPDATE, CM_QRPAGEAVAILABLE, CM_QRPRINT, CM_QRPREVIEWCLOSE})
            QEvent::registerEventType(type);
    });
}

} // namespace quorvel
