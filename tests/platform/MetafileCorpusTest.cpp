#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// The fuzz target's seed pictures and every input the fuzzer ever found faulty ("regression-*"):
// each is read or rejected cleanly, and what is read plays and enumerates without a fault.
TEST(MetafileCorpus, EveryCorpusPictureIsReadOrRejectedAndPlays) {
    const QDir corpus(QDir::cleanPath(QStringLiteral(QUORVEL_TEST_DATA "/../fuzz/corpus/metafile")));
    const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 6);
    int regressions = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        TMetafile picture;
        try {
            picture.LoadFromFile(corpus.filePath(name));
        } catch (const EMetafileError&) {
            EXPECT_TRUE(name.startsWith(QStringLiteral("regression-"))) << "a seed picture was rejected";
            continue;
        }
        if (name.startsWith(QStringLiteral("regression-"))) ++regressions;
        QImage image(48, 64, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        picture.Play(painter, QRectF(0, 0, 48, 64));
        picture.Play(painter, QRectF(8, 8, 400, 30));
        painter.end();
        for (const TMetafileText& text : MetafileTexts(picture))
            EXPECT_LE(text.Text.size(), 1 << 20);
    }
    EXPECT_GE(regressions, 1);
}

} // namespace
} // namespace quorvel
