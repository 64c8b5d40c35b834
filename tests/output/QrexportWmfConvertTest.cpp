#include "ExternalReaders.h"
#include "WmfReading.h"

#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "report/output/QrexportWmfConvert.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>


namespace quorvel {
namespace {

using namespace testing;

const QString kData = QStringLiteral(QUORVEL_TEST_DATA "/wmf_export/");

TMetafile Page(const QString& name) {
    TMetafile page;
    page.LoadFromFile(kData + name);
    return page;
}

TEST(WmfConversion, PageBecomesAPlaceableMetafileWithEveryTextInTheCodePage) {
    const TMetafile page = Page(QStringLiteral("report_page.emf"));
    const QByteArray wmf = ConvertToPlaceableWmf(page);
    const WmfReading reading = ReadWmf(wmf);

    EXPECT_EQ(reading.BoundingBox, (std::vector<std::int16_t>{0, 0, 794, 1123}));
    EXPECT_EQ(reading.Inch, 96);
    EXPECT_NE(std::find(reading.FontFaces.begin(), reading.FontFaces.end(), QStringLiteral("Arial")),
              reading.FontFaces.end());
    EXPECT_NE(
        std::find(reading.FontFaces.begin(), reading.FontFaces.end(), QStringLiteral("Times New Roman")),
        reading.FontFaces.end());

    // Same texts at the same reference points, in drawing order; accents survive as code-page bytes.
    const std::vector<TMetafileText> expected = MetafileTexts(page);
    ASSERT_EQ(reading.Texts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(reading.Texts[i].Text, expected[i].Text);
        EXPECT_EQ(reading.Texts[i].Reference, expected[i].Reference);
    }
    EXPECT_EQ(reading.Texts.front().Text, QStringLiteral("Proposta de Preços — Pregão 12/2024"));
    EXPECT_TRUE(wmf.contains(QByteArray("Pre\xE7os \x97 Preg\xE3o")));

    // A picture with nothing drawn is still a file a reader opens.
    TMetafile empty;
    const WmfReading nothing = ReadWmf(ConvertToPlaceableWmf(empty));
    EXPECT_TRUE(nothing.Texts.empty());
}

// The office suite draws the converted page as our own playback draws the page picture, and the
// comparison notices a page that differs by one missing and one moved text.
TEST(WmfConversion, OfficeSuiteDrawsTheConvertedPageLikeThePagePicture) {
    QTemporaryDir dir;
    const TMetafile page = Page(QStringLiteral("report_page.emf"));
    const QString wmfName = dir.filePath(QStringLiteral("report_page.wmf"));
    {
        QFile file(wmfName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ConvertToPlaceableWmf(page));
    }
    const OfficeConversion converted = ConvertWithOffice({wmfName}, QStringLiteral("png"), dir.path());
    ASSERT_EQ(converted.Error, QString());
    const QImage drawn = OnWhite(QImage(converted.Files.front()));
    ASSERT_FALSE(drawn.isNull());

    const auto mismatches = InkMismatches(PlayAsOfficePage(page, drawn.size()), drawn);
    for (const auto& m : mismatches)
        ADD_FAILURE() << "tile " << m.Tile.x() << "," << m.Tile.y() << " differs, share " << m.Share;

    const TMetafile altered = Page(QStringLiteral("report_page_altered.emf"));
    EXPECT_GE(InkMismatches(PlayAsOfficePage(altered, drawn.size()), drawn).size(), 4u);
}

} // namespace
} // namespace quorvel
