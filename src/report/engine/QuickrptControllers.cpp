#include "report/engine/QuickrptControllers.h"

#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptPrintable.h"
#include "report/engine/QuickrptReport.h"

#include <QCoreApplication>

#include <algorithm>

namespace quorvel {

namespace {

TQRCustomController* ControllerOf(TComponent* component) {
    if (auto* band = dynamic_cast<TQRControllerBand*>(component)) return &band->Controller();
    return dynamic_cast<TQRCustomController*>(component);
}

template <class T> void Erase(std::vector<T*>& list, const void* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

TQRCustomController::TQRCustomController(TComponent& host)
    : TComponent(nullptr)
    , host_(host) {}

TQRCustomController::~TQRCustomController() = default;

void TQRCustomController::SetMaster(TComponent* master) {
    if (master == this) return;
    if (master && !dynamic_cast<TCustomQuickRep*>(master) && !dynamic_cast<TQRCustomController*>(master) &&
        !dynamic_cast<TQRControllerBand*>(master))
        return;
    master_ = master;
}

void TQRCustomController::SetPrintBefore(bool value) {
    printBefore_ = value;
}

TQREvResult TQRCustomController::LocalVarValue() const {
    return TQREvResult::Int(0);
}

void TQRCustomController::BuildTree() {
    printBeforeList_.clear();
    printAfterList_.clear();
    groups_.clear();
    const auto scan = [&](const TComponent& owner) {
        for (int i = 0; i < owner.ComponentCount(); ++i) {
            TComponent* component = owner.Component(i);
            if (TQRCustomController* child = ControllerOf(component);
                child && child != this && child->Master() == &host_) {
                child->SetParentReport(parentReport_);
                (child->PrintBefore() ? printBeforeList_ : printAfterList_).push_back(child);
                child->BuildTree();
            }
            if (auto* group = dynamic_cast<TQRGroup*>(component);
                group && group->Master() == &host_ && !group->IsDestroying()) {
                groups_.push_back(group);
                group->SetParentReport(parentReport_);
            }
        }
    };
    if (host_.Owner()) scan(*host_.Owner());
    if (&host_ != host_.Owner()) scan(host_);
    RegisterDatasets();
}

void TQRCustomController::Execute() {
    if (PrintIfEmpty()) PrintEmptyController();
}

void TQRCustomController::Prepare() {
    notifyList_.clear();
    for (TQRCustomController* child : printBeforeList_)
        child->Prepare();
    for (TQRCustomController* child : printAfterList_)
        child->Prepare();
    for (TQRGroup* group : groups_)
        group->Prepare();
    localVar_.reset();
    if (parentReport_ && !host_.Name().isEmpty()) localVar_ = parentReport_->Functions().Entry(host_.Name());
}

void TQRCustomController::Unprepare() {
    for (TQRCustomController* child : printBeforeList_)
        child->Unprepare();
    for (TQRCustomController* child : printAfterList_)
        child->Unprepare();
    for (TQRGroup* group : groups_)
        group->Unprepare();
}

void TQRCustomController::PrintBeforeControllers() {
    for (TQRCustomController* child : printBeforeList_)
        child->Execute();
}

void TQRCustomController::PrintAfterControllers() {
    for (TQRCustomController* child : printAfterList_)
        child->Execute();
}

void TQRCustomController::PrintEmptyController() {
    PrintBeforeControllers();
    PrintAfterControllers();
}

void TQRCustomController::AddBand(TQRCustomBand* band, std::vector<TQRCustomBand*>& out) {
    if (!band || band->IsDestroying() || std::find(out.begin(), out.end(), band) != out.end()) return;
    out.push_back(band);
    // The band's child chain follows it.
    for (TQRCustomBand* child = band->GetChild(); child; child = child->GetChild()) {
        if (std::find(out.begin(), out.end(), child) != out.end()) break;
        out.push_back(child);
    }
}

void TQRCustomController::RegisterChildBands(const std::vector<TQRCustomController*>& list,
                                             std::vector<TQRCustomBand*>& out) const {
    for (const TQRCustomController* child : list)
        child->RegisterBands(out);
}

void TQRCustomController::RegisterBands(std::vector<TQRCustomBand*>& list) const {
    RegisterChildBands(printBeforeList_, list);
    RegisterChildBands(printAfterList_, list);
}

void TQRCustomController::RegisterDatasets() {}

void TQRCustomController::UpdateLocalVar() {
    if (!parentReport_ || localVar_.expired()) return;
    parentReport_->Functions().SetConstant(host_.Name(), LocalVarValue());
}

bool TQRCustomController::CheckGroups() {
    bool anyBreak = false;
    for (TQRGroup* group : groups_) {
        if (anyBreak) {
            // A group inside one that broke starts anew.
            group->TakeValue();
            continue;
        }
        group->Check();
        anyBreak = group->GroupBreak();
    }
    return anyBreak;
}

void TQRCustomController::NewPageCheckGroups() {
    if (std::any_of(groups_.begin(), groups_.end(), [](const TQRGroup* g) { return g->GroupBreak(); }))
        return;
    for (TQRCustomController* child : printBeforeList_)
        child->NewPageCheckGroups();
    bool reprint = false;
    for (TQRGroup* group : groups_) {
        if (reprint) {
            group->TakeValue();
            continue;
        }
        group->NewPageCheck();
        reprint = group->GroupBreak();
    }
    if (reprint) PrintGroupHeaders();
    for (TQRCustomController* child : printAfterList_)
        child->NewPageCheckGroups();
}

void TQRCustomController::PrintGroupHeaders() {
    for (TQRGroup* group : groups_)
        if (group->GroupBreak()) group->PrintGroupHeader();
}

void TQRCustomController::PrintGroupFooters() {
    for (auto it = groups_.rbegin(); it != groups_.rend(); ++it)
        if ((*it)->GroupBreak()) (*it)->PrintGroupFooter();
}

void TQRCustomController::CheckLastGroupFooters() {
    for (TQRGroup* group : groups_)
        group->SetGroupBreak(!group->GroupBreak());
}

void TQRCustomController::AddNotifyClient(TQRPrintable& printable) {
    if (std::find(notifyList_.begin(), notifyList_.end(), &printable) == notifyList_.end())
        notifyList_.push_back(&printable);
}

void TQRCustomController::NotifyClients(TQRNotifyOperation operation) {
    for (TQRPrintable* printable : notifyList_)
        printable->QRNotification(*this, operation);
}

void TQRCustomController::ComponentRemoved(TComponent& component) {
    // Told of every component that goes: plain comparisons only.
    if (&component == master_) master_ = nullptr;
    const auto hostedBy = [&component](const TQRCustomController* child) {
        return &child->Host() == &component || child == &component;
    };
    std::erase_if(printBeforeList_, hostedBy);
    std::erase_if(printAfterList_, hostedBy);
    Erase(groups_, &component);
    Erase(notifyList_, &component);
}

TQRController::TQRController(TComponent& host)
    : TQRCustomController(host) {}

bool TQRController::HasOpenDataSet() const {
    return dataSet_ && dataSet_->Active();
}

void TQRController::ComponentRemoved(TComponent& component) {
    TQRCustomController::ComponentRemoved(component);
    if (&component == dataSet_) dataSet_ = nullptr;
    if (&component == header_) header_ = nullptr;
    if (&component == detail_) detail_ = nullptr;
    if (&component == footer_) footer_ = nullptr;
}

void TQRController::RegisterDatasets() {
    if (HasOpenDataSet() && ParentReport()) ParentReport()->AddToDataSetList(*dataSet_);
}

void TQRController::RunNeedData(bool& moreData) {
    if (OnNeedData && !Host().IsDesigning()) OnNeedData(Host(), moreData);
}

void TQRController::Execute() {
    TCustomQuickRep* report = ParentReport();
    for (TQRGroup* group : Groups())
        group->SetHasValue(false);
    if ((!HasOpenDataSet() && !OnNeedData) || !report) {
        if (PrintIfEmpty()) PrintEmptyController();
        return;
    }
    bool moreData = true;
    const bool withDataSet = HasOpenDataSet();
    auto* quickRep = dynamic_cast<TQuickRep*>(report);
    if (withDataSet) {
        dataSet_->First();
        moreData = !dataSet_->Eof();
        if (quickRep && quickRep->DataSet() == dataSet_) {
            try {
                recordCount_ = dataSet_->RecordCount();
            } catch (const std::exception&) {
                recordCount_ = 1;
            }
        }
        if (!moreData && PrintIfEmpty()) PrintEmptyController();
    } else {
        RunNeedData(moreData);
    }
    recordNo_ = 0;
    if (detail_) detail_->SetNotifyController(this);
    if (!moreData) return;
    report->ProcessMessages();
    if (report->CancelRequested()) return;
    const bool hostIsReport = &Host() == report;
    if (header_) {
        report->PrintBand(header_);
        if (hostIsReport) report->SuppressNextForcedBreak();
    }
    if ((report->PageNumber() <= 1 || report->CompositePart()) && hostIsReport) {
        TQRCustomBand* columnHeader = report->Bands().BandOfIndex(3);
        if (columnHeader && columnHeader->Enabled()) {
            report->PrintBand(columnHeader);
            report->SuppressNextForcedBreak();
        }
    }
    CheckGroups();
    const bool reportsProgress = quickRep && quickRep->DataSet() == dataSet_ && withDataSet;
    while (moreData) {
        report->ProcessMessages();
        if (report->PageStoreCancelled()) break;
        ++recordNo_;
        PrintGroupHeaders();
        PrintBeforeControllers();
        report->PrintBand(detail_);
        PrintAfterControllers();
        if (withDataSet) {
            dataSet_->Next();
            moreData = !dataSet_->Eof();
        } else {
            moreData = false;
            RunNeedData(moreData);
        }
        if (CheckGroups()) {
            // The footers of an ending group see its last record.
            if (withDataSet) dataSet_->Prior();
            PrintGroupFooters();
            if (withDataSet) dataSet_->Next();
        }
        if (reportsProgress && recordCount_ != 0) report->SetProgress(recordNo_ * 100 / recordCount_);
    }
    CheckLastGroupFooters();
    PrintGroupFooters();
    PrintFooter();
}

void TQRController::PrintFooter() {
    TCustomQuickRep* report = ParentReport();
    if (!footer_ || !report) return;
    if (report->PageNumber() == 0) report->NewPage();
    if (footer_->Size().NativeValue(TQRBandSize::iHeight) > report->AvailableSpace()) report->NewColumn();
    report->PrintBand(footer_);
}

void TQRController::PrintEmptyController() {
    TCustomQuickRep* report = ParentReport();
    if (!report) return;
    report->PrintBand(header_);
    PrintBeforeControllers();
    report->PrintBand(detail_);
    PrintAfterControllers();
    report->PrintBand(footer_);
}

void TQRController::RegisterBands(std::vector<TQRCustomBand*>& list) const {
    AddBand(header_, list);
    for (TQRGroup* group : Groups())
        AddBand(group, list);
    RegisterChildBands(PrintBeforeList(), list);
    AddBand(detail_, list);
    RegisterChildBands(PrintAfterList(), list);
    for (auto it = Groups().rbegin(); it != Groups().rend(); ++it)
        AddBand((*it)->FooterBand(), list);
    AddBand(footer_, list);
}

TQREvResult TQRLoopController::LocalVarValue() const {
    return TQREvResult::Int(repetition_);
}

void TQRLoopController::Execute() {
    TCustomQuickRep* report = ParentReport();
    auto* band = dynamic_cast<TQRCustomBand*>(&Host());
    if (!report) return;
    for (repetition_ = 0; repetition_ < printCount_; ++repetition_) {
        UpdateLocalVar();
        PrintBeforeControllers();
        report->PrintBand(band);
        PrintAfterControllers();
    }
    repetition_ = 0;
}

void TQRLoopController::RegisterBands(std::vector<TQRCustomBand*>& list) const {
    RegisterChildBands(PrintBeforeList(), list);
    AddBand(dynamic_cast<TQRCustomBand*>(&Host()), list);
    RegisterChildBands(PrintAfterList(), list);
}

TQREvResult TQRStringsController::LocalVarValue() const {
    return TQREvResult::String(index_ >= 0 && index_ < items_.size() ? items_[index_] : QString());
}

void TQRStringsController::Execute() {
    TCustomQuickRep* report = ParentReport();
    auto* band = dynamic_cast<TQRCustomBand*>(&Host());
    if (!report) return;
    for (index_ = 0; index_ < items_.size(); ++index_) {
        UpdateLocalVar();
        PrintBeforeControllers();
        report->PrintBand(band);
        PrintAfterControllers();
    }
    index_ = -1;
}

void TQRStringsController::RegisterBands(std::vector<TQRCustomBand*>& list) const {
    RegisterChildBands(PrintBeforeList(), list);
    AddBand(dynamic_cast<TQRCustomBand*>(&Host()), list);
    RegisterChildBands(PrintAfterList(), list);
}

} // namespace quorvel
