#include "report/output/QrprevControl.h"

#include "platform/CanvasPainter.h"
#include "platform/Rounding.h"
#include "report/QrprntrMessages.h"
#include "report/QrprntrPaper.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <array>

namespace quorvel {

void PaintPageToCanvas(const TMetafile* picture, TCanvas& canvas, const TRect& rect, TPageFrame frame) {
    const bool framed = picture != nullptr || frame == TPageFrame::DrawFrame;
    const int left = rect.Left;
    const int top = rect.Top;
    const int width = rect.Width();
    const int height = rect.Height();
    if (framed) {
        canvas.SetBrush(TBrush(clWhite));
        canvas.SetPen(TPen(clWhite, 1));
        canvas.Rectangle(left + 1, top + 1, left + width - 3, top + height - 3);
    }
    // The rectangle is the page with room for its outline and drop shadow at the right and bottom;
    // the page keeps its own size inside it, so that at 100 % every line is where the page has it.
    if (picture != nullptr)
        canvas.StretchDraw(TRect{left, top, std::max(left, rect.Right - 4), std::max(top, rect.Bottom - 4)},
                           *picture);
    if (framed) {
        canvas.SetPen(TPen(clBlack, 1));
        const std::array<QPoint, 5> outline = {QPoint(left, top), QPoint(left, top + height - 3),
                                               QPoint(left + width - 3, top + height - 3),
                                               QPoint(left + width - 3, top), QPoint(left, top)};
        canvas.Polyline(outline);
        canvas.SetBrush(TBrush(clBlack));
        canvas.FillRect(TRect{left + width - 2, top + 2, rect.Right, rect.Bottom});
        canvas.FillRect(TRect{left + 2, top + height - 2, rect.Right, rect.Bottom});
    }
}

TQRPreviewImage::TQRPreviewImage(QWidget* parent)
    : QWidget(parent) {
    resize(100, 50);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TQRPreviewImage::~TQRPreviewImage() = default;

void TQRPreviewImage::SetPageNumber(int n) {
    picture_.reset();
    pageNumber_ = n;
    if (pageStore_ != nullptr) picture_ = pageStore_->GetPage(n);
    update();
}

void TQRPreviewImage::Forget() {
    pageStore_ = nullptr;
    picture_.reset();
    update();
}

void TQRPreviewImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TPainterCanvas canvas(painter, ScreenPixelsPerInch());
    PaintPageToCanvas(picture_.get(), canvas, TRect{0, 0, width(), height()}, TPageFrame::NoFrame);
}

TQRPreview::TQRPreview(QWidget* parent)
    : QScrollArea(parent)
    , sheet_(new QWidget)
    , image_(new TQRPreviewImage(sheet_)) {
    setWidgetResizable(false);
    setWidget(sheet_); // the scroll area owns the sheet, the sheet the image
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    resize(250, 250);
}

TQRPreview::~TQRPreview() {
    SetQRPrinter(nullptr);
}

void TQRPreview::ForgetPageStore() {
    pageStore_ = nullptr;
    image_->Forget();
}

void TQRPreview::SetQRPrinter(TQRPrinter* pageStore) {
    if (TQRPrinter* previous = pageStore_) {
        pageStore_ = nullptr;
        previous->OnDestroy = nullptr;
        if (previous->PreviewControl() == this) {
            previous->SetPreviewControl(nullptr);
            previous->SetShowingPreview(false);
        }
        previous->SetOutline(nullptr);
    }
    pageStore_ = pageStore;
    image_->SetQRPrinter(pageStore);
    if (pageStore_ == nullptr) {
        image_->Forget();
        return;
    }
    pageStore_->SetPreviewControl(this);
    pageStore_->SetShowingPreview(true);
    // A page store that goes while shown leaves an empty preview behind, never a dangling one.
    pageStore_->OnDestroy = [this](TQRPrinter&) { ForgetPageStore(); };
    pageNumber_ = 1;
    image_->SetPageNumber(1);
    if (outline_ != nullptr) pageStore_->SetOutline(outline_);
}

void TQRPreview::SetOutline(TQROutlineNodes* outline) {
    outline_ = outline;
    if (pageStore_ != nullptr) pageStore_->SetOutline(outline_);
}

void TQRPreview::SetPageNumber(int n) {
    if (n == pageNumber_ && image_->ImageOK()) return;
    if (n <= 0 || pageStore_ == nullptr || n > pageStore_->PageCount()) return;
    image_->SetPageNumber(n);
    pageNumber_ = n;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

double TQRPreview::PaperWidth() const {
    return pageStore_ != nullptr ? pageStore_->PaperWidthValue() : QRPaperTableWidth(TQRPaperSize::Letter);
}

double TQRPreview::PaperLength() const {
    return pageStore_ != nullptr ? pageStore_->PaperLengthValue() : QRPaperTableLength(TQRPaperSize::Letter);
}

int TQRPreview::PixelsX(double tenths) const {
    return pageStore_ != nullptr ? pageStore_->XSize(tenths)
                                 : RoundHalfEven(tenths * ScreenPixelsPerInch() / 254.0);
}

int TQRPreview::PixelsY(double tenths) const {
    return pageStore_ != nullptr ? pageStore_->YSize(tenths)
                                 : RoundHalfEven(tenths * ScreenPixelsPerInch() / 254.0);
}

void TQRPreview::SetZoom(int zoom) {
    if (zoom < kMinZoom || zoom > kMaxZoom) return;
    zoomMode_ = TQRZoomState::qrZoomOther;
    zoom_ = zoom;
    UpdateZoom();
}

void TQRPreview::ZoomToFit() {
    const int pageWidth = std::max(1, PixelsX(PaperWidth()));
    const int pageLength = std::max(1, PixelsY(PaperLength()));
    const int byWidth = RoundHalfEven(static_cast<double>(width()) / pageWidth * 95.0);
    const int byHeight = RoundHalfEven(static_cast<double>(height()) / pageLength * 95.0);
    SetZoom(std::min(byWidth, byHeight));
    UpdateZoom();
    zoomMode_ = TQRZoomState::qrZoomToFit;
}

void TQRPreview::ZoomToWidth() {
    const int pageWidth = std::max(1, PixelsX(PaperWidth()));
    SetZoom(RoundHalfEven(static_cast<double>(width()) / pageWidth * 90.0));
    UpdateZoom();
    zoomMode_ = TQRZoomState::qrZoomToWidth;
}

void TQRPreview::UpdateZoom() {
    const int imageWidth = PixelsX(PaperWidth() / 100.0 * zoom_) + 4;
    const int imageHeight = PixelsY(PaperLength() / 100.0 * zoom_) + 4;
    image_->SetZoom(zoom_);
    const int left = imageWidth < width() ? (width() - imageWidth) / 2 : 0;
    const int top = imageHeight < height() ? (height() - imageHeight) / 2 : 0;
    image_->setGeometry(left, top, imageWidth, imageHeight);
    sheet_->resize(std::max(viewport()->width(), left + imageWidth),
                   std::max(viewport()->height(), top + imageHeight));
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    image_->update();
}

void TQRPreview::UpdateImage() {
    if (pageStore_ == nullptr || image_->ImageOK() || pageStore_->AvailablePages() < image_->PageNumber())
        return;
    if (const TQRPrinterOwner* report = pageStore_->ParentReport();
        report != nullptr && report->PreviewSettings().InitialZoom == TQRZoomState::qrZoomToWidth)
        ZoomToWidth();
    image_->SetPageNumber(image_->PageNumber());
}

bool TQRPreview::event(QEvent* event) {
    if (event->type() == CM_QRPAGEAVAILABLE) {
        const int pages = static_cast<PageStoreMessage*>(event)->First();
        // Any later page also shows a page still missing: the message for the shown page itself can
        // be posted before this control was attached to a store that runs on another thread.
        if (pages >= pageNumber_) UpdateImage();
        emit OnPageAvailable(pages);
        return true;
    }
    if (event->type() == CM_QRPROGRESSUPDATE) {
        emit OnProgressUpdate(static_cast<PageStoreMessage*>(event)->First());
        return true;
    }
    return QScrollArea::event(event);
}

void TQRPreview::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (zoomMode_ == TQRZoomState::qrZoomToFit)
        ZoomToFit();
    else if (zoomMode_ == TQRZoomState::qrZoomToWidth)
        ZoomToWidth();
    UpdateZoom();
}

} // namespace quorvel
