#include "report/engine/QuickrptReport.h"

#include "platform/Canvas.h"
#include "platform/Metafile.h"
#include "platform/MetafileCanvas.h"
#include "platform/Printer.h"
#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptControllers.h"
#include "report/engine/QuickrptPrintable.h"
#include "report/engine/QuickrptThread.h"
#include "report/pagestore/QrprntrPaper.h"

#include <algorithm>

namespace quorvel {

namespace {

// The paper size a page store made now would start with: the paper of the printer the shared
// printer object has selected, read as a page store reads it, or A4 without printers. The shared
// object is asked instead of a page store made for the purpose, which would query the print system
// anew for every report made.
TQRPaperSize DefaultPrinterPaper() {
    TPrinter& printer = Printer();
    if (!printer.HasPrinter()) return TQRPaperSize::A4;
    const TDeviceMode mode = printer.DeviceMode();
    return (mode.Fields & DM_PAPERSIZE) ? QRPaperFromCode(mode.PaperSize) : TQRPaperSize::Default;
}

} // namespace

bool TQuickRepBands::Has(TQRBandType type) const {
    return report_.FirstBandOfType(type) != nullptr;
}

void TQuickRepBands::Set(TQRBandType type, bool value) {
    TQRCustomBand* band = report_.FirstBandOfType(type);
    if (value && !band)
        report_.CreateBand(type);
    else if (!value && band && band->Owner())
        band->Owner()->DestroyComponent(*band);
}

TQRCustomBand* TQuickRepBands::BandOfIndex(int index) const {
    switch (index) {
    case 1:
        return report_.FirstBandOfType(TQRBandType::rbTitle);
    case 2:
        return report_.FirstBandOfType(TQRBandType::rbPageHeader);
    case 3:
        return report_.FirstBandOfType(TQRBandType::rbColumnHeader);
    case 4:
        return report_.FirstBandOfType(TQRBandType::rbDetail);
    case 6:
        return report_.FirstBandOfType(TQRBandType::rbPageFooter);
    case 7:
        return report_.FirstBandOfType(TQRBandType::rbSummary);
    default:
        return nullptr;
    }
}

TCustomQuickRep::TCustomQuickRep(TComponent* owner)
    : TQRBasePanel(owner)
    , page_(std::make_unique<TQRPage>(this))
    , bands_(*this)
    , functions_(std::make_unique<TQREvEnvironment>())
    , referencePicture_(std::make_unique<TMetafile>()) {
    SetParentFont(false);
    functions_->AddFunction(QStringLiteral("PAGENUMBER"), QStringLiteral("0"));
    functions_->AddFunction(QStringLiteral("COLUMNNUMBER"), QStringLiteral("0"));
    functions_->AddFunction(QStringLiteral("REPORTTITLE"), QStringLiteral("''"));
    referencePicture_->SetPixelsPerInch(ScreenPixelsPerInch());
    referenceCanvas_ = std::make_unique<TMetafileCanvas>(*referencePicture_);
    controller_ = std::make_unique<TQRCustomController>(*this);
    controller_->SetParentReport(this);
    page_->SetPaperSize(DefaultPrinterPaper());
    page_->SetParentSizes();
}

TCustomQuickRep::~TCustomQuickRep() {
    WaitForBackgroundPass();
    BeforeDestruction();
}

void TCustomQuickRep::InstallController(std::unique_ptr<TQRCustomController> controller) {
    controller_ = std::move(controller);
    controller_->SetParentReport(this);
    controller_->SetPrintIfEmpty(printIfEmpty_);
}

void TCustomQuickRep::SetPrintIfEmpty(bool value) {
    printIfEmpty_ = value;
    controller_->SetPrintIfEmpty(value);
}

void TCustomQuickRep::SetUnits(TQRUnit unit) {
    page_->SetUnits(unit);
    for (TQRCustomBand* band : bandList_) {
        band->Size().SetUnits(unit);
        for (TQRPrintable* printable : band->Printables())
            printable->Size().SetUnits(unit);
    }
    for (TQRPrintable* printable : ReportPrintables())
        printable->Size().SetUnits(unit);
}

void TCustomQuickRep::SetZoom(int percent) {
    if (percent < 1 || percent > 300) return;
    TQRBasePanel::SetZoom(percent);
    page_->SetZoom(percent);
    for (TQRCustomBand* band : bandList_)
        band->SetZoom(percent);
    SetBandValues();
}

TQRCustomBand* TCustomQuickRep::FirstBandOfType(TQRBandType type) const {
    for (TQRCustomBand* band : bandList_)
        if (band->BandType() == type) return band;
    return nullptr;
}

TQRCustomBand& TCustomQuickRep::CreateBand(TQRBandType type) {
    TComponent& owner = Owner() ? *Owner() : static_cast<TComponent&>(*this);
    auto& band = CreateComponent<TQRBand>(owner);
    band.SetName(UniqueName(owner, QRBandComponentName(type)));
    band.SetBandType(type);
    band.SetParent(this);
    return band;
}

void TCustomQuickRep::RegisterBand(TQRCustomBand* band, std::vector<TQRCustomBand*>& list) const {
    TQRCustomController::AddBand(band, list);
}

void TCustomQuickRep::RebuildBandList() {
    if (IsLoading() || IsDestroying()) return;
    SetControllerBands();
    controller_->SetParentReport(this);
    controller_->BuildTree();
    std::vector<TQRCustomBand*> list;
    const auto registerType = [&](TQRBandType type) {
        for (TQRCustomBand* band : bandList_)
            if (band->BandType() == type) RegisterBand(band, list);
    };
    registerType(TQRBandType::rbPageHeader);
    if (FirstBandOfType(TQRBandType::rbTitle)) registerType(TQRBandType::rbTitle);
    registerType(TQRBandType::rbColumnHeader);
    controller_->RegisterBands(list);
    registerType(TQRBandType::rbPageFooter);
    for (TQRCustomBand* band : bandList_)
        RegisterBand(band, list);
    bandList_ = std::move(list);
}

void TCustomQuickRep::SetBandValues() {
    if (IsLoading() || IsDestroying()) return;
    const TQRPage& page = *page_;
    const int printableWidth =
        Width() - (page.Pixels(TQRPage::iLeftMargin) + page.Pixels(TQRPage::iRightMargin));
    const int columns = page.Columns();
    const int columnWidth = (printableWidth - page.Pixels(TQRPage::iColumnSpace) * (columns - 1)) / columns;
    const int left = page.Pixels(TQRPage::iLeftMargin);
    int top = page.Pixels(TQRPage::iTopMargin);
    for (TQRCustomBand* band : bandList_) {
        int width = columnWidth;
        switch (band->EffectiveBandType()) {
        case TQRBandType::rbTitle:
        case TQRBandType::rbPageHeader:
        case TQRBandType::rbPageFooter:
        case TQRBandType::rbSummary:
        case TQRBandType::rbOverlay:
            width = printableWidth;
            break;
        case TQRBandType::rbGroupHeader:
        case TQRBandType::rbGroupFooter:
            if (page.PrintOrder() == TQRPrintOrder::RowByRow) width = printableWidth;
            break;
        default:
            break;
        }
        band->TControl::SetBounds(left, top, band->Width(), band->Height());
        TQRBandSize& size = band->Size();
        size.SetPixels();
        size.SetWidth(width);
        size.RestoreUnit();
        top += band->Height();
    }
}

void TCustomQuickRep::AddBand(TQRCustomBand& band) {
    if (std::find(bandList_.begin(), bandList_.end(), &band) != bandList_.end()) return;
    bandList_.push_back(&band);
    band.SetZoom(Zoom());
    band.Size().SetUnits(Units());
    band.SetParentReport(this);
    RebuildBandList();
    SetBandValues();
}

void TCustomQuickRep::RemoveBand(TQRCustomBand& band) {
    const auto it = std::find(bandList_.begin(), bandList_.end(), &band);
    if (it == bandList_.end()) return;
    bandList_.erase(it);
    band.SetParentReport(nullptr);
    controller_->ComponentRemoved(band);
    RebuildBandList();
    SetBandValues();
}

void TCustomQuickRep::ChildPlaced(TComponent& child) {
    if (auto* band = dynamic_cast<TQRCustomBand*>(&child)) AddBand(*band);
}

void TCustomQuickRep::ChildRemoved(TComponent& child) {
    if (auto* band = dynamic_cast<TQRCustomBand*>(&child)) RemoveBand(*band);
}

void TCustomQuickRep::Notification(TComponent& component, TOperation operation) {
    TQRBasePanel::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    controller_->ComponentRemoved(component);
    if (&component == run_.BackgroundImage) run_.BackgroundImage = nullptr;
    const auto it = std::find(bandList_.begin(), bandList_.end(), &component);
    if (it != bandList_.end()) {
        bandList_.erase(it);
        RebuildBandList();
        SetBandValues();
    }
}

std::vector<TQRPrintable*> TCustomQuickRep::ReportPrintables() const {
    std::vector<TQRPrintable*> result;
    for (TComponent* child : Children())
        if (auto* printable = dynamic_cast<TQRPrintable*>(child)) result.push_back(printable);
    return result;
}

std::vector<TQRPrintable*> TCustomQuickRep::AllPrintables() const {
    std::vector<TQRPrintable*> result = ReportPrintables();
    for (const TQRCustomBand* band : bandList_)
        for (TQRPrintable* printable : band->Printables())
            result.push_back(printable);
    return result;
}

int TCustomQuickRep::TextWidth(const TFont& font, const QString& text) {
    referenceCanvas_->SetFont(font);
    return referenceCanvas_->TextWidth(text) + 1;
}

int TCustomQuickRep::TextHeight(const TFont& font, const QString& text) {
    referenceCanvas_->SetFont(font);
    return referenceCanvas_->TextHeight(text.isEmpty() ? QStringLiteral("A") : text);
}

void TCustomQuickRep::Loaded() {
    TQRBasePanel::Loaded();
    page_->Loaded();
    for (TQRCustomBand* band : bandList_)
        band->SetZoom(Zoom());
    RebuildBandList();
    SetBandValues();
}

void TCustomQuickRep::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width() || height != Height();
    TQRBasePanel::SetBounds(left, top, width, height);
    if (!resized || !page_ || page_->Updating() || IsLoading() || page_->PaperSize() != TQRPaperSize::Custom)
        return;
    page_->SetNativeValue(TQRPage::iWidth, page_->SaveUnit(width, TQRUnit::Pixels, true));
    page_->SetNativeValue(TQRPage::iLength, page_->SaveUnit(height, TQRUnit::Pixels, false));
    SetBandValues();
}

