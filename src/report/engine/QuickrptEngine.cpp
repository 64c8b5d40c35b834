// The generation pass: walks the controller tree record by record and places bands on pages.
// Lengths are tenths of a millimetre (the report works in Native units during the pass); the page
// store turns them into device pixels.

#include "platform/Canvas.h"
#include "platform/Exceptions.h"
#include "platform/Rounding.h"
#include "platform/ScopeExit.h"
#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptControllers.h"
#include "report/engine/QuickrptPaint.h"
#include "report/engine/QuickrptPrintable.h"
#include "report/engine/QuickrptReport.h"
#include "report/pagestore/QrprntrFilter.h"

#include <QCoreApplication>

#include <algorithm>
#include <exception>

namespace quorvel {

namespace {

// Pixels per tenth of a millimetre at 96 pixels per inch: the design measure of stretched heights.
constexpr double kDesignPixelsPerNative = 96.0 / 254.0;

// A band continued onto this many new columns or pages in a row without any of its unfinished
// controls getting further (a line taller than an empty page) would ask for new pages for ever: the
// run fails instead of cutting the text.
constexpr int kFruitlessContinuations = 2;

// A vertical line shape with this tag is drawn again over the band's whole printed height, so that
// column rules run through stretched bands.
constexpr int kStretchedLineTag = 1000;

int Round(double value) {
    return RoundHalfEven(value);
}

// Columns filled row by row: column-wide bands are laid across the columns, one per column, before
// the next row starts below the tallest of them.
bool FillsRowByRow(const TQRPage& page) {
    return page.PrintOrder() == TQRPrintOrder::RowByRow && page.Columns() > 1;
}

bool RunsAcrossColumns(const TQRCustomBand& band) {
    switch (band.EffectiveBandType()) {
    case TQRBandType::rbTitle:
    case TQRBandType::rbPageHeader:
    case TQRBandType::rbPageFooter:
    case TQRBandType::rbSummary:
    case TQRBandType::rbOverlay:
    case TQRBandType::rbGroupHeader:
    case TQRBandType::rbGroupFooter:
        return false;
    default:
        return true;
    }
}

// The record a band prints: the one of the controller whose band it is, else the report's.
int RecordOf(const TQRCustomController* notified, const TCustomQuickRep& report) {
    if (const auto* controller = dynamic_cast<const TQRController*>(notified)) return controller->RecordNo();
    if (const auto* controller = dynamic_cast<const TQRController*>(&report.Controller()))
        return controller->RecordNo();
    return 0;
}

} // namespace

void TCustomQuickRep::FillDataSetList() {
    run_.DataSets.Clear();
    run_.ListedDataSets.clear();
    TComponent* form = this;
    while (form->Owner())
        form = form->Owner();
    CollectDataSets(*form, 0);
}

void TCustomQuickRep::CollectDataSets(TComponent& owner, int depth) {
    if (depth > 32) return;
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        TComponent* component = owner.Component(i);
        if (auto* dataSet = dynamic_cast<TDataSetComponent*>(component))
            AddToDataSetList(*dataSet);
        else if (component->ComponentCount() > 0)
            CollectDataSets(*component, depth + 1);
    }
}

double TCustomQuickRep::VerticalPaperExtent() const {
    if (!pageStore_) return page_->NativeValue(TQRPage::iLength);
    if (pageStore_->PaperSize() == TQRPaperSize::Custom ||
        pageStore_->Orientation() == TPrinterOrientation::poPortrait)
        return pageStore_->GetPaperLength();
    return pageStore_->GetPaperWidth();
}

int TCustomQuickRep::AvailableSpace() const {
    if (!run_.Busy || run_.CursorY == -1) return 0;
    if (exportFilter_ && exportFilter_->GetStreaming()) return Round(VerticalPaperExtent());
    return Round(VerticalPaperExtent() - page_->NativeValue(TQRPage::iBottomMargin) - run_.FooterReserve -
                 run_.CursorY);
}

