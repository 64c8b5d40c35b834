#include "report/output/QrprevGlyphs.h"

#include <QPainter>
#include <QPixmap>

namespace quorvel {

namespace {

// The glyph on a square of `size` pixels, drawn on a 16-unit grid.
QPixmap PrinterPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    const QPen outline(QColor(40, 40, 40), 1.0);
    // The blank sheet behind the body.
    painter.setPen(outline);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(4.5, 1.5, 7, 5));
    // The body, with a paper slot and a green ready light.
    painter.setBrush(QColor(110, 110, 120));
    painter.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 200, 80));
    painter.drawRect(QRectF(11.5, 7, 1.5, 1.5));
    // The printed sheet coming out at the front, with two lines of text.
    painter.setPen(outline);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(4.5, 9.5, 7, 5));
    painter.drawLine(QPointF(6, 11.5), QPointF(10, 11.5));
    painter.drawLine(QPointF(6, 13), QPointF(9, 13));
    return pixmap;
}

} // namespace

QIcon PrinterGlyph() {
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(PrinterPixmap(size));
    return icon;
}

} // namespace quorvel
