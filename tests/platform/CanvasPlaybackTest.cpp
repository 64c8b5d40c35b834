#include "CanvasTestPage.h"

#include "platform/CanvasPainter.h"

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

} // namespace
} // namespace quorvel
