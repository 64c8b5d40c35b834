#include "CanvasTestPage.h"

#include "platform/CanvasPainter.h"
#include "platform/MetafileCanvas.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace quorvel::testing;

QImage PaintDirectly() {
    QImage image = BlankPage();
    QPainter painter(&image);
    TPainterCanvas canvas(painter, 96);
    DrawSamplePage(canvas);
    return image;
}

QImage Play(const TMetafile& page, const QRectF& target, QImage image = BlankPage()) {
    QPainter painter(&image);
    page.Play(painter, target);
    return image;
}

TEST(CanvasPlayback, RecordedPageMatchesDirectPainting) {
    const QImage direct = PaintDirectly();
    const QImage played = Play(RecordSamplePage(), QRectF(0, 0, kPageWidth, kPageHeight));
    EXPECT_LT(DifferingPixels(direct, played, 40), 20);
}

TEST(CanvasPlayback, LoadedCopyPlaysLikeTheRecording) {
    const TMetafile recorded = RecordSamplePage();
    TMetafile loaded;
    loaded.LoadFromBytes(recorded.SaveToBytes());
    const QRectF target(0, 0, kPageWidth, kPageHeight);
    EXPECT_EQ(DifferingPixels(Play(recorded, target), Play(loaded, target), 0), 0);
}

TEST(CanvasPlayback, PictureIsScaledIntoAnyRectangle) {
    TMetafile picture;
    picture.SetPixelsPerInch(96);
    picture.SetWidth(200);
    picture.SetHeight(100);
    {
        TMetafileCanvas canvas(picture);
        canvas.Brush().SetColor(clRed);
        canvas.FillRect({0, 0, 100, 50});
        canvas.Brush().SetColor(clBlue);
        canvas.FillRect({100, 50, 200, 100});
    }
    // Half size at (10, 20): red covers 10..59 × 20..44, blue 60..109 × 45..69.
    QImage image = BlankPage(150, 100);
    {
        QPainter painter(&image);
        picture.Play(painter, QRectF(10, 20, 100, 50));
    }
    EXPECT_EQ(image.pixel(10, 20), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(59, 44), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(60, 45), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(109, 69), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(9, 20), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(60, 44), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(110, 69), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(109, 70), qRgb(255, 255, 255));
}

TEST(CanvasPlayback, ClippingAndStateDoNotLeakOutOfAPlayedPicture) {
    TMetafile picture;
    picture.SetPixelsPerInch(96);
    picture.SetWidth(100);
    picture.SetHeight(100);
    {
        TMetafileCanvas canvas(picture);
        canvas.SaveState(); // left unmatched on purpose
        canvas.IntersectClipRect({0, 0, 10, 10});
        canvas.Brush().SetColor(clRed);
        canvas.FillRect({0, 0, 100, 100});
    }
    QImage image = BlankPage(100, 100);
    QPainter painter(&image);
    painter.setBrush(Qt::green);
    picture.Play(painter, QRectF(0, 0, 100, 100));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(50, 50), qRgb(255, 255, 255)); // clipped away
    EXPECT_FALSE(painter.hasClipping());
    EXPECT_EQ(painter.brush().color(), QColor(Qt::green));
    painter.fillRect(QRect(40, 40, 20, 20), Qt::black); // the painter draws everywhere again
    painter.end();
    EXPECT_EQ(image.pixel(50, 50), qRgb(0, 0, 0));
}

TEST(CanvasPlayback, PictureDrawnOnAPictureKeepsItsLook) {
    TMetafile inner;
    inner.SetPixelsPerInch(96);
    inner.SetWidth(40);
    inner.SetHeight(20);
    {
        TMetafileCanvas canvas(inner);
        canvas.Brush().SetColor(clBlue);
        canvas.FillRect({0, 0, 20, 20});
    }
    TMetafile outer;
    outer.SetPixelsPerInch(96);
    outer.SetWidth(200);
    outer.SetHeight(100);
    {
        TMetafileCanvas canvas(outer);
        canvas.StretchDraw({100, 50, 180, 90}, inner);
    }
    QImage image = BlankPage(200, 100);
    QPainter painter(&image);
    outer.Play(painter, QRectF(0, 0, 200, 100));
    painter.end();
    EXPECT_EQ(image.pixel(101, 51), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(139, 89), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(141, 60), qRgb(255, 255, 255));
}

} // namespace
} // namespace quorvel
