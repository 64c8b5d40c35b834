#pragma once

#include "report/pagestore/QrprntrPrinter.h"

#include <QWidget>

#include <array>
#include <memory>

class QLabel;

namespace Ui {
class TQRStandardPreview;
}

namespace quorvel {

class TQRPreview;

// The standard preview window around one TQRPreview: a tool bar (zoom, pages, go to page, search,
// printer setup, print, save, load, close), thumbnails and search results at the left, and a status
// bar with the progress, the page shown and the report's title. The window refers to the page
// store, never owns it, and frees itself when closed.
class TQRStandardPreview : public QWidget {
    Q_OBJECT
public:
    TQRStandardPreview(QWidget* owner, TQRPrinter& pageStore);
    ~TQRStandardPreview() override;

    // Shows the window and refreshes the status text.
    void Show();
    void SelectPage(int n);
    void UpdateInfo();
    void ResizeThumb();

    void ZoomToFitClick();
    void ZoomToWidthClick();
    void ZoomTo100Click();
    void FirstPageClick();
    void PrevPageClick();
    void NextPageClick();
    void LastPageClick();
    void GotoPageButtonClick();
    void FindButtonClick();
    void PrintSetupClick();
    void PrintClick();
    void SaveClick();
    void LoadClick();
    void ExitClick();
    // The pages shown are not the report's own (a saved file's): the window offers no saving.
    void DisableSaving();
    // Returns whether the key was one of the window's.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void QRPreviewPageAvailable(int pageNumber);
    void QRPreviewProgressUpdate(int progress);
    void ThumbGridSelectCell(int row);
    void SearchResultBoxClick(int row);

    Ui::TQRStandardPreview& Form() noexcept { return *ui_; }
    TQRPreview& QRPreview() noexcept;
    // The page store shown; none once it was freed.
    TQRPrinter* PageStore() const noexcept;
    // Text of a status bar panel: 0 progress, 1 page, 2 title.
    QString StatusText(int panel) const;
    int ThumbRowHeight() const noexcept { return rowHeight_; }

    // The title this window shows: its report's, or the name of the file it loaded last.
    const QString& PreviewTitle() const noexcept { return title_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Connect();
    void SetCaptionsAndHints();
    void ThumbGridDrawCell(QPainter& painter, int row, const QRect& cell);
    int LastPageNumber() const;
    void SetThumbRows(int rows);
    void ScrollLineUp();
    void ScrollLineDown();

    std::unique_ptr<Ui::TQRStandardPreview> ui_;
    std::array<QLabel*, 3> panels_{};
    QString title_;
    bool showThumbs_ = true;
    bool showSearch_ = true;
    TQRZoomState initialZoom_ = TQRZoomState::qrZoomToFit;
    TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
    TWindowState initialState_ = TWindowState::wsMaximized;
    int lastProgress_ = 0;
    int labelHeight_ = 0;
    int thumbWidth_ = 0;
    int rowHeight_ = 0;
    int leftMargin_ = 0;
    bool selectingRow_ = false;      // SelectPage moves the grid's selection
    bool handlingSelection_ = false; // a selection or an Up/Down key is turning the page
};

enum class TPreviewModality { Modeless, Modal };

// Opens the standard preview on a page store: shown and returned at once, or run modally until it
// closes (then none is returned, since the window has freed itself).
TQRStandardPreview* ShowStandardPreview(TQRPrinter& pageStore, TPreviewModality modality);

} // namespace quorvel
