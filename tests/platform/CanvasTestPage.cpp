#include "CanvasTestPage.h"

#include "platform/MetafileCanvas.h"

#include <QPainter>

#include <cstdlib>

namespace quorvel::testing {

QImage SampleBitmap() {
    QImage image(8, 6, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                           x < 4 ? (y < 3 ? qRgb(255, 0, 0) : qRgb(0, 0, 255))
                                 : (y < 3 ? qRgb(0, 160, 0) : qRgb(250, 200, 0)));
    return image;
}

void DrawSamplePage(TCanvas& canvas) {
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.SetFont(TFont(QStringLiteral("Arial"), 14, TFontStyle::fsBold));
    canvas.TextOut(40, 30, QStringLiteral("Proposta de Preços — Pregão 12/2024"));
    canvas.SetFont(TFont(QStringLiteral("Arial"), 10));
    canvas.SetTextAlign(TA_RIGHT | TA_TOP);
    canvas.TextOut(750, 30, QStringLiteral("Página 1 de 3"));
    canvas.SetTextAlign(TA_CENTER | TA_TOP);
    canvas.TextOut(397, 60, QStringLiteral("Centralizado: ação, função, órgão"));
    canvas.SetTextAlign(TA_LEFT | TA_BASELINE);
    canvas.SetFont(TFont(QStringLiteral("Times New Roman"), 12, TFontStyle::fsItalic, clNavy));
    canvas.TextOut(40, 110, QStringLiteral("Times itálico na linha de base"));
    canvas.SetTextAlign(TA_LEFT | TA_TOP);
    canvas.SetFont(TFont(QStringLiteral("Courier New"), 9, TFontStyle::fsUnderline, clMaroon));
    canvas.TextOut(40, 130, QStringLiteral("Courier 0123456789"));
    canvas.SetFont(TFont(QStringLiteral("Tahoma"), 8));
    canvas.TextOut(40, 150, QStringLiteral("Tahoma 8 pt"));

    // Opaque text: the brush colour behind the glyphs.
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(clYellow);
    canvas.SetFont(TFont(QStringLiteral("Arial"), 10));
    canvas.TextOut(400, 130, QStringLiteral("Fundo amarelo"));
    // Clipped text: the rectangle is filled and the text cut at its right edge.
    canvas.Brush().SetColor(clSilver);
    canvas.TextRect({400, 160, 480, 180}, 402, 162, QStringLiteral("Texto longo demais para caber"));

    // A table of frames, fills and shapes.
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetWidth(1);
    canvas.Brush().SetColor(clWhite);
    canvas.Rectangle(40, 200, 380, 300);
    canvas.Brush().SetColor(RGBColor(200, 220, 255));
    canvas.FillRect({41, 201, 379, 230});
    canvas.Pen().SetWidth(3);
    canvas.Pen().SetColor(clRed);
    canvas.Brush().SetColor(clGreen);
    canvas.Ellipse(400, 200, 520, 280);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetColor(clBlue);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.RoundRect(540, 200, 700, 280, 30, 30);
    canvas.Pen().SetStyle(TPenStyle::psDash);
    canvas.MoveTo(40, 320);
    canvas.LineTo(700, 320);
    canvas.Pen().SetStyle(TPenStyle::psSolid);
    canvas.Pen().SetColor(clBlack);
    const QPoint zigzag[] = {{40, 350}, {100, 380}, {160, 350}, {220, 380}};
    canvas.Polyline(zigzag);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(clPurple);
    const QPoint triangle[] = {{300, 380}, {340, 340}, {380, 380}};
    canvas.Polygon(triangle);
    canvas.Brush().SetStyle(TBrushStyle::bsDiagCross);
    canvas.Brush().SetColor(clTeal);
    canvas.Rectangle(400, 340, 480, 400);

    canvas.StretchDraw({500, 340, 580, 400}, SampleBitmap());

    // Clipping inside a saved state; after the restore nothing is clipped.
    canvas.SaveState();
    canvas.IntersectClipRect({40, 420, 140, 440});
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(clRed);
    canvas.FillRect({20, 410, 200, 450});
    canvas.RestoreState();
    canvas.Brush().SetColor(clLime);
    canvas.FillRect({20, 460, 60, 480});
    canvas.IntersectClipRect({300, 420, 350, 480});
    canvas.FillRect({280, 410, 400, 500});
    canvas.ResetClip();
    canvas.FillRect({420, 460, 440, 480});

    // Item lines as the report prints them.
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.SetFont(TFont(QStringLiteral("Arial"), 8));
    for (int line = 0; line < 20; ++line) {
        const int y = 500 + line * 14;
        canvas.SetTextAlign(TA_LEFT | TA_TOP);
        canvas.TextOut(40, y,
                       QStringLiteral("%1  Caneta esferográfica azul, caixa com 50 unidades").arg(line + 1));
        canvas.SetTextAlign(TA_RIGHT | TA_TOP);
        canvas.TextOut(750, y, QStringLiteral("R$ %1,50").arg(line * 37 + 12));
    }
}

TMetafile RecordSamplePage() {
    TMetafile page;
    page.SetPixelsPerInch(96);
    page.SetWidth(kPageWidth);
    page.SetHeight(kPageHeight);
    {
        TMetafileCanvas canvas(page);
        DrawSamplePage(canvas);
    }
    return page;
}

QImage BlankPage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

int DifferingPixels(const QImage& a, const QImage& b, int tolerance) {
    if (a.size() != b.size()) return a.width() * a.height() + 1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(qRed(la[x]) - qRed(lb[x])) > tolerance ||
                std::abs(qGreen(la[x]) - qGreen(lb[x])) > tolerance ||
                std::abs(qBlue(la[x]) - qBlue(lb[x])) > tolerance)
                ++count;
        }
    }
    return count;
}

} // namespace quorvel::testing