void TCustomQuickRep::AddToDataSetList(TDataSetComponent& dataSet) {
    if (std::find(run_.ListedDataSets.begin(), run_.ListedDataSets.end(), &dataSet) !=
        run_.ListedDataSets.end())
        return;
    if (auto view = dataSet.EvDataSet()) {
        run_.ListedDataSets.push_back(&dataSet);
        run_.DataSets.Add(std::move(view));
    }
}

TQuickRep::TQuickRep(TComponent* owner)
    : TCustomQuickRep(owner) {
    InstallController(std::make_unique<TQRController>(*this));
}

TQRController& TQuickRep::DataController() const {
    return static_cast<TQRController&>(Controller());
}

void TQuickRep::SetDataSet(TDataSetComponent* dataSet) {
    dataSet_ = dataSet;
    DataController().SetDataSet(dataSet);
    if (dataSet) FreeNotification(*dataSet);
}

void TQuickRep::SetControllerBands() {
    TQRController& controller = DataController();
    controller.SetHeader(FirstBandOfType(TQRBandType::rbTitle));
    controller.SetDetail(FirstBandOfType(TQRBandType::rbDetail));
    controller.SetFooter(FirstBandOfType(TQRBandType::rbSummary));
}

void TQuickRep::Execute() {
    SetControllerBands();
    DataController().OnNeedData = OnNeedData;
    DataController().Execute();
}

