#include "report/output/ExportReport.h"

#include "platform/Metafile.h"
#include "platform/Rounding.h"
#include "report/DataSetComponent.h"
#include "report/Qrctrls.h"
#include "report/QuickrptReport.h"

#include <QPainter>

namespace quorvel {

namespace {

// The page store that converts the positions the controls hand over: the one the running pass
// draws through, else the report's page store when the export began.
const TQRPrinter* ConvertingStore(const TQRExportFilter& filter) {
    if (const TCustomQuickRep* report = filter.Report())
        if (const TQRPrinter* store = report->PageStore()) return store;
    return filter.ReportQRPrinter();
}

TExportShapeType ShapeOf(TQRShapeType shape) {
    switch (shape) {
    case TQRShapeType::qrsRectangle:
        return TExportShapeType::esRectangle;
    case TQRShapeType::qrsCircle:
        return TExportShapeType::esCircle;
    case TQRShapeType::qrsVertLine:
        return TExportShapeType::esVertLine;
    case TQRShapeType::qrsHorLine:
        return TExportShapeType::esHorLine;
    case TQRShapeType::qrsTopAndBottom:
        return TExportShapeType::esTopAndBottom;
    case TQRShapeType::qrsRightAndLeft:
        return TExportShapeType::esRightAndLeft;
    case TQRShapeType::qrsRoundRect:
        return TExportShapeType::esRoundRect;
    }
    return TExportShapeType::esRectangle;
}

// The picture inside the control's box as the page picture shows it: stretched into the box, or at
// its size on paper (its pixels at the screen's resolution), centred with Center, clipped to the box.
QImage DrawPicture(const TQRImage& image, int width, int height, const TQRPrinter* store) {
    const TPicture& picture = image.Picture();
    if (picture.Empty() || width <= 0 || height <= 0) return {};
    QImage bitmap(width, height, QImage::Format_RGB32);
    bitmap.fill(ToQColor(image.Color()));
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRectF target(0, 0, width, height);
    if (!image.Stretch()) {
        const double perPixel = 254.0 / ScreenPixelsPerInch();
        const double xFactor = store ? store->XFactor() : 96 / 254.0;
        const double yFactor = store ? store->YFactor() : 96 / 254.0;
        const int w = RoundHalfEven(picture.Width() * perPixel * xFactor);
        const int h = RoundHalfEven(picture.Height() * perPixel * yFactor);
        int x = 0;
        int y = 0;
        if (image.Center()) {
            x = (width - w) / 2;
            y = (height - h) / 2;
        }
        target = QRectF(x, y, w, h);
        painter.setClipRect(QRect(0, 0, width, height));
    }
    if (picture.GetKind() == TPicture::Kind::Bitmap)
        painter.drawImage(target, picture.Bitmap());
    else if (const TMetafile* metafile = picture.Metafile())
        metafile->Play(painter, target);
    return bitmap;
}

} // namespace

TExportPageSetup ExportPageSetupOf(const TQRExportFilter& filter, int paperWidth, int paperLength) {
    TExportPageSetup setup;
    const TCustomQuickRep* report = filter.Report();
    if (!report) {
        setup.Width = paperWidth;
        setup.Length = paperLength;
        return setup;
    }
    const TQRPage& page = report->Page();
    setup.FromReport = true;
    setup.Width = page.NativeValue(TQRPage::iWidth);
    setup.Length = page.NativeValue(TQRPage::iLength);
    setup.TopMargin = page.NativeValue(TQRPage::iTopMargin);
    setup.BottomMargin = page.NativeValue(TQRPage::iBottomMargin);
    setup.LeftMargin = page.NativeValue(TQRPage::iLeftMargin);
    setup.RightMargin = page.NativeValue(TQRPage::iRightMargin);
    setup.Landscape = page.Orientation() == TPrinterOrientation::poLandscape;
    setup.PaperSizeCode = static_cast<int>(page.PaperSize());
    return setup;
}

int ExportPixelsPerInch(const TQRExportFilter& filter) {
    if (const TQRPrinter* printer = ConvertingStore(filter)) return RoundHalfEven(printer->XFactor() * 254);
    return 96;
}

int ExportXPos(const TQRExportFilter& filter, double x) {
    if (const TQRPrinter* printer = ConvertingStore(filter)) return printer->XPos(x);
    return RoundHalfEven(x * 96 / 254.0);
}

int ExportYPos(const TQRExportFilter& filter, double y) {
    if (const TQRPrinter* printer = ConvertingStore(filter)) return printer->YPos(y);
    return RoundHalfEven(y * 96 / 254.0);
}

bool ExportDataSetAtEnd(const TQRExportFilter& filter) {
    const auto* report = dynamic_cast<const TQuickRep*>(filter.Report());
    if (!report || !report->DataSet()) return false;
    return report->DataSet()->Active() && report->DataSet()->Eof();
}

TExportGraphic ExportGraphicOf(const TQRPrintable& control) {
    TExportGraphic graphic;
    graphic.Name = control.Name();
    // Controls of a running pass give their size on the page; the shapes made for backgrounds and
    // frames are already sized in page pixels.
    const TQRPrinter* store = control.QRPrinter();
    if (store && control.ParentReport()) {
        graphic.Width = store->XSize(control.Size().NativeValue(TQRPrintableSize::iWidth));
        graphic.Height = store->YSize(control.Size().NativeValue(TQRPrintableSize::iHeight));
    } else {
        graphic.Width = control.Width();
        graphic.Height = control.Height();
    }
    if (const auto* shape = dynamic_cast<const TQRShape*>(&control)) {
        graphic.Kind = TExportGraphicKind::egShape;
        graphic.Shape = ShapeOf(shape->Shape());
        graphic.Pen = shape->Pen();
        graphic.Brush = shape->Brush();
        graphic.VertAdjust = shape->VertAdjust();
        return graphic;
    }
    if (const auto* image = dynamic_cast<const TQRImage*>(&control)) {
        graphic.Kind = TExportGraphicKind::egImage;
        graphic.DataBound = dynamic_cast<const TQRDBImage*>(&control) != nullptr;
        graphic.Picture = DrawPicture(*image, graphic.Width, graphic.Height, store);
        return graphic;
    }
    graphic.Kind = TExportGraphicKind::egOther;
    return graphic;
}

std::optional<TPlacedGraphic> ExportBandBackground(const TQRCustomBand& band, double expanded) {
    const TCustomQuickRep* report = band.ParentReport();
    const TQRPrinter* store = report ? report->PageStore() : nullptr;
    if (!store || band.TransparentBand() || band.Height() == 0 || !band.Enabled()) return std::nullopt;
    // The band's place on the page it finished on; it is filled to its own height, or to the height
    // its controls need when that is worked out before printing.
    const TRect& rect = band.PrintedRect();
    double height = band.Size().NativeValue(TQRBandSize::iHeight);
    if (band.PreCaluculateBandHeight()) height += expanded;
    TPlacedGraphic placed;
    placed.X = rect.Left;
    placed.Y = rect.Top;
    placed.Graphic.Name = band.Name();
    placed.Graphic.Width = rect.Right - rect.Left;
    placed.Graphic.Height = store->YSize(height);
    placed.Graphic.Brush = TBrush(band.Color(), TBrushStyle::bsSolid);
    placed.Graphic.Pen = TPen(band.Color(), 1, TPenStyle::psClear);
    return placed;
}

void ExportBandFrame(const TQRCustomBand& band) {
    TCustomQuickRep* report = band.ParentReport();
    if (!report || band.Height() == 0 || !band.Frame().AnyFrame()) return;
    QRPaintFrame(band.Frame(), *report, band.PrintedRect());
}

} // namespace quorvel
