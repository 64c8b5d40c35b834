#pragma once

#include "platform/Canvas.h"
#include "report/pagestore/QrprntrMessages.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QEvent>
#include <QObject>

#include <vector>

namespace quorvel::testing {

// A report as a page store and its preview see it: fixed settings, and a record of what was asked.
class TestOwner : public TQRPrinterOwner {
public:
    bool useStandardPrinter = false;
    int memoryLimit = 250000;
    bool showProgress = false;
    bool exporting = false;
    QSizeF pageSize{2100, 2970};
    TQRPreviewSettings preview;
    TQRPrintChoices choices;
    int afterPrintCount = 0;
    int printReportCount = 0;
    int printerSetupCount = 0;
    std::vector<TQRPrintChoices> stored;
    std::vector<std::pair<TQRPaperSize, TPrinterOrientation>> pagePapers;

    bool UseStandardPrinterSetting() const override { return useStandardPrinter; }
    int MemoryLimitSetting() const override { return memoryLimit; }
    bool ShowProgressSetting() const override { return showProgress; }
    QSizeF PageSizeNative() const override { return pageSize; }
    bool IsExporting() const override { return exporting; }
    void FireAfterPrint() override { ++afterPrintCount; }
    TQRPreviewSettings PreviewSettings() const override { return preview; }
    void PrintReport() override { ++printReportCount; }
    void PrinterSetup() override { ++printerSetupCount; }
    TQRPrintChoices UserPrintChoices() const override { return choices; }
    void StorePrintChoices(const TQRPrintChoices& value) override { stored.push_back(value); }
    void SetPagePaper(TQRPaperSize size, TPrinterOrientation orientation) override {
        pagePapers.emplace_back(size, orientation);
    }
};

// Records the page store messages it receives: type and first parameter, in order.
class MessageLog : public QObject {
public:
    struct Entry {
        int type;
        int first;
        TQRPrinter* pageStore;
    };
    std::vector<Entry> entries;

    std::vector<int> Of(QEvent::Type type) const {
        std::vector<int> values;
        for (const Entry& entry : entries)
            if (entry.type == type) values.push_back(entry.first);
        return values;
    }

protected:
    bool event(QEvent* event) override {
        if (auto* message = dynamic_cast<PageStoreMessage*>(event)) {
            entries.push_back({message->type(), message->First(), message->PageStore()});
            return true;
        }
        return QObject::event(event);
    }
};

// Writes "Page N", "TOTAL GERAL" and a line on the open page.
inline void DrawPage(TQRPrinter& pageStore) {
    TCanvas& canvas = pageStore.Canvas();
    canvas.SetFont(TFont(QStringLiteral("Arial"), 14));
    canvas.TextOut(pageStore.XPos(200), pageStore.YPos(200),
                   QStringLiteral("Page %1").arg(pageStore.PageNumber()));
    canvas.TextOut(pageStore.XPos(200), pageStore.YPos(400), QStringLiteral("TOTAL GERAL"));
    canvas.MoveTo(pageStore.XPos(200), pageStore.YPos(600));
    canvas.LineTo(pageStore.XPos(1800), pageStore.YPos(600));
}

// A whole document of such pages: BeginDoc, the pages, EndDoc.
inline void MakeDocument(TQRPrinter& pageStore, int pages) {
    pageStore.BeginDoc();
    for (int page = 0; page < pages; ++page) {
        pageStore.NewPage();
        DrawPage(pageStore);
    }
    pageStore.EndDoc();
}

} // namespace quorvel::testing