void TQuickRep::Notification(TComponent& component, TOperation operation) {
    TCustomQuickRep::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == dataSet_) SetDataSet(nullptr);
}

int TQuickRep::GetRecordNumber() const {
    return DataController().RecordNo();
}

int TQuickRep::GetRecordCount() const {
    if (!dataSet_ || !dataSet_->Active()) return 1;
    try {
        return dataSet_->RecordCount();
    } catch (const std::exception&) {
        return 1;
    }
}

TQuickAbstractRep::TQuickAbstractRep(TComponent* owner)
    : TCustomQuickRep(owner) {}

TQRLabelSetup::TQRLabelSetup(TQuickLabelReport& report)
    : TQRUnitBase(6)
    , report_(report) {}

bool TQRLabelSetup::Horizontal(int index) const {
    return index == iSideMargin || index == iLabelWidth || index == iHorizontalPitch;
}

std::vector<double> TQRLabelSetup::WriteValues() const {
    return {};
}

void TQRLabelSetup::ReadValues(std::span<const double>) {}

double TQRLabelSetup::Native(double value) const {
    return SaveUnit(value, GetUnits(), false);
}

TQRCustomBand* TQRLabelSetup::Detail() const {
    return report_.Bands().BandOfIndex(4);
}

TQRCustomBand* TQRLabelSetup::DetailChild() const {
    TQRCustomBand* detail = Detail();
    return detail ? detail->GetChild() : nullptr;
}