void TCustomQuickRep::ResetPageFooterSize() {
    run_.FooterReserve = 0;
    for (TQRCustomBand* band : bandList_) {
        if (band->BandType() != TQRBandType::rbPageFooter || !band->Enabled()) continue;
        run_.FooterReserve += band->Size().NativeValue(TQRBandSize::iHeight);
        int guard = 0;
        for (TQRCustomBand* child = band->GetChild(); child && guard < 1000;
             child = child->GetChild(), ++guard)
            run_.FooterReserve += child->Size().NativeValue(TQRBandSize::iHeight);
    }
}

void TCustomQuickRep::ProcessMessages() {
    constexpr qint64 intervalMs = 10;
    if (run_.SinceMessages.isValid() && run_.SinceMessages.elapsed() < intervalMs) return;
    QCoreApplication::processEvents();
    run_.SinceMessages.start();
}

bool TCustomQuickRep::PageStoreCancelled() const {
    return pageStore_ && pageStore_->Cancelled();
}

void TCustomQuickRep::SetProgress(int percent) {
    if (pageStore_) pageStore_->SetProgress(percent);
}

void TCustomQuickRep::Cancel() {
    if (!run_.Busy) return;
    run_.CancelRequested = true;
    if (pageStore_) pageStore_->Cancel();
}

void TCustomQuickRep::Execute() {
    controller_->Execute();
}

