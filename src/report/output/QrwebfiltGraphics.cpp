#include "report/output/Qrwebfilt.h"

#include "platform/Rounding.h"

#include "platform/Files.h"
#include "report/output/QrwebfiltJpeg.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace quorvel {

void TQRGHTMLDocumentFilter::Rule(int left, int top, int width, int penWidth, TColor color) {
    BandLine(
        QStringLiteral("<DIV style=\"position:absolute;left:%1px;top:%2px;height:%3px;\"><hr width=\"%4\" "
                       "size=\"%5\" color=\"%6\"></div>")
            .arg(left)
            .arg(top)
            .arg(penWidth)
            .arg(width)
            .arg(penWidth)
            .arg(HtmlColor(color)));
}

void TQRGHTMLDocumentFilter::Block(int left, int top, int width, int height, TColor color) {
    BandLine(QStringLiteral("<DIV style=\"position:absolute;left:%1px;top:%2px;height:%3px;width:%4px; "
                            "background-color: %5\"></div>")
                 .arg(left)
                 .arg(top)
                 .arg(height)
                 .arg(width)
                 .arg(HtmlColor(color)));
}

QString TQRGHTMLDocumentFilter::PictureName(const TExportGraphic& graphic) {
    QString name = graphic.Name;
    if (graphic.DataBound) name += QString::number(++pictureCounter_);
    name += QStringLiteral(".jpg");
    const QString dir = getPictureDir();
    if (dir.isEmpty()) return name;
    return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

void TQRGHTMLDocumentFilter::FlushBandLines() {
    for (const QString& line : bandLines_)
        Line(line);
    bandLines_.clear();
}

void TQRGHTMLDocumentFilter::AcceptGraphic(double xoff, double yoff, const TQRPrintable& graphicControl) {
    AcceptShape(xoff, yoff, ExportGraphicOf(graphicControl));
}

void TQRGHTMLDocumentFilter::AcceptBand(const TQRCustomBand& bandControl, double xoff, double yoff,
                                        double expanded) {
    (void)bandControl;
    (void)xoff;
    (void)yoff;
    (void)expanded;
    FlushBandLines();
}

void TQRGHTMLDocumentFilter::AcceptShape(double xoff, double yoff, const TExportGraphic& graphic) {
    bodyClosed_ = false;
    const int left = static_cast<int>(xoff);
    const int top = static_cast<int>(RoundHalfEvenValue(yoff)) + PageOffset();
    const int width = graphic.Width;
    const int height = graphic.Height;
    const int pen = std::max(1, graphic.Pen.Width()); // a pen of width 0 draws one pixel wide
    const TColor penColor = graphic.Pen.Color();
    switch (graphic.Kind) {
    case TExportGraphicKind::egHorizontalRule:
        Rule(left, top, width, pen, penColor);
        return;
    case TExportGraphicKind::egOther:
        return;
    case TExportGraphicKind::egImage: {
        if (graphic.Picture.isNull()) return;
        const QString path = PictureName(graphic);
        // Relative picture names sit beside the page that refers to them.
        const QString target =
            QDir::isAbsolutePath(path) ? path : QFileInfo(TargetFile()).absoluteDir().filePath(path);
        ReplaceFileAtomically(target, EncodeJpeg(graphic.Picture).toStdString(), LinkAtName::Replace);
        BandLine(
            QStringLiteral("<DIV style=\"position:absolute;left:%1px;top:%2px;\"><img src=\"%3\" width=%4 "
                           "height=%5></div>")
                .arg(left)
                .arg(top)
                .arg(path)
                .arg(width)
                .arg(height));
        return;
    }
    case TExportGraphicKind::egShape:
        break;
    }
    // Lines are blocks of their pen's width on the pixels the page picture draws them on: a
    // horizontal line in the middle of its box, a bottom edge one pen width above the box's bottom.
    // (A rule element would add its own margin and borders, two pixels wider than its width.)
    const bool outline = graphic.Pen.Style() != TPenStyle::psClear;
    switch (graphic.Shape) {
    case TExportShapeType::esHorLine:
        Block(left, top + height / 2 - pen / 2, width, pen, penColor);
        break;
    case TExportShapeType::esVertLine:
        Block((left + left + width) / 2, top, pen, height, penColor);
        break;
    case TExportShapeType::esTopAndBottom:
        Block(left, top, width, pen, penColor);
        Block(left, top + height - pen, width, pen, penColor);
        break;
    case TExportShapeType::esRightAndLeft:
        Block(left, top, pen, height, penColor);
        Block(left + width - pen, top, pen, height, penColor);
        break;
    case TExportShapeType::esRectangle:
        if (graphic.Brush.Style() == TBrushStyle::bsSolid) {
            Block(left, top, width, height, graphic.Brush.Color());
            break;
        }
        if (!outline) break;
        Block(left, top, pen, height, penColor);
        Block(left + width - pen, top, pen, height, penColor);
        Block(left, top - graphic.VertAdjust, width, pen, penColor);
        Block(left, top + height - pen, width, pen, penColor);
        break;
    default:
        break;
    }
}

} // namespace quorvel
