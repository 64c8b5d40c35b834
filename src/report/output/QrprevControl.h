#pragma once

#include "platform/CanvasTypes.h"
#include "platform/Metafile.h"
#include "report/QrprntrPrinter.h"

#include <QScrollArea>
#include <QWidget>

#include <memory>

namespace quorvel {

class TCanvas;
class TQROutlineNodes;

enum class TPageFrame { NoFrame, DrawFrame };

// Paints a page into rect: a white sheet, the picture stretched over the rectangle less the 4 pixels
// at the right and bottom that a preview adds for the frame, a black outline and a 2-pixel drop
// shadow at the right and bottom. Without a picture only the frame is
// painted, and only when asked for.
void PaintPageToCanvas(const TMetafile* picture, TCanvas& canvas, const TRect& rect, TPageFrame frame);

// The page shown by a preview: holds a fresh copy of one page picture of the page store and paints
// it with its frame (PaintPageToCanvas) over its whole size.
class TQRPreviewImage : public QWidget {
    Q_OBJECT
public:
    explicit TQRPreviewImage(QWidget* parent = nullptr);
    ~TQRPreviewImage() override;

    TQRPrinter* QRPrinter() const noexcept { return pageStore_; }
    void SetQRPrinter(TQRPrinter* pageStore) noexcept { pageStore_ = pageStore; }
    int PageNumber() const noexcept { return pageNumber_; }
    // Drops the held picture and fetches page n anew (none without a page store or such a page).
    void SetPageNumber(int n);
    int Zoom() const noexcept { return zoom_; }
    void SetZoom(int zoom) noexcept { zoom_ = zoom; }
    bool ImageOK() const noexcept { return picture_ != nullptr; }
    const TMetafile* Picture() const noexcept { return picture_.get(); }
    void Forget();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TQRPrinter* pageStore_ = nullptr;
    int pageNumber_ = 1;
    int zoom_ = 100;
    std::unique_ptr<TMetafile> picture_;
};

// A scrolling control that shows one page of a page store at a zoom. It becomes the page store's
// preview control: the page store's progress and pages-available messages arrive here and are
// passed on as OnProgressUpdate and OnPageAvailable.
class TQRPreview : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kMinZoom = 2;
    static constexpr int kMaxZoom = 2000;

    explicit TQRPreview(QWidget* parent = nullptr);
    ~TQRPreview() override;

    TQRPrinter* QRPrinter() const noexcept { return pageStore_; }
    // Detaches from the previous page store (which stops showing a preview) and shows page 1 of the
    // new one.
    void SetQRPrinter(TQRPrinter* pageStore);
    TQRPreviewImage& PageImage() noexcept { return *image_; }

    int PageNumber() const noexcept { return pageNumber_; }
    // Ignored for the page shown, for n ≤ 0, without a page store and past PageCount.
    void SetPageNumber(int n);

    int Zoom() const noexcept { return zoom_; }
    // Ignored outside 2 to 2000.
    void SetZoom(int zoom);
    TQRZoomState ZoomMode() const noexcept { return zoomMode_; }
    void ZoomToFit();
    void ZoomToWidth();
    // Sizes and places the page image for the zoom.
    void UpdateZoom();
    // Shows the page once it is available (how the first page appears while the report runs).
    void UpdateImage();

    TQROutlineNodes* Outline() const noexcept { return outline_; }
    void SetOutline(TQROutlineNodes* outline);

signals:
    void OnPageAvailable(int pageNumber);
    void OnProgressUpdate(int progress);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The page's size in tenths of a millimetre and in pixels per tenth at 100 %; the first paper
    // of the table when there is no page store.
    double PaperWidth() const;
    double PaperLength() const;
    int PixelsX(double tenths) const;
    int PixelsY(double tenths) const;
    void ForgetPageStore();

    TQRPrinter* pageStore_ = nullptr;
    QWidget* sheet_;         // the scrolled area, at least as large as the view
    TQRPreviewImage* image_; // child of sheet_
    int pageNumber_ = 1;
    int zoom_ = 100;
    TQRZoomState zoomMode_ = TQRZoomState::qrZoomOther;
    TQROutlineNodes* outline_ = nullptr;
};

} // namespace quorvel
