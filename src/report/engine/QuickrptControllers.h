#pragma once

#include "platform/Component.h"
#include "report/engine/QuickrptTypes.h"
#include "report/expr/QrexprResult.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace quorvel {

class TCustomQuickRep;
class TDataSetComponent;
class TQRCustomBand;
class TQREvEmbeddedFunction;
class TQRGroup;
class TQRPrintable;

// Drives the printing of one repeating level: the report's detail level or one controller band.
// It knows its child controllers (printed before or after its host's detail band), the groups that
// break on it and the printables that follow its record advances. The base runs only its children:
// it serves reports without a data set of their own.
class TQRCustomController : public TComponent {
public:
    // host: the report or the controller band the controller serves.
    explicit TQRCustomController(TComponent& host);
    ~TQRCustomController() override;

    std::string_view ClassName() const noexcept override { return "TQRCustomController"; }

    TComponent& Host() const noexcept { return host_; }
    TCustomQuickRep* ParentReport() const noexcept { return parentReport_; }
    void SetParentReport(TCustomQuickRep* report) noexcept { parentReport_ = report; }
    // A report, a controller or a controller band; never the controller itself.
    TComponent* Master() const noexcept { return master_; }
    void SetMaster(TComponent* master);
    bool PrintIfEmpty() const noexcept { return printIfEmpty_; }
    void SetPrintIfEmpty(bool value) noexcept { printIfEmpty_ = value; }
    bool PrintBefore() const noexcept { return printBefore_; }
    virtual void SetPrintBefore(bool value);

    const std::vector<TQRCustomController*>& PrintBeforeList() const noexcept { return printBeforeList_; }
    const std::vector<TQRCustomController*>& PrintAfterList() const noexcept { return printAfterList_; }
    const std::vector<TQRGroup*>& Groups() const noexcept { return groups_; }

    // The value written into the local variable before each repetition.
    virtual TQREvResult LocalVarValue() const;
    // Finds the child controllers and groups whose Master is the host, in the owner's component order.
    virtual void BuildTree();
    virtual void Execute();
    virtual void Prepare();
    virtual void Unprepare();
    virtual void PrintAfterControllers();
    virtual void PrintBeforeControllers();
    virtual void PrintEmptyController();
    // Appends the bands this level prints, in printing order, for the report's band list.
    virtual void RegisterBands(std::vector<TQRCustomBand*>& list) const;
    virtual void RegisterDatasets();
    virtual void UpdateLocalVar();

    bool CheckGroups();
    void NewPageCheckGroups();
    void PrintGroupHeaders();
    void PrintGroupFooters();
    void CheckLastGroupFooters();
    void AddNotifyClient(TQRPrintable& printable);
    void NotifyClients(TQRNotifyOperation operation);
    // Forgets a destroyed component wherever the controller refers to it.
    virtual void ComponentRemoved(TComponent& component);

    // Registers a band into a band list: nothing for no band, a band being destroyed or one already
    // listed; otherwise the band and then its chain of child bands.
    static void AddBand(TQRCustomBand* band, std::vector<TQRCustomBand*>& out);

protected:
    void RegisterChildBands(const std::vector<TQRCustomController*>& list,
                            std::vector<TQRCustomBand*>& out) const;

private:
    TComponent& host_;
    TCustomQuickRep* parentReport_ = nullptr;
    TComponent* master_ = nullptr;
    std::vector<TQRCustomController*> printBeforeList_;
    std::vector<TQRCustomController*> printAfterList_;
    std::vector<TQRGroup*> groups_;
    std::vector<TQRPrintable*> notifyList_;
    bool printIfEmpty_ = true;
    bool printBefore_ = false;

protected:
    std::weak_ptr<TQREvEmbeddedFunction> localVar_;
};

// The controller over a data set: the report's own (title, detail, summary bands) or a sub-detail's
// (header, the sub-detail, footer). Without an open data set it asks OnNeedData for records.
class TQRController : public TQRCustomController {
public:
    explicit TQRController(TComponent& host);
    std::string_view ClassName() const noexcept override { return "TQRController"; }

    TDataSetComponent* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSetComponent* dataSet) noexcept { dataSet_ = dataSet; }
    TQRCustomBand* Header() const noexcept { return header_; }
    void SetHeader(TQRCustomBand* band) noexcept { header_ = band; }
    TQRCustomBand* Detail() const noexcept { return detail_; }
    void SetDetail(TQRCustomBand* band) noexcept { detail_ = band; }
    TQRCustomBand* Footer() const noexcept { return footer_; }
    void SetFooter(TQRCustomBand* band) noexcept { footer_ = band; }
    TQREvent<void(TComponent& sender, bool& moreData)> OnNeedData;

    // The detail record being printed, from 1.
    int RecordNo() const noexcept { return recordNo_; }
    // The data set's record count as read when it was opened; 1 when it could not be had.
    int RecordCount() const noexcept { return recordCount_; }

    void Execute() override;
    void PrintEmptyController() override;
    void RegisterBands(std::vector<TQRCustomBand*>& list) const override;
    void RegisterDatasets() override;
    void ComponentRemoved(TComponent& component) override;

private:
    bool HasOpenDataSet() const;
    void RunNeedData(bool& moreData);
    void PrintFooter();

    TDataSetComponent* dataSet_ = nullptr;
    TQRCustomBand* header_ = nullptr;
    TQRCustomBand* detail_ = nullptr;
    TQRCustomBand* footer_ = nullptr;
    int recordNo_ = 0;
    int recordCount_ = 1;
};

// Prints its band PrintCount times.
class TQRLoopController : public TQRCustomController {
public:
    using TQRCustomController::TQRCustomController;
    std::string_view ClassName() const noexcept override { return "TQRLoopController"; }

    int PrintCount() const noexcept { return printCount_; }
    void SetPrintCount(int count) noexcept { printCount_ = count; }
    int Repetition() const noexcept { return repetition_; }

    TQREvResult LocalVarValue() const override;
    void Execute() override;
    void RegisterBands(std::vector<TQRCustomBand*>& list) const override;

private:
    int printCount_ = 0;
    int repetition_ = 0;
};

// Prints its band once per line of Items.
class TQRStringsController : public TQRCustomController {
public:
    using TQRCustomController::TQRCustomController;
    std::string_view ClassName() const noexcept override { return "TQRStringsController"; }

    const QStringList& Items() const noexcept { return items_; }
    void SetItems(const QStringList& items) { items_ = items; }
    int Index() const noexcept { return index_; }

    TQREvResult LocalVarValue() const override;
    void Execute() override;
    void RegisterBands(std::vector<TQRCustomBand*>& list) const override;

private:
    QStringList items_;
    int index_ = -1;
};

} // namespace quorvel
