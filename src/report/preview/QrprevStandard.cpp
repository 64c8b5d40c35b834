#include "report/preview/QrprevStandard.h"

#include "platform/CanvasPainter.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/EventLoop.h"
#include "platform/Files.h"
#include "platform/NumberParse.h"
#include "platform/Rounding.h"
#include "report/pagestore/QrprntrFilter.h"
#include "report/preview/QrprevControl.h"
#include "report/preview/QrprevDialogs.h"
#include "report/preview/QrprevFront.h"
#include "report/preview/QrprevGlyphs.h"
#include "report/preview/QrprevSearch.h"

#include "ui_QrprevStandard.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QWheelEvent>

namespace quorvel {

namespace {

// Turns a flag on for a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag)
        : flag_(flag) {
        flag_ = true;
    }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

TQRStandardPreview::TQRStandardPreview(QWidget* owner, TQRPrinter& pageStore)
    : QWidget(owner, Qt::Window)
    , ui_(std::make_unique<Ui::TQRStandardPreview>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(ui_->StatusBar); // the status bar owns its panels
        ui_->StatusBar->addWidget(panels_[i], i == 2 ? 1 : 0);
    }
    panels_[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panels_[0]->setMinimumWidth(40);
    panels_[0]->setText(QStringLiteral("0%"));
    panels_[1]->setMinimumWidth(120);
    panels_[2]->setMinimumWidth(50);
    ui_->Splitter2->setSizes({193, 632});
    ui_->QRPreview->horizontalScrollBar()->setSingleStep(52);
    ui_->QRPreview->verticalScrollBar()->setSingleStep(43);
    SetCaptionsAndHints();

    int zoom = 100;
    if (const TQRPrinterOwner* report = pageStore.ParentReport()) {
        const TQRPreviewSettings settings = report->PreviewSettings();
        if (settings.FormStyle == TFormStyle::fsStayOnTop) setWindowFlag(Qt::WindowStaysOnTopHint);
        resize(settings.Width > 0 ? settings.Width : 500, settings.Height > 0 ? settings.Height : 500);
        showThumbs_ = settings.ShowThumbs;
        showSearch_ = settings.ShowSearch;
        initialZoom_ = settings.InitialZoom;
        zoom = settings.Zoom;
        title_ = settings.Title;
        pageStore.SetTitle(settings.Title);
        orientation_ = settings.Orientation;
        initialState_ = settings.InitialState;
    } else {
        resize(825, 574);
        initialState_ = TWindowState::wsMaximized;
    }

    ui_->QRPreview->SetQRPrinter(&pageStore);
    pageStore.SetOrientation(orientation_);
    if (!pageStore.Title().isEmpty()) setWindowTitle(QStringLiteral("Report Preview : ") + pageStore.Title());

    lastProgress_ = 0;
    int rows = 1;
    ui_->Tabs->setVisible(showThumbs_ || showSearch_);
    if (showThumbs_ || showSearch_) {
        if (pageStore.PageCount() > 0) rows = pageStore.PageCount();
        ui_->Tabs->setTabVisible(ui_->Tabs->indexOf(ui_->TabThumbs), showThumbs_);
    }
    ui_->FindButton->setVisible(showSearch_);
    if (!showSearch_) ui_->Tabs->setTabVisible(ui_->Tabs->indexOf(ui_->TabSearchResult), false);
    SetThumbRows(rows);

    switch (initialZoom_) {
    case TQRZoomState::qrZoomToFit:
        ui_->QRPreview->ZoomToFit();
        ui_->ZoomFit->setChecked(true);
        break;
    case TQRZoomState::qrZoomToWidth:
        ui_->QRPreview->ZoomToWidth();
        ui_->ZoomToWidth->setChecked(true);
        break;
    case TQRZoomState::qrZoomOther:
        ui_->QRPreview->SetZoom(zoom);
        ui_->QRPreview->UpdateZoom();
        ui_->Zoom100->setChecked(true);
        break;
    }
    if (pageStore.Status() == TQRPrinterStatus::mpFinished) {
        // The pages are all there already (a document made before the window opened).
        ui_->Print->setEnabled(true);
        ui_->PrintSetup->setEnabled(true);
        ui_->SaveReport->setEnabled(true);
        ui_->LoadReport->setEnabled(true);
    }
    Connect();
    ResizeThumb();
}

TQRStandardPreview::~TQRStandardPreview() = default;

TQRPreview& TQRStandardPreview::QRPreview() noexcept {
    return *ui_->QRPreview;
}

TQRPrinter* TQRStandardPreview::PageStore() const noexcept {
    return ui_->QRPreview->QRPrinter();
}

QString TQRStandardPreview::StatusText(int panel) const {
    return panel >= 0 && panel < static_cast<int>(panels_.size())
               ? panels_[static_cast<std::size_t>(panel)]->text()
               : QString();
}

void TQRStandardPreview::SetCaptionsAndHints() {
    ui_->Tabs->setTabText(ui_->Tabs->indexOf(ui_->TabThumbs), QStringLiteral("ThumbNails"));
    ui_->Tabs->setTabText(ui_->Tabs->indexOf(ui_->TabSearchResult), QStringLiteral("Search Results"));
    ui_->GroupBox1->setTitle(QStringLiteral("Search Text"));
    const struct {
        QAbstractButton* button;
        const char* hint;
        QIcon icon;
    } buttons[] = {
        {ui_->ZoomFit, "Zoom to fit", style()->standardIcon(QStyle::SP_TitleBarNormalButton)},
        {ui_->ZoomToWidth, "Zoom to width",
         style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)},
        {ui_->Zoom100, "100% Size", style()->standardIcon(QStyle::SP_TitleBarMaxButton)},
        {ui_->FirstPage, "First page", style()->standardIcon(QStyle::SP_MediaSkipBackward)},
        {ui_->nextPage, "Next page", style()->standardIcon(QStyle::SP_MediaSeekForward)},
        {ui_->PreviousPage, "Previous page", style()->standardIcon(QStyle::SP_MediaSeekBackward)},
        {ui_->LastPage, "Last page", style()->standardIcon(QStyle::SP_MediaSkipForward)},
        {ui_->GotoPageButton, "Select a Page", style()->standardIcon(QStyle::SP_FileDialogContentsView)},
        {ui_->FindButton, "Search for Text", style()->standardIcon(QStyle::SP_FileDialogDetailedView)},
        {ui_->PrintSetup, "Printer setup", style()->standardIcon(QStyle::SP_FileDialogListView)},
        {ui_->Print, "Print", PrinterGlyph()},
        {ui_->SaveReport, "Save report", style()->standardIcon(QStyle::SP_DialogSaveButton)},
        {ui_->LoadReport, "Load report", style()->standardIcon(QStyle::SP_DialogOpenButton)},
    };
    for (const auto& entry : buttons) {
        entry.button->setToolTip(QString::fromLatin1(entry.hint));
        entry.button->setIcon(entry.icon);
    }
    ui_->ExitButton->setToolTip(QStringLiteral("Close Preview"));
    ui_->ExitButton->setText(QStringLiteral("&Close"));
    setWindowTitle(QStringLiteral("Report Preview : "));
}

void TQRStandardPreview::Connect() {
    connect(ui_->ZoomFit, &QToolButton::clicked, this, &TQRStandardPreview::ZoomToFitClick);
    connect(ui_->ZoomToWidth, &QToolButton::clicked, this, &TQRStandardPreview::ZoomToWidthClick);
    connect(ui_->Zoom100, &QToolButton::clicked, this, &TQRStandardPreview::ZoomTo100Click);
    connect(ui_->FirstPage, &QToolButton::clicked, this, &TQRStandardPreview::FirstPageClick);
    connect(ui_->PreviousPage, &QToolButton::clicked, this, &TQRStandardPreview::PrevPageClick);
    connect(ui_->nextPage, &QToolButton::clicked, this, &TQRStandardPreview::NextPageClick);
    connect(ui_->LastPage, &QToolButton::clicked, this, &TQRStandardPreview::LastPageClick);
    connect(ui_->GotoPageButton, &QToolButton::clicked, this, GuardedSlot([this] { GotoPageButtonClick(); }));
    connect(ui_->FindButton, &QToolButton::clicked, this, GuardedSlot([this] { FindButtonClick(); }));
    connect(ui_->PrintSetup, &QToolButton::clicked, this, GuardedSlot([this] { PrintSetupClick(); }));
    connect(ui_->Print, &QToolButton::clicked, this, GuardedSlot([this] { PrintClick(); }));
    connect(ui_->SaveReport, &QToolButton::clicked, this, GuardedSlot([this] { SaveClick(); }));
    connect(ui_->LoadReport, &QToolButton::clicked, this, GuardedSlot([this] { LoadClick(); }));
    connect(ui_->ExitButton, &QPushButton::clicked, this, &TQRStandardPreview::ExitClick);
    connect(ui_->QRPreview, &TQRPreview::OnPageAvailable, this, &TQRStandardPreview::QRPreviewPageAvailable);
    connect(ui_->QRPreview, &TQRPreview::OnProgressUpdate, this,
            &TQRStandardPreview::QRPreviewProgressUpdate);
    connect(ui_->ThumbGrid, &TResizeGrid::Resized, this, &TQRStandardPreview::ResizeThumb);
    connect(ui_->ThumbGrid, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { ThumbGridSelectCell(row); });
    connect(ui_->SearchResultBox, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { SearchResultBoxClick(ui_->SearchResultBox->row(item)); });
    ui_->ThumbGrid->OnDrawCell = [this](QPainter& painter, int row, const QRect& cell) {
        ThumbGridDrawCell(painter, row, cell);
    };
    // The window sees every key and wheel turn before its controls do.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void TQRStandardPreview::Show() {
    switch (initialState_) {
    case TWindowState::wsMaximized:
        showMaximized();
        break;
    case TWindowState::wsMinimized:
        showMinimized();
        break;
    case TWindowState::wsNormal:
        show();
        break;
    }
    BringToFront(*this);
    // Keys work at once: the page area has the focus, and the window sees every key first.
    ui_->QRPreview->setFocus(Qt::ActiveWindowFocusReason);
    UpdateInfo();
}

void TQRStandardPreview::UpdateInfo() {
    const TQRPrinter* pageStore = PageStore();
    const int count = pageStore != nullptr ? pageStore->PageCount() : 0;
    panels_[1]->setText(QStringLiteral("Page") + QLatin1Char(' ') +
                        QString::number(QRPreview().PageNumber()) + QLatin1Char(' ') + QStringLiteral("of") +
                        QLatin1Char(' ') + QString::number(count));
    panels_[2]->setText(title_);
}

void TQRStandardPreview::SetThumbRows(int rows) {
    ui_->ThumbGrid->setRowCount(std::max(rows, 0));
    for (int row = 0; row < ui_->ThumbGrid->rowCount(); ++row)
        ui_->ThumbGrid->setRowHeight(row, rowHeight_ > 0 ? rowHeight_ : ui_->ThumbGrid->rowHeight(row));
}

void TQRStandardPreview::ResizeThumb() {
    const TQRPrinter* pageStore = PageStore();
    labelHeight_ = ui_->ThumbGrid->fontMetrics().height();
    const int columnWidth = ui_->ThumbGrid->width() - 4;
    thumbWidth_ = columnWidth - 20;
    const double paperWidth = pageStore != nullptr ? pageStore->GetPaperWidth() : 2159;
    const double paperLength = pageStore != nullptr ? pageStore->GetPaperLength() : 2794;
    if (paperWidth > 0 && paperLength > 0) {
        const bool landscape =
            pageStore != nullptr && pageStore->Orientation() == TPrinterOrientation::poLandscape;
        const double shape = landscape ? paperWidth / paperLength : paperLength / paperWidth;
        rowHeight_ = std::max(1, RoundHalfEven(thumbWidth_ * shape - labelHeight_));
    }
    leftMargin_ = RoundHalfEven((columnWidth - thumbWidth_) / 2.0);
    ui_->ThumbGrid->setColumnWidth(0, std::max(columnWidth, 1));
    SetThumbRows(ui_->ThumbGrid->rowCount());
}

void TQRStandardPreview::ThumbGridDrawCell(QPainter& painter, int row, const QRect& cell) {
    TPainterCanvas canvas(painter, ScreenPixelsPerInch());
    const TRect area = TRect::FromQRect(cell);
    if (TQRPrinter* pageStore = PageStore()) {
        if (const std::unique_ptr<TMetafile> page = pageStore->GetPage(row + 1))
            PaintPageToCanvas(
                page.get(), canvas,
                TRect{area.Left + leftMargin_, area.Top + 10, area.Right - 30, area.Bottom - 10},
                TPageFrame::DrawFrame);
    }
    canvas.SetBrush(TBrush(FromQColor(palette().color(QPalette::Button)), TBrushStyle::bsClear));
    canvas.SetPen(TPen(clBlack, 1));
    canvas.SetBkMode(TBkMode::bkTransparent);
    canvas.TextOut(area.Left, area.Top, QString::number(row + 1));
}

void TQRStandardPreview::ThumbGridSelectCell(int row) {
    if (selectingRow_ || handlingSelection_ || row < 0) return;
    FlagScope handling(handlingSelection_);
    if (row + 1 != QRPreview().PageNumber()) QRPreview().SetPageNumber(row + 1);
    UpdateInfo();
}

void TQRStandardPreview::SelectPage(int n) {
    QRPreview().SetPageNumber(n);
    UpdateInfo();
    const TQRPrinter* pageStore = PageStore();
    if (pageStore != nullptr && n >= 1 && n <= pageStore->PageCount() && n <= ui_->ThumbGrid->rowCount()) {
        FlagScope selecting(selectingRow_);
        ui_->ThumbGrid->setCurrentCell(n - 1, 0);
    }
}

int TQRStandardPreview::LastPageNumber() const {
    const TQRPrinter* pageStore = PageStore();
    if (pageStore == nullptr) return 0;
    return pageStore->Status() == TQRPrinterStatus::mpFinished ? pageStore->PageCount()
                                                               : pageStore->PageCount() - 1;
}

void TQRStandardPreview::QRPreviewPageAvailable(int) {
    UpdateInfo();
    const TQRPrinter* pageStore = PageStore();
    if (pageStore == nullptr) return;
    SetThumbRows(pageStore->PageCount());
    ui_->ThumbGrid->viewport()->update();
    if (pageStore->Status() == TQRPrinterStatus::mpFinished) {
        ui_->PrintSetup->setEnabled(true);
        ui_->Print->setEnabled(true);
        ui_->SaveReport->setEnabled(true);
        ui_->LoadReport->setEnabled(true);
        SetThumbRows(pageStore->PageCount());
    } else {
        SetThumbRows(pageStore->PageCount() - 1);
    }
}

void TQRStandardPreview::QRPreviewProgressUpdate(int progress) {
    if (progress >= lastProgress_ + 5) {
        panels_[0]->setText(QString::number(progress) + QLatin1Char('%'));
        lastProgress_ = progress;
    }
    if (progress == 0 || progress == 100) panels_[0]->clear();
}

void TQRStandardPreview::ZoomToFitClick() {
    ProcessPendingMessages();
    QRPreview().ZoomToFit();
}

void TQRStandardPreview::ZoomToWidthClick() {
    ProcessPendingMessages();
    QRPreview().ZoomToWidth();
}

void TQRStandardPreview::ZoomTo100Click() {
    ProcessPendingMessages();
    QRPreview().SetZoom(100);
    QRPreview().UpdateZoom();
}

void TQRStandardPreview::FirstPageClick() {
    SelectPage(1);
}

void TQRStandardPreview::PrevPageClick() {
    SelectPage(QRPreview().PageNumber() - 1);
}

void TQRStandardPreview::NextPageClick() {
    SelectPage(QRPreview().PageNumber() + 1);
}

void TQRStandardPreview::LastPageClick() {
    SelectPage(LastPageNumber());
}

void TQRStandardPreview::GotoPageButtonClick() {
    const TQRPrinter* pageStore = PageStore();
    if (pageStore == nullptr) return;
    const int count = pageStore->PageCount();
    const QString answer =
        Dialogs().InputBox(QStringLiteral("Select a page from 1 to %1").arg(count),
                           QStringLiteral("Enter page number"), QString::number(QRPreview().PageNumber()));
    // Anything but a page of the report goes to the first page.
    const std::optional<int> page = ParseWholeInt(QStringView(answer).trimmed());
    SelectPage(page && *page >= 1 && *page <= count ? *page : 1);
}

void TQRStandardPreview::FindButtonClick() {
    TQRPrinter* pageStore = PageStore();
    if (pageStore == nullptr || pageStore->Status() == TQRPrinterStatus::mpBusy) return;
    const std::optional<TSearchRequest> request = TSearchDlg::Ask(this);
    if (!request) return;
    QListWidget& results = *ui_->SearchResultBox;
    results.setEnabled(true);
    ui_->SearchTextLabel->setText(request->Text);
    results.clear();
    for (int page = 1; page <= pageStore->PageCount(); ++page) {
        const std::unique_ptr<TMetafile> picture = pageStore->GetPage(page);
        if (picture && StrInMetafile(request->Text, *picture, request->MatchCase)) {
            auto* item =
                new QListWidgetItem(QStringLiteral("Page") + QLatin1Char(' ') + QString::number(page));
            item->setData(Qt::UserRole, page);
            results.addItem(item); // the list owns its items
        }
    }
    if (results.count() == 0) {
        results.addItem(QStringLiteral("No matching text"));
        results.setEnabled(false);
    }
    if (showSearch_) ui_->Tabs->setCurrentWidget(ui_->TabSearchResult);
}

void TQRStandardPreview::SearchResultBoxClick(int row) {
    const QListWidgetItem* item = ui_->SearchResultBox->item(row);
    bool valid = false;
    const int page = item != nullptr ? item->data(Qt::UserRole).toInt(&valid) : 0;
    SelectPage(valid && page >= 1 ? page : 1);
}

void TQRStandardPreview::PrintSetupClick() {
    TQRPrinter* pageStore = PageStore();
    if (pageStore == nullptr) return;
    Printer().Refresh();
    TQRPrinterOwner* report = pageStore->ParentReport();
    TQRPrintChoices choices;
    if (report != nullptr) {
        report->PrinterSetup();
        choices = report->UserPrintChoices();
    } else {
        TQRPrintDialog dialog;
        if (!dialog.Execute()) return;
        choices = dialog.Choices();
    }
    pageStore->SetPrinterIndex(choices.PrinterIndex);
    pageStore->SetBin(choices.OutputBin);
    pageStore->SetCollate(choices.Collate);
    pageStore->SetColorOption(choices.ColorOption);
    pageStore->SetPrintQuality(choices.PrintQuality);
    pageStore->SetCopies(choices.Copies);
    pageStore->SetDuplex(choices.Duplex);
    pageStore->SetCustomBinCode(choices.CustomBinCode);
    pageStore->SetUseCustomBinCode(choices.UseCustomBinCode);
    pageStore->SetFirstPage(choices.FirstPage);
    pageStore->SetLastPage(choices.LastPage);
    pageStore->SetExtendedDuplex(choices.ExtendedDuplex);
    pageStore->SetUseExtendedDuplex(choices.UseExtendedDuplex);
    if (report != nullptr && !pageStore->PrintMetafileFromPreview()) report->StorePrintChoices(choices);
}

void TQRStandardPreview::PrintClick() {
    TQRPrinter* pageStore = PageStore();
    if (pageStore == nullptr) return;
    if (!pageStore->PrintMetafileFromPreview() && pageStore->ParentReport() != nullptr)
        pageStore->ParentReport()->PrintReport();
    else
        pageStore->Print();
}

void TQRStandardPreview::SaveClick() {
    TQRPrinter* pageStore = PageStore();
    if (pageStore == nullptr) return;
    FileDialogOptions options;
    options.title = QStringLiteral("Save report");
    options.filter = QRExportFilterLibrary().GetSaveDialogFilter();
    options.defaultExtension = QStringLiteral("QRP");
    options.overwrite = FileDialogOptions::Overwrite::Prompt;
    const std::optional<SaveFileChoice> choice = Dialogs().SaveFile(options);
    if (!choice) return;
    if (choice->filterIndex <= 1) {
        pageStore->Save(choice->fileName);
        return;
    }
    if (const TQRExportFilterLibraryEntry* entry =
            QRExportFilterLibrary().EntryForDialogIndex(choice->filterIndex)) {
        const std::unique_ptr<TQRExportFilter> filter = entry->Create(choice->fileName);
        pageStore->ExportToFilter(*filter);
    }
}

void TQRStandardPreview::LoadClick() {
    TQRPrinter* pageStore = PageStore();
    if (pageStore == nullptr) return;
    FileDialogOptions options;
    options.title = QStringLiteral("Load report");
    options.filter = QStringLiteral("Tessaly file (*.QRP)|*.QRP");
    const std::optional<QString> file = Dialogs().OpenFile(options);
    if (!file) return;
    if (!FileExists(*file)) {
        Dialogs().MessageBox(QStringLiteral("File does not exist"), windowTitle(), MessageIcon::Information,
                             MessageButtons::Ok);
        return;
    }
    // A file that is not a saved report raises before anything changes: the window keeps its report.
    pageStore->Load(*file);
    title_ = *file;
    QRPreview().PageImage().SetPageNumber(1);
    QRPreview().SetPageNumber(1);
    orientation_ = pageStore->Orientation();
    if (TQRPrinterOwner* report = pageStore->ParentReport())
        report->SetPagePaper(pageStore->PaperSize(), pageStore->Orientation());
    QRPreview().UpdateZoom();
    ResizeThumb();
    QRPreviewPageAvailable(1);
    SelectPage(1);
    ui_->Print->setEnabled(true);
    ui_->SaveReport->setEnabled(false);
    ui_->SaveReport->setVisible(false);
}

void TQRStandardPreview::DisableSaving() {
    ui_->SaveReport->setEnabled(false);
}

void TQRStandardPreview::ExitClick() {
    close();
}

void TQRStandardPreview::ScrollLineUp() {
    QScrollBar& bar = *QRPreview().verticalScrollBar();
    const int position = bar.value() - bar.singleStep();
    if (position > 0) {
        bar.setValue(position);
        return;
    }
    // At the top of the first page there is nowhere to go but the top.
    if (QRPreview().PageNumber() <= 1) {
        bar.setValue(0);
        return;
    }
    FlagScope handling(handlingSelection_);
    SelectPage(QRPreview().PageNumber() - 1);
    bar.setValue(bar.maximum() - bar.singleStep());
}

void TQRStandardPreview::ScrollLineDown() {
    QScrollBar& bar = *QRPreview().verticalScrollBar();
    const int position = bar.value() + bar.singleStep();
    if (position < bar.maximum()) {
        bar.setValue(position);
        return;
    }
    FlagScope handling(handlingSelection_);
    SelectPage(QRPreview().PageNumber() + 1);
}

bool TQRStandardPreview::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrlOnly =
        (modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier)) ==
        Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Escape:
        close();
        return true;
    case Qt::Key_PageUp:
        ctrlOnly ? FirstPageClick() : PrevPageClick();
        return true;
    case Qt::Key_PageDown:
        ctrlOnly ? LastPageClick() : NextPageClick();
        return true;
    case Qt::Key_Home:
        FirstPageClick();
        return true;
    case Qt::Key_End:
        LastPageClick();
        return true;
    case Qt::Key_Up:
        ScrollLineUp();
        return true;
    case Qt::Key_Down:
        ScrollLineDown();
        return true;
    default:
        return false;
    }
}

