// Pictures: fixed images and the pictures of blob fields.

#include "report/controls/Qrctrls.h"

#include "platform/Canvas.h"
#include "platform/Rounding.h"
#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptPaint.h"
#include "report/engine/QuickrptReport.h"
#include "report/pagestore/QrprntrFilter.h"
#include "store/StoreField.h"
#include "store/StoreTable.h"

#include <QPainter>

namespace quorvel {

TQRImage::TQRImage(TComponent* owner)
    : TQRPrintable(owner) {}

void TQRImage::SetPicture(const TPicture& picture) {
    picture_ = picture;
    if (autoSize_) FitToPicture();
}

void TQRImage::SetAutoSize(bool value) {
    autoSize_ = value;
    if (autoSize_) FitToPicture();
}

void TQRImage::FitToPicture() {
    if (!picture_.Empty() && !IsLoading()) SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

void TQRImage::Print(int ofsX, int ofsY) {
    PrintPicture(picture_, ofsX, ofsY);
}

void TQRImage::PrintPicture(const TPicture& picture, int ofsX, int ofsY) {
    TCustomQuickRep* report = ParentReport();
    TQRPrinter* store = QRPrinter();
    if (!report || !store) return;
    const TRect box = PageBox(*store, ofsX, ofsY);
    if (TQRExportFilter* filter = report->ExportFilter())
        filter->AcceptGraphic(box.Left, box.Top, ExportGraphic());
    if (report->DrawToCanvas() && store->HasCanvas() && !picture.Empty()) {
        TCanvas& canvas = store->Canvas();
        TRect target = box;
        if (!stretch_) {
            // The picture keeps its size on paper: its pixels at the screen's resolution.
            const double perPixel = 254.0 / ScreenPixelsPerInch();
            const int width = RoundHalfEven(picture.Width() * perPixel * store->XFactor());
            const int height = RoundHalfEven(picture.Height() * perPixel * store->YFactor());
            int x = box.Left;
            int y = box.Top;
            if (center_) {
                x += (box.Width() - width) / 2;
                y += (box.Height() - height) / 2;
            }
            target = {x, y, x + width, y + height};
            canvas.IntersectClipRect(box);
        }
        if (picture.GetKind() == TPicture::Kind::Bitmap)
            canvas.StretchDraw(target, picture.Bitmap());
        else if (const TMetafile* metafile = picture.Metafile())
            canvas.StretchDraw(target, *metafile);
        if (!stretch_) canvas.ResetClip();
    }
    const TColor background = Color();
    if (report->DrawToCanvas() || report->ExportMode())
        QRPaintFrame(Frame(), *report, box, Transparent() ? nullptr : &background);
}

TExportGraphic TQRImage::ExportGraphic() const {
    TExportGraphic graphic = TQRPrintable::ExportGraphic();
    graphic.Kind = TExportGraphicKind::egImage;
    graphic.Picture = ExportBitmap();
    return graphic;
}

QImage TQRImage::ExportBitmap() const {
    if (picture_.Empty()) return {};
    const QSize size = stretch_ ? QSize(Width(), Height()) : QSize(picture_.Width(), picture_.Height());
    if (size.width() <= 0 || size.height() <= 0) return {};
    if (picture_.GetKind() == TPicture::Kind::Bitmap) {
        const QImage& bitmap = picture_.Bitmap();
        return bitmap.size() == size ? bitmap
                                     : bitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QImage bitmap(size, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    if (const TMetafile* metafile = picture_.Metafile()) {
        QPainter painter(&bitmap);
        metafile->Play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return bitmap;
}

TQRDBImage::TQRDBImage(TComponent* owner)
    : TQRImage(owner) {
    SetCenter(true);
}

TQRDBImage::~TQRDBImage() = default;

void TQRDBImage::SetDataSet(TDataSetComponent* dataSet) {
    dataSet_ = dataSet;
    if (dataSet) FreeNotification(*dataSet);
}

void TQRDBImage::Notification(TComponent& component, TOperation operation) {
    TQRImage::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == dataSet_) dataSet_ = nullptr;
}

void TQRDBImage::UnPrepare() {
    TQRImage::UnPrepare();
    Picture().Clear();
}

TPicture TQRDBImage::FieldPicture() {
    TPicture picture;
    TStoreTable* table = dataSet_ ? dataSet_->Table() : nullptr;
    if (!table || !dataSet_->Active()) return picture;
    try {
        const TStoreField* field = table->FindField(dataField_);
        if (field && !field->IsNull()) {
            const std::string bytes = field->AsString();
            picture.LoadFromBytes(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        }
    } catch (const Exception&) {
        picture.Clear();
    }
    return picture;
}

void TQRDBImage::Print(int ofsX, int ofsY) {
    Picture() = FieldPicture();
    TQRImage::Print(ofsX, ofsY);
}

TExportGraphic TQRDBImage::ExportGraphic() const {
    TExportGraphic graphic = TQRPrintable::ExportGraphic();
    graphic.Kind = TExportGraphicKind::egImage;
    graphic.DataBound = true;
    if (!dataField_.isEmpty()) graphic.Picture = ExportBitmap();
    return graphic;
}

void TQRDBImage::GetExpandedHeight(double& height) {
    if (Stretch()) return;
    const TPicture picture = FieldPicture();
    if (picture.Height() > height) height = picture.Height();
}

void TQRDBImage::GetFieldString(QString& text) {
    text.clear();
    TStoreTable* table = dataSet_ ? dataSet_->Table() : nullptr;
    if (!table || !dataSet_->Active()) return;
    try {
        if (const TStoreField* field = table->FindField(dataField_)) text = field->AsQString();
    } catch (const Exception&) {
        text.clear();
    }
}

} // namespace quorvel
