#pragma once

#include "report/QrprntrPrinter.h"

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
    std::vector<int> Of(QEvent::Type type) const;

protected:
    bool event(QEvent* event) override;
};

// Writes "Page N" and a line on every page of a document: BeginDoc, the pages, EndDoc.
void MakeDocument(TQRPrinter& pageStore, int pages);
void DrawPage(TQRPrinter& pageStore);

} // namespace quorvel::testing