bool TQRStandardPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Typing in a text field keeps its own keys.
        if (qobject_cast<QLineEdit*>(watched) == nullptr && FormKeyDown(key->key(), key->modifiers()))
            return true;
    } else if (event->type() == QEvent::Wheel) {
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && (widget == &QRPreview() || QRPreview().isAncestorOf(widget))) {
            const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
            if (delta != 0) FormKeyDown(delta > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TQRStandardPreview::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyDown(event->key(), event->modifiers())) QWidget::keyPressEvent(event);
}

void TQRStandardPreview::closeEvent(QCloseEvent* event) {
    if (TQRPrinter* pageStore = PageStore()) {
        // Closing while the report is still being made stops it: the page store's cancel request
        // ends the generation at its next record.
        if (pageStore->Status() == TQRPrinterStatus::mpBusy) pageStore->Cancel();
        // The report may free the page store while it hears of the close.
        pageStore->ClosePreview(this);
    }
    ProcessPendingMessages();
    event->accept();
}

void TQRStandardPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QRPreview().UpdateZoom();
}

TQRStandardPreview* ShowStandardPreview(TQRPrinter& pageStore, TPreviewModality modality) {
    auto* window = new TQRStandardPreview(nullptr, pageStore); // frees itself when closed
    if (modality == TPreviewModality::Modeless) {
        OpenAboveModalDialog(*window);
        window->Show();
        return window;
    }
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->setWindowModality(Qt::ApplicationModal);
    window->Show();
    loop.exec();
    return nullptr;
}

} // namespace quorvel
