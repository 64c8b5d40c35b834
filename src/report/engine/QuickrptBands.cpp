#include "report/engine/QuickrptBands.h"

#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptControllers.h"
#include "report/engine/QuickrptPrintable.h"
#include "report/engine/QuickrptReport.h"

#include <algorithm>

namespace quorvel {

QString QRBandTypeName(TQRBandType type) {
    static const char* const names[] = {"Title",         "Page Header",  "Detail",       "Page Footer",
                                        "Summary",       "Group Header", "Group Footer", "Sub Detail",
                                        "Column Header", "Overlay",      "Child"};
    return QString::fromLatin1(names[static_cast<int>(type)]);
}

QString QRBandComponentName(TQRBandType type) {
    static const char* const names[] = {"TitleBand",       "PageHeaderBand", "DetailBand",
                                        "PageFooterBand",  "SummaryBand",    "GroupHeaderBand",
                                        "GroupFooterBand", "SubDetailBand",  "ColumnHeaderBand",
                                        "OverlayBand",     "ChildBand"};
    return QString::fromLatin1(names[static_cast<int>(type)]);
}

TQRCustomBand::TQRCustomBand(TComponent* owner)
    : TQRBasePanel(owner)
    , size_(std::make_unique<TQRBandSize>(*this)) {
    SetBounds(0, 0, 0, 40);
}

TQRCustomBand::~TQRCustomBand() {
    BeforeDestruction();
}

void TQRCustomBand::SetParentReport(TCustomQuickRep* report) {
    parentReport_ = report;
    for (TQRPrintable* printable : Printables())
        printable->SetParentReport(report);
}

void TQRCustomBand::SetBandType(TQRBandType type) {
    if (type == bandType_) return;
    bandType_ = type;
    StructureChanged();
}

void TQRCustomBand::StructureChanged() {
    if (!parentReport_ || parentReport_->IsLoading() || IsLoading()) return;
    parentReport_->RebuildBandList();
    parentReport_->SetBandValues();
}

void TQRCustomBand::SetLinkBand(TQRCustomBand* band) {
    for (const TQRCustomBand* b = band; b; b = b->linkBand_)
        if (b == this) return;
    linkBand_ = band;
    if (band) FreeNotification(*band);
}

TQRCustomBand* TQRCustomBand::GetChild() const {
    if (!parentReport_) return nullptr;
    for (TQRCustomBand* band : parentReport_->BandList()) {
        if (band->BandType() != TQRBandType::rbChild) continue;
        if (const auto* child = dynamic_cast<const TQRChildBand*>(band); child && child->ParentBand() == this)
            return band;
    }
    return nullptr;
}

void TQRCustomBand::SetHasChild(bool hasChild) {
    TQRCustomBand* child = GetChild();
    if (hasChild) {
        if (child || !parentReport_) return;
        TComponent& owner = Owner() ? *Owner() : static_cast<TComponent&>(*parentReport_);
        auto& created = CreateComponent<TQRChildBand>(owner);
        created.SetParent(parentReport_);
        created.SetParentBand(this);
        return;
    }
    if (!child) return;
    if (auto* grandChild = dynamic_cast<TQRChildBand*>(child->GetChild())) grandChild->SetParentBand(this);
    if (child->Owner()) child->Owner()->DestroyComponent(*child);
}

void TQRCustomBand::ChildPlaced(TComponent& child) {
    if (auto* printable = dynamic_cast<TQRPrintable*>(&child)) printables_.push_back(printable);
}

void TQRCustomBand::ChildRemoved(TComponent& child) {
    std::erase(printables_, &child);
    if (printChild_ == &child) printChild_ = nullptr;
}

TQRPrintable& TQRCustomBand::AddPrintable(const std::function<TQRPrintable&(TComponent& owner)>& factory) {
    int left = 1;
    for (const TQRPrintable* existing : Printables())
        if (left < existing->Left() + existing->Width()) left = existing->Left() + existing->Width() + 10;
    TComponent& owner = Owner() ? *Owner() : static_cast<TComponent&>(*this);
    TQRPrintable& printable = factory(owner);
    printable.SetParent(this);
    printable.SetLeft(left);
    return printable;
}

TQRBandType TQRCustomBand::EffectiveBandType() const {
    const TQRCustomBand* band = this;
    for (int guard = 0; band && band->bandType_ == TQRBandType::rbChild && guard < 1000; ++guard) {
        const auto* child = dynamic_cast<const TQRChildBand*>(band);
        band = child ? child->ParentBand() : nullptr;
    }
    return band ? band->bandType_ : TQRBandType::rbChild;
}

void TQRCustomBand::SetBounds(int left, int top, int width, int height) {
    const int oldLeft = Left();
    const int oldTop = Top();
    const int oldWidth = Width();
    const int oldHeight = Height();
    TControl::SetBounds(left, top, width, height);
    if (width != oldWidth)
        for (TQRPrintable* printable : Printables())
            printable->QRNotification(*this, TQRNotifyOperation::qrBandSizeChange);
    if (!size_ || size_->Updating()) return;
    if (IsLoading()) {
        if (height != 40) loadedHeight_ = height;
        return;
    }
    if (height != oldHeight) {
        size_->SetPixels();
        size_->SetHeight(height);
        size_->RestoreUnit();
    }
    if ((left != oldLeft || top != oldTop || height != oldHeight) && parentReport_)
        parentReport_->SetBandValues();
}

void TQRCustomBand::SetParent(TComponent* parent) {
    if (auto* band = dynamic_cast<TQRCustomBand*>(parent)) parent = band->Parent();
    TQRBasePanel::SetParent(parent);
}

void TQRCustomBand::SetZoom(int percent) {
    TQRBasePanel::SetZoom(percent);
    size_->SetZoom(percent);
    for (TQRPrintable* printable : Printables())
        printable->Size().SetZoom(printable->Size().Zoom());
}

void TQRCustomBand::Loaded() {
    TQRBasePanel::Loaded();
    if (loadedHeight_ != 40 && size_->Pixels(TQRBandSize::iHeight) == 40)
        size_->SetNativeValue(TQRBandSize::iHeight, size_->SaveUnit(loadedHeight_, TQRUnit::Pixels, false));
    size_->Loaded();
}

void TQRCustomBand::Notification(TComponent& component, TOperation operation) {
    TQRBasePanel::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == linkBand_) linkBand_ = nullptr;
}