void TCustomQuickRep::CreateReport(bool composite) {
    if (run_.Busy) return;
    TQRPage& page = *page_;
    if (page.NativeValue(TQRPage::iLeftMargin) + page.NativeValue(TQRPage::iRightMargin) >
        page.NativeValue(TQRPage::iWidth)) {
        page.SetNativeValue(TQRPage::iLeftMargin, 0);
        page.SetNativeValue(TQRPage::iRightMargin, 0);
    }
    if (page.NativeValue(TQRPage::iTopMargin) + page.NativeValue(TQRPage::iBottomMargin) >
        page.NativeValue(TQRPage::iLength)) {
        page.SetNativeValue(TQRPage::iTopMargin, 0);
        page.SetNativeValue(TQRPage::iBottomMargin, 0);
    }
    run_.BeginPass();

    std::exception_ptr failure;
    const TQRUnit savedUnit = Units();
    bool unitSwitched = false;
    bool documentBegun = false;
    bool globalPrepared = false;
    bool functionsPrepared = false;
    bool controllerPrepared = false;
    bool printablesPrepared = false;
    try {
        FillDataSetList();
        run_.BackgroundImage = nullptr;
        if (!backImageControl_.isEmpty())
            for (TQRPrintable* printable : ReportPrintables())
                if (printable->CanBePageBackground() &&
                    printable->Name().compare(backImageControl_, Qt::CaseInsensitive) == 0)
                    run_.BackgroundImage = printable;

        bool printReport = true;
        if (BeforePrint && !IsDesigning()) BeforePrint(*this, printReport);
        if (printReport) {
            SetUnits(TQRUnit::Native);
            unitSwitched = true;
            TQRPrinter& store = *pageStore_;
            if (composite) {
                page.SetOrientation(store.Orientation());
                page.SetPaperSize(store.PaperSize());
            } else {
                SetPrinterValues();
                store.SetTitle(reportTitle_);
                store.SetCompression(options_.testFlag(TTessalyOption::Compression));
                store.BeginDoc();
                documentBegun = true;
                run_.CursorY = -1;
                run_.PageCounter = 0;
            }
            run_.ColumnIndex = page.Columns();
            if (exportFilter_ && !exportFilter_->Started())
                exportFilter_->Start(Round(page.NativeValue(TQRPage::iWidth)),
                                     Round(page.NativeValue(TQRPage::iLength)), Font());
            ResetPageFooterSize();
            for (TQRCustomBand* band : bandList_) {
                band->SetParentReport(this);
                band->TakePrintChild();
            }
            for (TQRPrintable* printable : ReportPrintables())
                printable->SetParentReport(this);
            run_.CursorX = Round(page.NativeValue(TQRPage::iLeftMargin));
            controller_->SetParentReport(this);
            controller_->BuildTree();

            QRGlobalEnvironment().Prepare();
            globalPrepared = true;
            functions_->DataSets() = run_.DataSets;
            functions_->Prepare();
            functionsPrepared = true;
            functions_->SetStringConstant(QStringLiteral("REPORTTITLE"), reportTitle_);

            controller_->Prepare();
            controllerPrepared = true;
            printablesPrepared = true;
            for (TQRPrintable* printable : AllPrintables())
                printable->Prepare();

            run_.CompositePart = composite;
            Execute();
            if (!composite) {
                run_.CursorX = Round(page.NativeValue(TQRPage::iLeftMargin));
                run_.OnLastPage = true;
                if (!run_.CancelRequested) EndPage();
                if (exportFilter_) exportFilter_->Finish();
            } else if (Tag() == kReportTagLastPart) {
                run_.OnLastPage = true;
                EndPage();
                if (exportFilter_) exportFilter_->Finish();
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }

    // Whatever happened, the report goes back to its unit and everything prepared is unprepared.
    const auto tidy = [&](const auto& step) {
        try {
            step();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    if (unitSwitched) tidy([&] { SetUnits(savedUnit); });
    if (printablesPrepared)
        for (TQRPrintable* printable : AllPrintables())
            tidy([&] { printable->UnPrepare(); });
    if (controllerPrepared) tidy([&] { controller_->Unprepare(); });
    if (functionsPrepared) tidy([&] { functions_->Unprepare(); });
    if (globalPrepared) tidy([&] { QRGlobalEnvironment().Unprepare(); });
    if (documentBegun && pageStore_ && pageStore_->Status() == TQRPrinterStatus::mpBusy) {
        if (run_.CancelRequested || !drawToCanvas_)
            tidy([&] { pageStore_->AbortDoc(); });
        else
            tidy([&] { pageStore_->EndDoc(); });
    }
    run_.DataSets.Clear();
    run_.ListedDataSets.clear();
    run_.CompositePart = false;
    run_.BreakInProgress = false;
    run_.Busy = false;
    if (failure) std::rethrow_exception(failure);
}

void TCustomQuickRep::PrintBand(TQRCustomBand* band) {
    if (!band) return;
    if (FillsRowByRow(*page_)) {
        if (!RunsAcrossColumns(*band)) {
            if (band->BandType() != TQRBandType::rbPageFooter) CloseRow();
        } else if (band->BandType() == TQRBandType::rbColumnHeader && run_.ColumnIndex == 1) {
            // The column heads fill one row, a head above every column.
            const int columns = page_->Columns();
            for (int column = 1; column <= columns; ++column) {
                band->Print();
                if (run_.ColumnIndex == 1) break; // the row ended early on a new page
            }
            return;
        }
    }
    if (band->AlignToBottom()) {
        if (band->BandType() == TQRBandType::rbSummary && !options_.testFlag(TTessalyOption::LastPageFooter))
            run_.FooterReserve = 0;
        const int extent = Round(VerticalPaperExtent());
        const double height = band->Size().NativeValue(TQRBandSize::iHeight);
        const double bottom = page_->NativeValue(TQRPage::iBottomMargin) + run_.FooterReserve;
        if (extent - run_.CursorY >= Round(height + bottom))
            run_.CursorY = extent - Round(height) - Round(bottom);
    }
    band->Print();
}

int TCustomQuickRep::ColumnWidth() const {
    const TQRPage& page = *page_;
    if (const TQRCustomBand* detail = bands_.BandOfIndex(4))
        return Round(detail->Size().NativeValue(TQRBandSize::iWidth));
    return (Round(page.NativeValue(TQRPage::iWidth) -
                  (page.NativeValue(TQRPage::iLeftMargin) + page.NativeValue(TQRPage::iRightMargin))) -
            Round(page.NativeValue(TQRPage::iColumnSpace)) * (page.Columns() - 1)) /
           page.Columns();
}

void TCustomQuickRep::NextCell() {
    run_.CellUsed = false;
    run_.RowBottom = std::max(run_.RowBottom, run_.CursorY);
    if (run_.ColumnIndex < page_->Columns()) {
        run_.CursorX += Round(page_->NativeValue(TQRPage::iColumnSpace)) + ColumnWidth();
        run_.CursorY = run_.RowTop;
        ++run_.ColumnIndex;
    } else {
        CloseRow();
    }
    functions_->SetIntegerConstant(QStringLiteral("COLUMNNUMBER"), run_.ColumnIndex);
}

void TCustomQuickRep::StartCell() {
    if (run_.ColumnIndex != 1) return;
    run_.RowTop = run_.CursorY;
    run_.RowBottom = run_.CursorY;
}

void TCustomQuickRep::CloseRow() {
    if (run_.ColumnIndex == 1) return;
    run_.CursorX = Round(page_->NativeValue(TQRPage::iLeftMargin));
    run_.CursorY = std::max(run_.RowBottom, run_.CursorY);
    run_.ColumnIndex = 1;
    functions_->SetIntegerConstant(QStringLiteral("COLUMNNUMBER"), run_.ColumnIndex);
}

void TCustomQuickRep::NewColumn() {
    const TQRPage& page = *page_;
    if (run_.ColumnIndex >= page.Columns() || FillsRowByRow(*page_)) {
        // Row by row, a band that needs more room than the row leaves goes to the next page.
        run_.ColumnIndex = 1;
        run_.CursorX = Round(page.NativeValue(TQRPage::iLeftMargin));
        NewPage();
    } else {
        run_.CursorX += Round(page.NativeValue(TQRPage::iColumnSpace)) + ColumnWidth();
        run_.CursorY = run_.ColumnTop;
        ++run_.ColumnIndex;
    }
    functions_->SetIntegerConstant(QStringLiteral("COLUMNNUMBER"), run_.ColumnIndex);
    if (!(run_.ColumnIndex == 1 && run_.PageCounter == 1)) {
        PrintBand(bands_.BandOfIndex(3));
        controller_->NewPageCheckGroups();
    }
}

void TCustomQuickRep::NewPage() {
    EndPage();
    if (exportFilter_) exportFilter_->NewPage();
    ++run_.PageCounter;
    functions_->SetIntegerConstant(QStringLiteral("PAGENUMBER"), run_.PageCounter);
    if (drawToCanvas_ || run_.PageCounter == 1) pageStore_->NewPage();
    run_.CursorY = Round(page_->NativeValue(TQRPage::iTopMargin));
    if (OnStartPage && !IsDesigning()) OnStartPage(*this);
    PrintBackgroundImage();
    if (run_.PageCounter > 1 || options_.testFlag(TTessalyOption::FirstPageHeader))
        PrintBand(bands_.BandOfIndex(2));
    run_.ColumnTop = run_.CursorY;
    run_.ColumnIndex = 1;
    if (run_.PageCounter == 1)
        if (const TQRCustomBand* title = bands_.BandOfIndex(1))
            run_.ColumnTop += Round(title->Size().NativeValue(TQRBandSize::iHeight));
}

void TCustomQuickRep::EndPage() {
    if (run_.PageCounter > 0) {
        const TQRPage& page = *page_;
        run_.CursorY = Round(page.NativeValue(TQRPage::iLength) - page.NativeValue(TQRPage::iBottomMargin) -
                             run_.FooterReserve);
        run_.CursorX = Round(page.NativeValue(TQRPage::iLeftMargin));
        if (!(run_.OnLastPage && !options_.testFlag(TTessalyOption::LastPageFooter)))
            PrintBand(bands_.BandOfIndex(6));
        PrintPageBackground();
        if (OnEndPage && !IsDesigning()) OnEndPage(*this);
    }
    if (exportFilter_) exportFilter_->EndPage();
}

void TCustomQuickRep::ForceNewPage() {
    if (!run_.Busy) return;
    if (run_.SuppressForcedBreak) {
        run_.SuppressForcedBreak = false;
        return;
    }
    do
        NewColumn();
    while (run_.ColumnIndex != 1);
}

void TCustomQuickRep::ForceNewColumn() {
    if (!run_.Busy) return;
    if (run_.ColumnBreakPending || run_.ColumnIndex > 1)
        NewColumn();
    else
        run_.ColumnBreakPending = true;
}

void TCustomQuickRep::PrintPageBackground() {
    for (TQRPrintable* printable : ReportPrintables())
        if (printable != run_.BackgroundImage && printable->Enabled()) printable->Print(0, 0);
    if (drawToCanvas_ || exportFilter_) DrawReportFrame();
}

void TCustomQuickRep::DrawReportFrame() {
    if (!Frame().AnyFrame() || !pageStore_ || !pageStore_->HasCanvas()) return;
    const TQRPage& page = *page_;
    TQRPrinter& store = *pageStore_;
    const TRect rect{
        store.XPos(page.NativeValue(TQRPage::iLeftMargin)), store.YPos(page.NativeValue(TQRPage::iTopMargin)),
        store.XPos(page.NativeValue(TQRPage::iWidth) - page.NativeValue(TQRPage::iRightMargin)),
        store.YPos(page.NativeValue(TQRPage::iLength) - page.NativeValue(TQRPage::iBottomMargin))};
    Frame().PaintIt(store.Canvas(), rect, store.YFactor(), store.XFactor());
}

void TCustomQuickRep::PrintBackgroundImage() {
    if (!run_.BackgroundImage) return;
    // The image draws itself stretched over its own rectangle on the page.
    run_.BackgroundImage->Print(0, 0);
}

double TQRCustomBand::StretchHeight(bool withLinks) const {
    double height = size_->NativeValue(TQRBandSize::iHeight);
    // The linked bands must fit together with this one: their heights are added down the chain.
    if (withLinks && linkBand_) height += linkBand_->StretchHeight(true);
    return height;
}

void TQRCustomBand::MakeSpace() {
    TCustomQuickRep& report = *parentReport_;
    TQRRunState& run = report.RunState();
    const TQRPage& page = report.Page();
    const int need = RoundHalfEven(StretchHeight(true));
    const double emptyPage = page.NativeValue(TQRPage::iLength) - (page.NativeValue(TQRPage::iTopMargin) +
                                                                   page.NativeValue(TQRPage::iBottomMargin));
    const bool fits =
        bandType_ == TQRBandType::rbPageFooter || report.AvailableSpace() >= need || need > emptyPage;
    if (fits && report.PageNumber() != 0) {
        if (bandType_ == TQRBandType::rbDetail) run.BreakInProgress = false;
        return;
    }
    run.BreakInProgress = bandType_ == TQRBandType::rbDetail;
    report.NewColumn();
}

double TQRCustomBand::ExpandedHeight() {
    const double designHeight = Height();
    double bottom = size_->NativeValue(TQRBandSize::iHeight);
    double gap = 0;
    for (TQRPrintable* printable : Printables()) {
        if (!printable->Enabled() || !printable->CountsInExpandedHeight()) continue;
        double expanded = printable->Height();
        printable->GetExpandedHeight(expanded);
        const double b = (expanded + printable->Top()) / kDesignPixelsPerNative;
        if (b > bottom) {
            bottom = b;
            gap = (designHeight - printable->Top() - printable->Height() + 1) / kDesignPixelsPerNative;
        }
    }
    return bottom + (gap < 0 ? 0 : gap);
}

bool TQRCustomBand::CanExpand(double value) const {
    return parentReport_ &&
           parentReport_->AvailableSpace() >=
               RoundHalfEven(size_->NativeValue(TQRBandSize::iHeight) + extraHeight_ + value);
}

bool TQRCustomBand::ExpandBand(double& extra, bool& expanded, double value) {
    if (!CanExpand(value)) return false;
    bool result = false;
    if (expanded || value >= extraHeight_)
        extraHeight_ += value;
    else
        result = true;
    extra = extraHeight_;
    expanded = true;
    return result;
}

int TQRCustomBand::AdvancedHeight() const {
    return RoundHalfEven(size_->NativeValue(TQRBandSize::iHeight) + extraHeight_);
}

void TQRCustomBand::AdvancePaper() {
    TCustomQuickRep& report = *parentReport_;
    TQRRunState& run = report.RunState();
    run.CursorY += AdvancedHeight();
    if (FillsRowByRow(report.Page()) && RunsAcrossColumns(*this)) run.CellUsed = true;
}

void TQRCustomBand::Print() {
    TCustomQuickRep& report = *parentReport_;
    TQRRunState& run = report.RunState();
    const TQRPage& page = report.Page();
    // Row by row, a column-wide band and the child chain under it fill one cell of the row.
    const bool acrossColumns = FillsRowByRow(report.Page()) && RunsAcrossColumns(*this);
    const bool fillsCell = acrossColumns && bandType_ != TQRBandType::rbChild;
    if (fillsCell) run.CellUsed = false;
    bool printIt = Enabled();
    if (Enabled() && !IsDesigning() && BeforePrint) BeforePrint(*this, printIt);
    if (bandType_ == TQRBandType::rbSummary)
        run.CursorX = RoundHalfEven(page.NativeValue(TQRPage::iLeftMargin));

    if (!printIt) {
        if (!Enabled() && notifyController_)
            notifyController_->NotifyClients(TQRNotifyOperation::qrMasterDataAdvance);
    } else {
        const int pageBefore = run.PageCounter;
        const bool neverForced =
            bandType_ == TQRBandType::rbTitle || bandType_ == TQRBandType::rbPageHeader ||
            bandType_ == TQRBandType::rbPageFooter || bandType_ == TQRBandType::rbOverlay;
        const bool mayForce = !neverForced && run.PageCounter >= 1;
        if (forceNewPage_ && !run.BreakInProgress && mayForce) {
            report.ForceNewPage();
            run.BreakInProgress = false;
        } else if (forceNewColumn_ && mayForce) {
            report.ForceNewColumn();
        } else {
            MakeSpace();
        }
        if (notifyController_) notifyController_->NotifyClients(TQRNotifyOperation::qrMasterDataAdvance);
        if (keepOnOnePage_ && ExpandedHeight() > report.AvailableSpace()) report.NewColumn();
        if (fillsCell || (acrossColumns && run.PageCounter != pageBefore)) report.StartCell();
        // The filter learns where the band starts on the page it prints on, after any break.
        const int startX = run.CursorX;
        const int startY = run.CursorY;

        TQRPrinter& store = *report.PageStore();
        const double width = size_->NativeValue(TQRBandSize::iWidth);
        const double height = size_->NativeValue(TQRBandSize::iHeight);
        if (!transparentBand_ && Enabled()) {
            const double h = preCalculateBandHeight_ ? ExpandedHeight() : height;
            printedRect_ = {store.XPos(run.CursorX), store.YPos(run.CursorY), store.XPos(run.CursorX + width),
                            store.YPos(run.CursorY + h)};
            if (report.ExportFilter()) {
                report.ExportFilter()->AcceptGraphic(
                    printedRect_.Left, printedRect_.Top,
                    ExportShape(TExportShapeType::esRectangle, printedRect_.Width(), printedRect_.Height(),
                                TPen(Color(), 1, TPenStyle::psClear), TBrush(Color(), TBrushStyle::bsSolid)));
            }
        }
        if (Height() != 0 && Enabled()) {
            if (report.DrawToCanvas() && !transparentBand_) {
                TCanvas& canvas = store.Canvas();
                canvas.SetBrush(TBrush(Color(), TBrushStyle::bsSolid));
                canvas.FillRect(printedRect_);
            }
            extraHeight_ = 0;
            bool firstTry = true;
            bool allFinished = false;
            int fruitless = 0;
            while (!allFinished) {
                allFinished = true;
                bool progressed = false;
                const TQRPrintable* stuck = nullptr;
                double largestExtra = 0;
                for (TQRPrintable* printable : Printables()) {
                    if (!printable->Enabled()) continue;
                    extraHeight_ = 0;
                    if (firstTry || !printable->PrintFinished()) {
                        const int before = printable->PrintProgress();
                        printable->Print(run.CursorX, run.CursorY);
                        if (printable->PrintFinished() || printable->PrintProgress() != before)
                            progressed = true;
                        else
                            stuck = printable;
                    }
                    allFinished = allFinished && printable->PrintFinished();
                    if (extraHeight_ > largestExtra) largestExtra = extraHeight_;
                }
                // The first try may stop at the page's end; a continuation starts on a fresh column.
                fruitless = firstTry || progressed ? 0 : fruitless + 1;
                if (!allFinished && fruitless >= kFruitlessContinuations) ThrowCannotContinue(stuck);
                extraHeight_ = largestExtra;
                if (report.DrawToCanvas() || report.ExportFilter()) {
                    // The band ends where the next band starts (the cursor moves by the rounded
                    // height): a bottom line drawn any lower would lie under the next band's
                    // background, which covers it on the page and in every filter.
                    printedRect_ = {store.XPos(run.CursorX), store.YPos(run.CursorY),
                                    store.XPos(run.CursorX + width),
                                    store.YPos(run.CursorY + AdvancedHeight())};
                    QRPaintFrame(Frame(), report, printedRect_);
                    PrintStretchedLines();
                }
                if (!allFinished) {
                    run.BreakInProgress = true;
                    report.NewColumn();
                    run.BreakInProgress = false;
                    if (acrossColumns) report.StartCell();
                    extraHeight_ = 0;
                }
                firstTry = false;
            }
            AdvancePaper();
        }
        if (report.ExportFilter()) report.ExportFilter()->AcceptBand(*this, startX, startY, extraHeight_);
    }
    if (AfterPrint && !IsDesigning()) AfterPrint(*this, printIt);
    if (TQRCustomBand* child = printChild_) {
        auto* childBand = static_cast<TQRChildBand*>(child);
        if (bandType_ == TQRBandType::rbPageFooter) {
            childBand->SetPrintingType(TQRBandType::rbPageFooter);
            const ScopeExit restore([childBand] { childBand->SetPrintingType(TQRBandType::rbChild); });
            report.PrintBand(child);
        } else {
            report.PrintBand(child);
        }
    }
    if (fillsCell && run.CellUsed) report.NextCell();
    run.BreakInProgress = false;
}

void TQRCustomBand::ThrowCannotContinue(const TQRPrintable* stuck) const {
    throw EQRError(QStringLiteral("Record %1: \"%2\" on band \"%3\" cannot be continued, not one more "
                                  "line of it fits on a new page")
                       .arg(RecordOf(notifyController_, *parentReport_))
                       .arg(stuck ? stuck->Name() : QString(), Name()));
}

void TQRCustomBand::PrintStretchedLines() {
    const int designWidth = Width();
    if (designWidth <= 0) return;
    TCustomQuickRep& report = *parentReport_;
    TQRPrinter& store = *report.PageStore();
    for (const TQRPrintable* printable : Printables()) {
        if (printable->Tag() != kStretchedLineTag) continue;
        const TExportGraphic shape = printable->ExportGraphic();
        if (shape.Kind != TExportGraphicKind::egShape || shape.Shape != TExportShapeType::esVertLine)
            continue;
        // The line keeps its place across the band's width as the band is drawn on the page.
        const int x = printedRect_.Left + Round(double(printedRect_.Width()) *
                                                (printable->Left() + printable->Width() / 2) / designWidth);
        const TPen pen(shape.Pen.Color(), shape.Pen.Width(), TPenStyle::psSolid);
        if (report.DrawToCanvas() && store.HasCanvas()) {
            TCanvas& canvas = store.Canvas();
            canvas.SetPen(pen);
            canvas.MoveTo(x, printedRect_.Top);
            canvas.LineTo(x, printedRect_.Bottom);
        }
        if (report.ExportFilter()) {
            // Handed over as a line shape one pen wide, centred on the line.
            const int lineWidth = std::max(1, pen.Width());
            report.ExportFilter()->AcceptGraphic(
                x - lineWidth / 2, printedRect_.Top,
                ExportShape(TExportShapeType::esVertLine, lineWidth, printedRect_.Height(), pen,
                            TBrush(shape.Pen.Color(), TBrushStyle::bsClear)));
        }
    }
}

namespace {

// Whether a group's new value breaks it: another kind, or another value; an error never differs.
bool Differs(const TQREvResult& a, const TQREvResult& b) {
    if (a.Kind != b.Kind) return true;
    switch (a.Kind) {
    case TQREvResultType::resInt:
        return a.IntResult != b.IntResult;
    case TQREvResultType::resDouble:
        return a.DblResult != b.DblResult;
    case TQREvResultType::resString:
        return a.StrResult != b.StrResult;
    case TQREvResultType::resBool:
        return a.BooResult != b.BooResult;
    case TQREvResultType::resError:
        break;
    }
    return false;
}

} // namespace

void TQRGroup::Prepare() {
    evaluator_ = std::make_unique<TQREvaluator>();
    if (TCustomQuickRep* report = ParentReport()) {
        evaluator_->SetDataSets(report->DataSetList());
        evaluator_->SetEnvironment(&report->Functions());
    }
    evaluator_->Prepare(expression_);
    hasValue_ = false;
    groupBreak_ = false;
    open_ = false;
    headerPage_ = 1;
}

void TQRGroup::Unprepare() {
    if (evaluator_) evaluator_->UnPrepare();
    evaluator_.reset();
}

void TQRGroup::TakeValue() {
    lastValue_ = evaluator_ ? evaluator_->Value() : TQREvResult();
    groupBreak_ = true;
    hasValue_ = true;
}

void TQRGroup::Check() {
    groupBreak_ = false;
    const TQREvResult value = evaluator_ ? evaluator_->Value() : TQREvResult();
    if (!hasValue_) {
        lastValue_ = value;
        groupBreak_ = true;
        hasValue_ = true;
        return;
    }
    groupBreak_ = Differs(value, lastValue_);
    if (groupBreak_) lastValue_ = value;
}

void TQRGroup::NewPageCheck() {
    const int page = ParentReport() ? ParentReport()->PageNumber() : 0;
    groupBreak_ = reprintOnNewPage_ && open_ && headerPage_ != page;
    if (groupBreak_) headerPage_ = page;
}

void TQRGroup::PrintGroupHeader() {
    TCustomQuickRep* report = ParentReport();
    if (!report) return;
    report->PrintBand(this);
    open_ = true;
    headerPage_ = report->PageNumber();
}

void TQRGroup::PrintGroupFooter() {
    if (TCustomQuickRep* report = ParentReport(); report && footerBand_) report->PrintBand(footerBand_);
    open_ = false;
}

} // namespace quorvel