double TQRLabelSetup::InUnit(double native, int index) const {
    return LoadUnit(native, GetUnits(), Horizontal(index));
}

double TQRLabelSetup::TopMargin() const {
    return InUnit(report_.Page().NativeValue(TQRPage::iTopMargin), iTopMargin);
}

void TQRLabelSetup::SetTopMargin(double value) {
    report_.Page().SetNativeValue(TQRPage::iTopMargin, SaveUnit(value, GetUnits(), false));
}

double TQRLabelSetup::SideMargin() const {
    return InUnit(report_.Page().NativeValue(TQRPage::iLeftMargin), iSideMargin);
}

void TQRLabelSetup::SetSideMargin(double value) {
    const double native = SaveUnit(value, GetUnits(), true);
    report_.Page().SetNativeValue(TQRPage::iLeftMargin, native);
    report_.Page().SetNativeValue(TQRPage::iRightMargin, native);
    report_.SetBandValues();
}

double TQRLabelSetup::LabelHeight() const {
    const TQRCustomBand* detail = Detail();
    return detail ? InUnit(detail->Size().NativeValue(TQRBandSize::iHeight), iLabelHeight) : 0.0;
}

double TQRLabelSetup::VerticalPitch() const {
    const TQRCustomBand* child = DetailChild();
    const double childHeight = child ? child->Size().NativeValue(TQRBandSize::iHeight) : 0.0;
    return LabelHeight() + InUnit(childHeight, iVerticalPitch);
}

void TQRLabelSetup::SetVerticalPitch(double value) {
    TQRCustomBand* detail = Detail();
    if (!detail) return;
    const double pitch = Native(value);
    const double labelHeight = detail->Size().NativeValue(TQRBandSize::iHeight);
    if (pitch != labelHeight) {
        if (!DetailChild()) detail->SetHasChild(true);
        if (TQRCustomBand* child = DetailChild())
            child->Size().SetNativeValue(TQRBandSize::iHeight, pitch - labelHeight);
    } else {
        detail->Size().SetNativeValue(TQRBandSize::iHeight, pitch);
        detail->SetHasChild(false);
    }
}

double TQRLabelSetup::LabelWidth() const {
    const TQRCustomBand* detail = Detail();
    return detail ? InUnit(detail->Size().NativeValue(TQRBandSize::iWidth), iLabelWidth) : 0.0;
}

void TQRLabelSetup::SetLabelWidth(double value) {
    const TQRPage& page = report_.Page();
    const double width = SaveUnit(value, GetUnits(), true);
    const int across = page.Columns();
    // The labels and the gaps between them are centred across the page.
    const double side = (page.NativeValue(TQRPage::iWidth) - width * across -
                         (across - 1) * page.NativeValue(TQRPage::iColumnSpace)) /
                        2.0;
    SetSideMargin(LoadUnit(side, GetUnits(), true));
}

void TQRLabelSetup::SetLabelHeight(double value) {
    TQRCustomBand* detail = Detail();
    if (!detail) return;
    const double previousPitch = Native(VerticalPitch());
    const double height = Native(value);
    detail->Size().SetNativeValue(TQRBandSize::iHeight, height);
    if (TQRCustomBand* child = DetailChild())
        child->Size().SetNativeValue(TQRBandSize::iHeight, previousPitch - height);
}

