#include "report/support/TestPages.h"

#include "platform/MetafileCanvas.h"

#include <map>
#include <mutex>

namespace quorvel::testing {

TMetafile RecordPage(int page) {
    TMetafile picture;
    picture.SetWidth(794);
    picture.SetHeight(1123);
    {
        TMetafileCanvas canvas(picture);
        canvas.SetFont(TFont(QStringLiteral("Arial"), 12, TFontStyle::fsBold));
        canvas.TextOut(40, 30, QStringLiteral("Página %1").arg(page));
        canvas.SetFont(TFont(QStringLiteral("Arial"), 9));
        for (int line = 0; line < 3 + page % 5; ++line)
            canvas.TextOut(40, 60 + 16 * line,
                           QStringLiteral("Item %1 — caneta azul, cx 50 un.").arg(line + 1));
        for (int frame = 0; frame < page % 7; ++frame)
            canvas.Rectangle(40 + 30 * frame, 200, 60 + 30 * frame, 220);
        canvas.Finish();
    }
    return picture;
}

QByteArray PageBody(int page) {
    static std::mutex lock;
    static std::map<int, QByteArray> bodies;
    std::lock_guard guard(lock);
    auto found = bodies.find(page);
    if (found == bodies.end()) found = bodies.emplace(page, RecordPage(page).SaveToBytes()).first;
    return found->second;
}

TMetafile RecordDensePage() {
    TMetafile picture;
    picture.SetWidth(794);
    picture.SetHeight(1123);
    {
        TMetafileCanvas canvas(picture);
        canvas.SetFont(TFont(QStringLiteral("Arial"), 8));
        for (int line = 0; line < 200; ++line)
            canvas.TextOut(30 + 380 * (line / 100), 20 + 10 * (line % 100),
                           QStringLiteral("%1  Caneta esferográfica azul  cx 50 un.  R$ %2,50")
                               .arg(line + 1, 3)
                               .arg(line * 3 + 1));
        for (int frame = 0; frame < 50; ++frame)
            canvas.Rectangle(30 + 15 * frame, 1040, 42 + 15 * frame, 1080);
        canvas.Finish();
    }
    return picture;
}

} // namespace quorvel::testing