TQRChildBand::TQRChildBand(TComponent* owner)
    : TQRCustomBand(owner) {
    SetBandType(TQRBandType::rbChild);
}

void TQRChildBand::SetParentBand(TQRCustomBand* band) {
    // Walk up from the new parent through child bands: reaching this band would close a cycle.
    for (const TQRCustomBand* b = band; b;) {
        if (b == this) return;
        const auto* child = dynamic_cast<const TQRChildBand*>(b);
        b = child ? child->parentBand_ : nullptr;
    }
    parentBand_ = band;
    if (band) FreeNotification(*band);
    StructureChanged();
}

void TQRChildBand::Notification(TComponent& component, TOperation operation) {
    TQRCustomBand::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == parentBand_) {
        parentBand_ = nullptr;
        StructureChanged();
    }
}

TQRControllerBand::TQRControllerBand(TComponent* owner)
    : TQRCustomBand(owner) {
    SetBandType(TQRBandType::rbSubDetail);
}

TQRControllerBand::~TQRControllerBand() {
    BeforeDestruction();
    RemoveLocalVar();
}

void TQRControllerBand::InstallController(std::unique_ptr<TQRCustomController> controller) {
    controller_ = std::move(controller);
}

TComponent* TQRControllerBand::Master() const noexcept {
    return controller_ ? controller_->Master() : nullptr;
}