double TQRLabelSetup::HorizontalPitch() const {
    return LabelWidth() + InUnit(report_.Page().NativeValue(TQRPage::iColumnSpace), iHorizontalPitch);
}

void TQRLabelSetup::SetHorizontalPitch(double) {
    TQRPage& page = report_.Page();
    const int across = page.Columns();
    double space = 0;
    if (across > 1)
        space = (page.NativeValue(TQRPage::iWidth) - 2 * page.NativeValue(TQRPage::iLeftMargin) -
                 Native(LabelWidth()) * across) /
                (across - 1);
    page.SetNativeValue(TQRPage::iColumnSpace, space);
    report_.SetBandValues();
}

int TQRLabelSetup::NumberAcross() const {
    return report_.Page().Columns();
}

void TQRLabelSetup::SetNumberAcross(int value) {
    report_.Page().SetColumns(value);
}

TQuickLabelReport::TQuickLabelReport(TComponent* owner)
    : TCustomQuickRep(owner)
    , labelSetup_(std::make_unique<TQRLabelSetup>(*this)) {
    // A layout being read brings its own detail band.
    if (!owner || !owner->IsLoading()) CreateBand(TQRBandType::rbDetail);
}

TQuickLabelReport::~TQuickLabelReport() {
    BeforeDestruction();
}

TQRPage::TQRPage(TCustomQuickRep* report)
    : TQRUnitBase(7)
    , report_(report) {
    // A metric page is A4 with 10 mm margins, a US page Letter with half-inch margins.
    const bool metric = GetUnits() != TQRUnit::Inches;
    const double margin = metric ? 100.0 : 127.0;
    paperSize_ = metric ? TQRPaperSize::A4 : TQRPaperSize::Letter;
    const TQRPaperMetrics& paper = cQRPaperSizeMetrics[static_cast<std::size_t>(paperSize_)];
    for (int index : {iBottomMargin, iTopMargin, iLeftMargin, iRightMargin})
        InitNativeValue(index, margin);
    InitNativeValue(iWidth, paper.Width * 10.0);
    InitNativeValue(iLength, paper.Length * 10.0);
}

bool TQRPage::Horizontal(int index) const {
    return index == iWidth || index == iLeftMargin || index == iRightMargin || index == iColumnSpace;
}

void TQRPage::SetLength(double value) {
    if (paperSize_ == TQRPaperSize::Custom) SetValue(iLength, value);
}

void TQRPage::SetWidth(double value) {
    if (paperSize_ == TQRPaperSize::Custom) SetValue(iWidth, value);
}

void TQRPage::SetColumns(int columns) {
    if (columns <= 0 || columns == columns_) return;
    columns_ = columns;
    if (report_) report_->SetBandValues();
}

void TQRPage::SetOrientation(TPrinterOrientation orientation) {
    orientation_ = orientation;
    SetPaperSize(paperSize_);
}

void TQRPage::SetPaperSize(TQRPaperSize size) {
    if (size != TQRPaperSize::Default && size != TQRPaperSize::Custom) {
        const TQRPaperMetrics& paper = cQRPaperSizeMetrics[static_cast<std::size_t>(size)];
        const bool portrait = orientation_ == TPrinterOrientation::poPortrait;
        const TQRUnit unit = GetUnits();
        SetUnits(TQRUnit::MM);
        paperSize_ = TQRPaperSize::Custom;
        SetWidth(portrait ? paper.Width : paper.Length);
        SetLength(portrait ? paper.Length : paper.Width);
        SetUnits(unit);
        if (report_) report_->SetBandValues();
    }
    paperSize_ = size;
}

void TQRPage::SetPrintOrder(TQRPrintOrder order) {
    printOrder_ = order;
    if (report_) report_->SetBandValues();
}

double TQRPage::CharacterPointSize() const {
    return report_ ? report_->Font().Size() : 10.0;
}

void TQRPage::SetParentSizes() {
    if (!report_ || report_->IsLoading()) return;
    report_->SetBounds(report_->Left(), report_->Top(), Pixels(iWidth), Pixels(iLength));
}

} // namespace quorvel
