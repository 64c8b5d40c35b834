#include "report/export/WmfReading.h"

#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "report/export/QrexportWmfConvert.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace testing;

TMetafile Page(const QString& name) {
    TMetafile page;
    page.LoadFromFile(QStringLiteral(QUORVEL_TEST_DATA "/wmf_export/") + name);
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

} // namespace
} // namespace quorvel