void TQRControllerBand::SetMaster(TComponent* master) {
    if (master == this) return;
    if (master && !dynamic_cast<TCustomQuickRep*>(master) && !dynamic_cast<TQRCustomController*>(master) &&
        !dynamic_cast<TQRControllerBand*>(master))
        return;
    // Walk the Master chain through controller bands: reaching this band would close a cycle.
    for (TComponent* m = master; m;) {
        if (m == this) return;
        auto* band = dynamic_cast<TQRControllerBand*>(m);
        m = band ? band->Master() : nullptr;
    }
    controller_->SetMaster(master);
    if (master) FreeNotification(*master);
    StructureChanged();
}

bool TQRControllerBand::PrintBefore() const {
    return controller_->PrintBefore();
}

void TQRControllerBand::SetPrintBefore(bool value) {
    controller_->SetPrintBefore(value);
    StructureChanged();
}

void TQRControllerBand::SetParentReport(TCustomQuickRep* report) {
    if (report != ParentReport()) RemoveLocalVar();
    TQRCustomBand::SetParentReport(report);
    controller_->SetParentReport(report);
    if (report && !Master()) SetMaster(report);
    if (report) CreateLocalVar();
}

void TQRControllerBand::SetName(const QString& name) {
    if (name == Name()) return;
    RemoveLocalVar();
    TQRCustomBand::SetName(name);
    if (ParentReport()) CreateLocalVar();
}

void TQRControllerBand::RemoveLocalVar() {
    if (ParentReport() && !Name().isEmpty()) ParentReport()->Functions().DeleteFunction(Name());
}

void TQRControllerBand::Notification(TComponent& component, TOperation operation) {
    TQRCustomBand::Notification(component, operation);
    if (operation == TOperation::opRemove && controller_) controller_->ComponentRemoved(component);
}

bool TQRSubDetailGroupBands::HasHeader() const {
    return owner_.HeaderBand() != nullptr;
}

void TQRSubDetailGroupBands::SetHasHeader(bool value) {
    TQRCustomBand* header = owner_.HeaderBand();
    if (value && !header && owner_.ParentReport()) {
        owner_.SetHeaderBand(&owner_.ParentReport()->CreateBand(TQRBandType::rbGroupHeader));
    } else if (!value && header) {
        owner_.SetHeaderBand(nullptr);
        if (header->Owner()) header->Owner()->DestroyComponent(*header);
    }
}

bool TQRSubDetailGroupBands::HasFooter() const {
    return owner_.FooterBand() != nullptr;
}

void TQRSubDetailGroupBands::SetHasFooter(bool value) {
    TQRCustomBand* footer = owner_.FooterBand();
    if (value && !footer && owner_.ParentReport()) {
        owner_.SetFooterBand(&owner_.ParentReport()->CreateBand(TQRBandType::rbGroupFooter));
    } else if (!value && footer) {
        owner_.SetFooterBand(nullptr);
        if (footer->Owner()) footer->Owner()->DestroyComponent(*footer);
    }
}

TQRSubDetail::TQRSubDetail(TComponent* owner)
    : TQRControllerBand(owner)
    , bands_(*this) {
    auto controller = std::make_unique<TQRController>(*this);
    controller->SetDetail(this);
    InstallController(std::move(controller));
}

TQRController& TQRSubDetail::DataController() const {
    return static_cast<TQRController&>(Controller());
}

TDataSetComponent* TQRSubDetail::DataSet() const {
    return DataController().DataSet();
}

void TQRSubDetail::SetDataSet(TDataSetComponent* dataSet) {
    DataController().SetDataSet(dataSet);
    if (dataSet) FreeNotification(*dataSet);
}

TQRCustomBand* TQRSubDetail::HeaderBand() const {
    return DataController().Header();
}

void TQRSubDetail::SetHeaderBand(TQRCustomBand* band) {
    DataController().SetHeader(band);
    if (band) {
        FreeNotification(*band);
        band->SetBandType(TQRBandType::rbGroupHeader);
    }
    StructureChanged();
}

