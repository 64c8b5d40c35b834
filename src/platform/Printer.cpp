#include "platform/Printer.h"

#include <QCoreApplication>

namespace quorvel {

namespace {

// The printer of a process that has chosen no print system: it lists no queue, so the report engine
// prints nothing, as on a machine without printers.
class TNoPrinter final : public TPrinter {
public:
    const QStringList& Printers() const override { return none_; }
    void Refresh() override {}
    int PrinterIndex() const override { return -1; }
    void SetPrinterIndex(int) override {}
    QString DeviceName() const override { return {}; }
    QString DriverName() const override { return {}; }
    QString Port() const override { return {}; }
    TDeviceMode DeviceMode() const override { return {}; }
    void SetDeviceMode(const TDeviceMode&) override {}
    QList<int> PaperCodes() const override { return {}; }
    int XDpi() const override { return 0; }
    int YDpi() const override { return 0; }
    QPoint PhysicalOffset() const override { return {}; }
    QSize PhysicalSize() const override { return {}; }
    bool BeginDoc() override { return false; }
    void NewPage() override { throw EPrinter(QStringLiteral("Printer is not printing")); }
    void EndDoc() override { throw EPrinter(QStringLiteral("Printer is not printing")); }
    void Abort() override {}
    bool Printing() const override { return false; }
    bool Aborted() const override { return false; }
    int PageNumber() const override { return 0; }
    TCanvas& Canvas() override { throw EPrinter(QStringLiteral("Printer is not printing")); }

private:
    QStringList none_;
};

std::unique_ptr<TPrinter> MakeNoPrinter() {
    return std::make_unique<TNoPrinter>();
}

// The process's choice of print system and the shared printer object made from it.
PrinterMaker& ChosenMaker() {
    static PrinterMaker maker = MakeNoPrinter;
    return maker;
}

std::unique_ptr<TPrinter>& SharedPrinter() {
    static std::unique_ptr<TPrinter> printer;
    return printer;
}

} // namespace

void SetPrinterMaker(PrinterMaker maker) {
    ChosenMaker() = maker ? maker : MakeNoPrinter;
    // A shared printer of the earlier kind is dropped: the next use makes one of the new kind.
    SharedPrinter().reset();
}

std::unique_ptr<TPrinter> NewPrinter() {
    return ChosenMaker()();
}

TPrinter& Printer() {
    std::unique_ptr<TPrinter>& printer = SharedPrinter();
    if (!printer) {
        printer = NewPrinter();
        qAddPostRoutine([] { SharedPrinter().reset(); });
    }
    return *printer;
}

} // namespace quorvel
