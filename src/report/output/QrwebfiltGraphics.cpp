#include "report/output/Qrwebfilt.h"

#include "platform/Rounding.h"

#include "platform/Files.h"
#include "report/output/QrwebfiltJpeg.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace quorvel {

namespace {

QString HtmlColor(TColor color) {
    return QStringLiteral("#%1%2%3")
        .arg(color & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(color >> 8 & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(color >> 16 & 0xFF, 2, 16, QLatin1Char('0'));
}

} // namespace

void TQRGHTMLDocumentFilter::Rule(int left, int top, int width, int penWidth, TColor color) {
    Line(QStringLiteral("<DIV style=\"position:absolute;left:%1px;top:%2px;height:%3px;\"><hr width=\"%4\" "
                        "size=\"%5\" color=\"%6\"></div>")
             .arg(left)
             .arg(top)
             .arg(penWidth)
             .arg(width)
             .arg(penWidth)
             .arg(HtmlColor(color)));
}

void TQRGHTMLDocumentFilter::Block(int left, int top, int width, int height, TColor color) {
    Line(QStringLiteral("<DIV style=\"position:absolute;left:%1px;top:%2px;height:%3px;width:%4px; "
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

void TQRGHTMLDocumentFilter::AcceptShape(double xoff, double yoff, const TExportGraphic& graphic) {
    bodyClosed_ = false;
    const int left = static_cast<int>(xoff);
    const int top = static_cast<int>(RoundHalfEvenValue(yoff)) + PageOffset();
    const int width = graphic.Width;
    const int height = graphic.Height;
    const int pen = graphic.Pen.Width();
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
        ReplaceFileAtomically(target, EncodeJpeg(graphic.Picture).toStdString());
        Line(QStringLiteral("<DIV style=\"position:absolute;left:%1px;top:%2px;\"><img src=\"%3\" width=%4 "
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
    switch (graphic.Shape) {
    case TExportShapeType::esHorLine:
        Rule(left, top - 8, width, pen, penColor);
        break;
    case TExportShapeType::esVertLine:
        Block((left + left + width) / 2, top, pen, height, penColor);
        break;
    case TExportShapeType::esRectangle:
        if (graphic.Brush.Style() == TBrushStyle::bsSolid) {
            Block(left, top, width, height, graphic.Brush.Color());
            break;
        }
        Block(left, top, pen, height, penColor);
        Block(left + width - pen, top, pen, height, penColor);
        Rule(left, top - graphic.VertAdjust - 8, width, pen, penColor);
        Rule(left, top + height - 8, width, pen, penColor);
        break;
    default:
        break;
    }
}

} // namespace quorvel