TQRCustomBand* TQRSubDetail::FooterBand() const {
    return DataController().Footer();
}

void TQRSubDetail::SetFooterBand(TQRCustomBand* band) {
    DataController().SetFooter(band);
    if (band) {
        FreeNotification(*band);
        band->SetBandType(TQRBandType::rbGroupFooter);
    }
    StructureChanged();
}

bool TQRSubDetail::PrintIfEmpty() const {
    return Controller().PrintIfEmpty();
}

void TQRSubDetail::SetPrintIfEmpty(bool value) {
    Controller().SetPrintIfEmpty(value);
}

void TQRSubDetail::Notification(TComponent& component, TOperation operation) {
    TQRControllerBand::Notification(component, operation);
}

TQRLoopBand::TQRLoopBand(TComponent* owner)
    : TQRControllerBand(owner) {
    InstallController(std::make_unique<TQRLoopController>(*this));
}

int TQRLoopBand::PrintCount() const {
    return static_cast<TQRLoopController&>(Controller()).PrintCount();
}

void TQRLoopBand::SetPrintCount(int count) {
    static_cast<TQRLoopController&>(Controller()).SetPrintCount(count);
}

void TQRLoopBand::CreateLocalVar() {
    if (ParentReport() && !Name().isEmpty())
        ParentReport()->Functions().AddFunction(Name(), LocalVarExpression());
}

QString TQRLoopBand::LocalVarExpression() const {
    return QString::number(static_cast<TQRLoopController&>(Controller()).Repetition());
}

TQRStringsBand::TQRStringsBand(TComponent* owner)
    : TQRControllerBand(owner) {
    InstallController(std::make_unique<TQRStringsController>(*this));
}

const QStringList& TQRStringsBand::Items() const {
    return static_cast<TQRStringsController&>(Controller()).Items();
}

void TQRStringsBand::SetItems(const QStringList& items) {
    static_cast<TQRStringsController&>(Controller()).SetItems(items);
}

void TQRStringsBand::CreateLocalVar() {
    if (ParentReport() && !Name().isEmpty())
        ParentReport()->Functions().AddFunction(Name(), LocalVarExpression());
}

TQRGroup::TQRGroup(TComponent* owner)
    : TQRCustomBand(owner) {
    SetBandType(TQRBandType::rbGroupHeader);
}

TQRGroup::~TQRGroup() {
    BeforeDestruction();
}

void TQRGroup::SetFooterBand(TQRCustomBand* band) {
    footerBand_ = band;
    if (band) {
        FreeNotification(*band);
        band->SetBandType(TQRBandType::rbGroupFooter);
    }
    StructureChanged();
}

void TQRGroup::SetMaster(TComponent* master) {
    if (master && !dynamic_cast<TCustomQuickRep*>(master) && !dynamic_cast<TQRControllerBand*>(master))
        return;
    master_ = master;
    if (master) FreeNotification(*master);
    StructureChanged();
}

void TQRGroup::SetParentReport(TCustomQuickRep* report) {
    TQRCustomBand::SetParentReport(report);
    if (report && !master_) SetMaster(report);
}

void TQRGroup::Notification(TComponent& component, TOperation operation) {
    TQRCustomBand::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (&component == footerBand_) footerBand_ = nullptr;
    if (&component == master_) master_ = nullptr;
}

TQRBandSize::TQRBandSize(TQRCustomBand& band)
    : TQRUnitBase(2)
    , band_(band) {}

double TQRBandSize::CharacterPointSize() const {
    return band_.ParentReport() ? band_.ParentReport()->Font().Size() : band_.Font().Size();
}

void TQRBandSize::SetParentSizes() {
    band_.SetBounds(band_.Left(), band_.Top(), Pixels(iWidth), Pixels(iHeight));
}

} // namespace quorvel
