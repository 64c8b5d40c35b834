#include "report/TestOwner.h"

#include "platform/Canvas.h"
#include "report/QrprntrMessages.h"

namespace quorvel::testing {

std::vector<int> MessageLog::Of(QEvent::Type type) const {
    std::vector<int> values;
    for (const Entry& entry : entries)
        if (entry.type == type) values.push_back(entry.first);
    return values;
}

bool MessageLog::event(QEvent* event) {
    if (auto* message = dynamic_cast<PageStoreMessage*>(event)) {
        entries.push_back({message->type(), message->First(), message->PageStore()});
        return true;
    }
    return QObject::event(event);
}

void DrawPage(TQRPrinter& pageStore) {
    TCanvas& canvas = pageStore.Canvas();
    canvas.SetFont(TFont(QStringLiteral("Arial"), 14));
    canvas.TextOut(pageStore.XPos(200), pageStore.YPos(200),
                   QStringLiteral("Page %1").arg(pageStore.PageNumber()));
    canvas.TextOut(pageStore.XPos(200), pageStore.YPos(400), QStringLiteral("TOTAL GERAL"));
    canvas.MoveTo(pageStore.XPos(200), pageStore.YPos(600));
    canvas.LineTo(pageStore.XPos(1800), pageStore.YPos(600));
}

void MakeDocument(TQRPrinter& pageStore, int pages) {
    pageStore.BeginDoc();
    for (int page = 0; page < pages; ++page) {
        pageStore.NewPage();
        DrawPage(pageStore);
    }
    pageStore.EndDoc();
}

} // namespace quorvel::testing
