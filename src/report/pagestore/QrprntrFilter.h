#pragma once

#include "platform/Alignment.h"
#include "platform/CanvasTypes.h"
#include "platform/Component.h"
#include "platform/Font.h"
#include "report/pagestore/QrprntrGraphic.h"

#include <QString>

#include <memory>
#include <vector>

namespace quorvel {

class TCustomQuickRep;
class TQRCustomBand;
class TQRExportFilter;
class TQRPrinter;

// A filter class as the registry keeps it: the class's name and its virtual constructor. Every filter
// class has exactly one of these (ExportFilterClass<T>), so entries can refer to it for as long as the
// process runs.
struct TQRExportFilterClass {
    QString ClassName;
    std::unique_ptr<TQRExportFilter> (*Create)(const QString& fileName);
};

// The class record of filter class T, which must have a constructor taking the target file name and a
// static ClassName().
template <class T> const TQRExportFilterClass& ExportFilterClass() {
    static const TQRExportFilterClass filterClass{
        T::ClassName(), [](const QString& fileName) -> std::unique_ptr<TQRExportFilter> {
            return std::make_unique<T>(fileName);
        }};
    return filterClass;
}

// Receives a report's output as a stream of drawing calls while the report runs and writes a file of
// another format. The engine calls Start once, EndPage once before the first page, then per page
// NewPage, the page's TextOut / AcceptGraphic / AcceptBand calls and EndPage, and finally Finish.
// The virtual operations are declared in their fixed slot order; the constructor's slot (5) is taken
// by the class record's Create, since a C++ constructor cannot be virtual.
class TQRExportFilter {
public:
    explicit TQRExportFilter(const QString& fileName);
    virtual ~TQRExportFilter();
    TQRExportFilter(const TQRExportFilter&) = delete;
    TQRExportFilter& operator=(const TQRExportFilter&) = delete;

    static QString ClassName() { return QStringLiteral("TQRExportFilter"); }

    virtual QString GetDescription() const;
    virtual QString GetExtension() const;
    virtual QString GetFilterName() const;
    virtual QString GetVendorName() const;
    virtual bool GetStreaming() const;
    // Paper width and length of the report page in tenths of a millimetre, and the report's font.
    virtual void Start(int paperWidth, int paperHeight, const TFont& font);
    virtual void EndPage();
    virtual void Finish();
    virtual void NewPage();
    // Xoff, Yoff: the graphic's left and top on the page in page-picture pixels.
    virtual void AcceptGraphic(double xoff, double yoff, const TExportGraphic& graphic);
    virtual void AcceptBand(const TQRCustomBand& bandControl, double xoff, double yoff, double expanded);
    // X, Y in tenths of a millimetre from the page's top-left corner; X is the reference point of the
    // alignment (left edge, right edge or centre).
    virtual void TextOut(double x, double y, const TFont& font, TColor bgColor, TAlignment alignment,
                         const QString& text);
    // True for a filter that looks up an HTML label by the marker it hands over instead of its text.
    virtual bool ResolvesHTMLLabels() const { return false; }

    bool Started() const noexcept { return started_; }
    const QString& TargetFile() const noexcept { return targetFile_; }
    // The report running the export and its page store when the export began; neither is owned. The
    // report sets both before it starts.
    TCustomQuickRep* Report() const noexcept { return report_; }
    void SetReport(TCustomQuickRep* report) noexcept { report_ = report; }
    TQRPrinter* ReportQRPrinter() const noexcept { return reportQRPrinter_; }
    void SetReportQRPrinter(TQRPrinter* printer) noexcept { reportQRPrinter_ = printer; }

protected:
    void SetStarted(bool started) noexcept { started_ = started; }

private:
    TQRPrinter* reportQRPrinter_ = nullptr;
    bool started_ = false;
    QString targetFile_;
    TCustomQuickRep* report_ = nullptr;
};

class TQRExportFilterComponent;

struct TQRExportFilterLibraryEntry {
    const TQRExportFilterClass* ExportFilterClass = nullptr;
    QString FilterName;
    QString Extension;
    // The component that offered the entry, if one did: the filters made through the entry take its
    // settings.
    const TQRExportFilterComponent* Component = nullptr;

    // A filter of the entry's class for the target file, with the offering component's settings.
    std::unique_ptr<TQRExportFilter> Create(const QString& fileName) const;
};

// The ordered list of filter classes the preview's save dialog offers. Filter components add their
// class when they are made and remove it when they go.
class TQRExportFilterLibrary {
public:
    // Appends an entry with the class's filter name and extension, unless an entry of a class with the
    // same name is already there; `component` is the component offering it, if any.
    void AddFilter(const TQRExportFilterClass& filterClass,
                   const TQRExportFilterComponent* component = nullptr);
    // Removes the first entry whose filter name equals the class's (case-sensitive). Failures of the
    // temporary instance are swallowed: a component going away must not fail.
    void RemoveFilter(const TQRExportFilterClass& filterClass);

    const std::vector<TQRExportFilterLibraryEntry>& Filters() const noexcept { return entries_; }
    // "Tessaly file(*.QRP)|*.QRP" followed by "|Name (*.EXT)|*.EXT" for every entry in list order.
    QString GetSaveDialogFilter() const;
    // The entry behind a file-dialog filter index built from GetSaveDialogFilter: index 1 is the
    // saved-report format (nullptr), index i ≥ 2 is entry i − 2; nullptr outside the list.
    const TQRExportFilterLibraryEntry* EntryForDialogIndex(int filterIndex) const;

private:
    std::vector<TQRExportFilterLibraryEntry> entries_;
};

// The process-wide registry, made on first use and freed when the process ends.
TQRExportFilterLibrary& QRExportFilterLibrary();

// A non-visual component placed on a form that offers one filter class in the preview's save dialog
// for as long as it exists.
class TQRExportFilterComponent : public TComponent {
public:
    TQRExportFilterComponent(TComponent* owner, const TQRExportFilterClass& filterClass);
    ~TQRExportFilterComponent() override;

    const TQRExportFilterClass& FilterClass() const noexcept { return filterClass_; }
    // Hands the component's settings to a filter made through its entry. The base has none.
    virtual void Configure(TQRExportFilter& filter) const;

private:
    const TQRExportFilterClass& filterClass_;
};

} // namespace quorvel
