#include "CanvasTestPage.h"

#include "platform/MetafileCanvas.h"
#include "platform/MetafileEnumerator.h"
#include "platform/MetafileFormat.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace quorvel::testing;

TEST(MetafileEnumerator, FindsEveryTextWithItsPositionInDrawingOrder) {
    TMetafile page;
    page.LoadFromBytes(RecordSamplePage().SaveToBytes()); // as the preview gets it from the page list
    const std::vector<TMetafileText> texts = MetafileTexts(page);
    ASSERT_EQ(texts.size(), 8u + 40u);

    EXPECT_EQ(texts[0].Text, QStringLiteral("Proposta de Preços — Pregão 12/2024"));
    EXPECT_EQ(texts[0].Reference, QPoint(40, 30));
    EXPECT_EQ(texts[0].Align, TA_LEFT | TA_TOP);
    EXPECT_EQ(texts[0].FontName, QStringLiteral("Arial"));
    EXPECT_EQ(texts[0].FontHeight, -19); // 14 pt at 96 ppi
    EXPECT_EQ(texts[1].Text, QStringLiteral("Página 1 de 3"));
    EXPECT_EQ(texts[1].Reference, QPoint(750, 30));
    EXPECT_EQ(texts[1].Align, TA_RIGHT | TA_TOP);
    EXPECT_EQ(texts[2].Align, TA_CENTER | TA_TOP);
    EXPECT_EQ(texts[3].Reference, QPoint(40, 110));
    EXPECT_EQ(texts[3].Align, TA_LEFT | TA_BASELINE);
    EXPECT_EQ(texts[3].FontName, QStringLiteral("Times New Roman"));
    EXPECT_EQ(texts[5].FontName, QStringLiteral("Tahoma"));

    const TMetafileText& clipped = texts[7];
    EXPECT_EQ(clipped.Text, QStringLiteral("Texto longo demais para caber"));
    EXPECT_EQ(clipped.Options, emf::ETO_CLIPPED | emf::ETO_OPAQUE);
    EXPECT_EQ(clipped.Rect, (TRect{400, 160, 480, 180}));

    for (int line = 0; line < 20; ++line) {
        const TMetafileText& item = texts[8 + 2 * std::size_t(line)];
        const TMetafileText& price = texts[9 + 2 * std::size_t(line)];
        EXPECT_TRUE(item.Text.startsWith(QString::number(line + 1) + QStringLiteral("  Caneta")));
        EXPECT_EQ(item.Reference, QPoint(40, 500 + line * 14));
        EXPECT_EQ(price.Text, QStringLiteral("R$ %1,50").arg(line * 37 + 12));
        EXPECT_EQ(price.Reference, QPoint(750, 500 + line * 14));
        EXPECT_EQ(price.Align, TA_RIGHT | TA_TOP);
    }
}

TEST(MetafileEnumerator, StopsWhenTheVisitorSaysSoAndFollowsSavedStates) {
    TMetafile picture;
    picture.SetWidth(100);
    picture.SetHeight(100);
    {
        TMetafileCanvas canvas(picture);
        canvas.SetTextAlign(TA_RIGHT | TA_BOTTOM);
        canvas.TextOut(90, 10, QStringLiteral("first"));
        canvas.SaveState();
        canvas.SetTextAlign(TA_CENTER | TA_TOP);
        canvas.TextOut(50, 30, QStringLiteral("second"));
        canvas.RestoreState();
        canvas.TextOut(90, 50, QStringLiteral("third"));
        canvas.TextOut(90, 70, QStringLiteral("fourth"));
    }
    std::vector<QString> seen;
    EnumerateMetafileText(picture, [&seen](const TMetafileText& text) {
        seen.push_back(text.Text);
        return text.Text != QStringLiteral("third");
    });
    EXPECT_EQ(seen, (std::vector<QString>{QStringLiteral("first"), QStringLiteral("second"),
                                          QStringLiteral("third")}));
    // The restored state brings the alignment of the first text back for the third.
    const std::vector<TMetafileText> texts = MetafileTexts(picture);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1].Align, TA_CENTER | TA_TOP);
    EXPECT_EQ(texts[2].Align, TA_RIGHT | TA_BOTTOM);
    EXPECT_TRUE(MetafileTexts(TMetafile()).empty());
}

TEST(MetafileEnumerator, ReadsSingleByteTextRecordsOfOtherWriters) {
    // Header, one single-byte text record "Preço" (code page 1252) and end-of-file.
    TMetafile blank;
    blank.SetWidth(10);
    blank.SetHeight(10);
    QByteArray bytes = blank.SaveToBytes();
    QByteArray text(76 + 8 + 20, '\0');
    auto put = [&text](int at, std::uint32_t v) { qToLittleEndian(v, text.data() + at); };
    put(0, emf::EMR_EXTTEXTOUTA);
    put(4, std::uint32_t(text.size()));
    put(36, 7);
    put(40, 9);
    put(44, 5);
    put(48, 76);
    put(64, std::uint32_t(-1));
    put(68, std::uint32_t(-1));
    put(72, 84);
    text.replace(76, 5, QByteArray("Pre\xE7o"));
    bytes.insert(108, text);
    qToLittleEndian(std::uint32_t(bytes.size()), bytes.data() + 48);
    qToLittleEndian(std::uint32_t(3), bytes.data() + 52);
    TMetafile picture;
    picture.LoadFromBytes(bytes);
    const std::vector<TMetafileText> texts = MetafileTexts(picture);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, QStringLiteral("Preço"));
    EXPECT_EQ(texts[0].Reference, QPoint(7, 9));
    EXPECT_FALSE(texts[0].Wide);
}

} // namespace
} // namespace quorvel
