#pragma once

// Reports built at run time: a tabular list report for any data set, documents drawn by code on a
// page store, and saved-report files opened for preview and printing.

#include "platform/Component.h"
#include "platform/Font.h"
#include "platform/Printer.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace quorvel {

class TCustomQuickRep;
class TDataSetComponent;
class TQRCustomBand;
class TQRExpr;
class TQRLabel;
class TQRPrinter;
class TQuickRep;

// Builds the frame of a report at run time: a report of its own (unless one is given), a centred
// title label on a title band when a title is set, and the page number right-aligned on the page
// footer. Inactive at first; active while it holds the report it built; FetchReport hands the report
// over, and deactivating frees a report it made that was not fetched.
class TQRBuilder : public TComponent {
public:
    explicit TQRBuilder(TComponent* owner);
    ~TQRBuilder() override;

    std::string_view ClassName() const noexcept override { return "TQRBuilder"; }

    bool Active() const noexcept { return active_; }
    virtual void SetActive(bool active);
    // The report built or filled; none before activation unless one is given.
    TCustomQuickRep* Report() const noexcept { return report_; }
    // A report to fill instead of making one: the builder then adds neither title nor page number.
    void SetReport(TCustomQuickRep* report) noexcept {
        report_ = report;
        reportGiven_ = report != nullptr;
    }
    // The report's font (initially Arial).
    TFont& Font() noexcept { return font_; }
    TPrinterOrientation Orientation() const noexcept { return orientation_; }
    void SetOrientation(TPrinterOrientation orientation);
    const QString& Title() const noexcept { return title_; }
    void SetTitle(const QString& title);

    // Hands the report over and makes the builder inactive without freeing it. A report the builder
    // made belongs to the builder's owner (to the builder when it has none).
    TCustomQuickRep* FetchReport();

protected:
    // Makes the report (unless one was given) with its title and page-number footer.
    virtual void BuildFramework();
    // Names every unnamed component of the report's owner (of the report when it has none) after
    // its class, without the leading letter, made unique ("QRLabel1").
    void NameComponents();

private:
    void AddTitle();
    void FreeReport();

    bool active_ = false;
    bool reportGiven_ = false;
    TCustomQuickRep* report_ = nullptr;
    TQRLabel* titleLabel_ = nullptr;
    TFont font_{QStringLiteral("Arial"), 10};
    TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
    QString title_;
};

// Builds a tabular list of a data set: a column header with one label per field, as wide as the
// field's display width, and a detail band with an expression per field under its label. Fields
// whose names hold a blank or one of / \ & % - are left out (an expression cannot name them), as are
// blob fields and fields that do not fit on a landscape page.
class TQRListBuilder : public TQRBuilder {
public:
    explicit TQRListBuilder(TComponent* owner);
    ~TQRListBuilder() override;

    std::string_view ClassName() const noexcept override { return "TQRListBuilder"; }

    TDataSetComponent* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSetComponent* dataSet) noexcept { dataSet_ = dataSet; }
    // The fields to list, by name; empty lists every visible field.
    const QStringList& Fields() const noexcept { return fields_; }
    void SetFields(const QStringList& names) { fields_ = names; }
    // Names every field of the data set.
    void AddAllFields();

    // Activation builds the frame and the list, and only happens with a data set.
    void SetActive(bool active) override;

protected:
    void BuildList();

private:
    TDataSetComponent* dataSet_ = nullptr;
    QStringList fields_;
};

// Builds a list report of a data set in one call. With report none a new report is made (with the
// title and page numbers); a report passed in receives only the columns. The report is returned
// through report when the list could be built; fieldNames empty lists every visible field.
void QRCreateList(TCustomQuickRep*& report, TComponent& owner, TDataSetComponent* dataSet,
                  const QString& title, const QStringList& fieldNames = {});

// A document drawn by code: a derived class draws its pages in CreateOutput (BeginDoc, NewPage,
// drawing on Canvas in device pixels through XPos / YPos, EndDoc), which Preview and Print run on a
// page store made for the one output.
class TQRPrintJob {
public:
    TQRPrintJob() = default;
    virtual ~TQRPrintJob() = default;
    TQRPrintJob(const TQRPrintJob&) = delete;
    TQRPrintJob& operator=(const TQRPrintJob&) = delete;

    // Draws the document; the base draws nothing.
    virtual void CreateOutput(TQRPrinter& pageStore) { (void)pageStore; }
    // Runs CreateOutput into a preview and returns when the preview closes.
    void Preview();
    // Runs CreateOutput onto the printer.
    void Print();
};

// A saved-report file opened for preview and printing. The handler's own report stands for the
// file's document (orientation, preview settings); the page store holding the file is its own.
class TQRPHandler {
public:
    TQRPHandler();
    ~TQRPHandler();
    TQRPHandler(const TQRPHandler&) = delete;
    TQRPHandler& operator=(const TQRPHandler&) = delete;

    const QString& Filename() const noexcept { return filename_; }
    // Opens another file: the pages of the previous one go. A file that cannot be read leaves the
    // handler without pages and the error reaches the caller.
    void SetFilename(const QString& name);
    // Shows the pages; the preview offers no saving (the file is already saved). Returns when the
    // preview closes.
    void Preview();
    void Print();
    // Runs the print dialog; the chosen printer prints the pages from then on.
    void HandlePrintSetup();

    TQRPrinter* QRPrinter() const noexcept { return pageStore_.get(); }
    TCustomQuickRep& Report() const noexcept;

private:
    QString filename_;
    std::unique_ptr<TQuickRep> report_;
    std::unique_ptr<TQRPrinter> pageStore_;
};

} // namespace quorvel
