#include "platform/Metafile.h"
#include "platform/MetafileCanvas.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <numeric>

namespace quorvel {
namespace {

using namespace emf;

std::uint32_t U32At(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<std::uint32_t>(bytes.constData() + at);
}
std::int32_t I32At(const QByteArray& bytes, qsizetype at) {
    return std::int32_t(U32At(bytes, at));
}

TMetafile Picture(int width = 200, int height = 100) {
    TMetafile picture;
    picture.SetPixelsPerInch(96);
    picture.SetWidth(width);
    picture.SetHeight(height);
    return picture;
}

std::vector<std::uint32_t> Types(const TMetafile& picture) {
    std::vector<std::uint32_t> types;
    for (const Record& r : picture.Content().records)
        types.push_back(r.type);
    return types;
}

const Record& FirstOf(const TMetafile& picture, std::uint32_t type) {
    for (const Record& r : picture.Content().records)
        if (r.type == type) return r;
    throw std::runtime_error("record type not found");
}

TEST(MetafileRecord, TextRecordCarriesFontReferenceAndAdvances) {
    TMetafile picture = Picture();
    std::vector<std::int32_t> advances;
    int width = 0;
    {
        TMetafileCanvas canvas(picture);
        canvas.SetFont(TFont(QStringLiteral("Arial"), 10, TFontStyle::fsBold, clRed));
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        canvas.TextOut(10, 20, QStringLiteral("Olá"));
        advances = canvas.CharacterAdvances(QStringLiteral("Olá"));
        width = canvas.TextWidth(QStringLiteral("Olá"));
    }
    EXPECT_EQ(std::accumulate(advances.begin(), advances.end(), 0), width);
    EXPECT_EQ(Types(picture),
              (std::vector<std::uint32_t>{EMR_EXTCREATEFONTINDIRECTW, EMR_SELECTOBJECT, EMR_SETTEXTCOLOR,
                                          EMR_SETTEXTALIGN, EMR_SETBKMODE, EMR_EXTTEXTOUTW, EMR_SELECTOBJECT,
                                          EMR_DELETEOBJECT}));

    const QByteArray bytes = picture.SaveToBytes();
    // The font record: long logical-font form with the requested face name and the em height.
    const qsizetype font = FirstOf(picture, EMR_EXTCREATEFONTINDIRECTW).offset;
    EXPECT_EQ(U32At(bytes, font + 4), 368u);
    EXPECT_EQ(U32At(bytes, font + 8), 1u);   // object index
    EXPECT_EQ(I32At(bytes, font + 12), -13); // 10 pt at 96 ppi
    EXPECT_EQ(I32At(bytes, font + 28), 700); // bold
    EXPECT_EQ(bytes.mid(font + 40, 12), QByteArray("A\0r\0i\0a\0l\0\0\0", 12));
    EXPECT_EQ(U32At(bytes, font + 360), 0x08007664u);
    EXPECT_EQ(U32At(bytes, font + 364), 0u);

    const qsizetype text = FirstOf(picture, EMR_EXTTEXTOUTW).offset;
    EXPECT_EQ(U32At(bytes, text + 4), 76u + 8 + 12); // string padded to 8 bytes, 3 advances
    EXPECT_EQ(I32At(bytes, text + 36), 10);
    EXPECT_EQ(I32At(bytes, text + 40), 20);
    EXPECT_EQ(U32At(bytes, text + 44), 3u);
    EXPECT_EQ(U32At(bytes, text + 48), 76u);
    EXPECT_EQ(U32At(bytes, text + 52), 0u);  // no options for a plain text
    EXPECT_EQ(I32At(bytes, text + 64), -1);  // unused rectangle is the empty one
    EXPECT_EQ(U32At(bytes, text + 72), 84u); // advances after the padded string
    EXPECT_EQ(bytes.mid(text + 76, 6), QByteArray("O\0l\0\xE1\0", 6));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(I32At(bytes, text + 84 + 4 * i), advances[std::size_t(i)]);

    // Read back: the text and one advance per character; with advance pairs only the horizontal
    // half of each pair, and the pairs must fit in the record.
    const auto& read = std::get<TextRecord>(FirstOf(picture, EMR_EXTTEXTOUTW).data);
    EXPECT_EQ(read.text, QStringLiteral("Olá"));
    EXPECT_EQ(read.dx, advances);
    TMetafile four = Picture();
    std::vector<std::int32_t> fourAdvances;
    {
        TMetafileCanvas canvas(four);
        canvas.SetFont(TFont(QStringLiteral("Arial"), 10));
        canvas.TextOut(10, 20, QStringLiteral("Wide"));
        fourAdvances = canvas.CharacterAdvances(QStringLiteral("Wide"));
    }
    QByteArray paired = four.SaveToBytes();
    const qsizetype pairedText = FirstOf(four, EMR_EXTTEXTOUTW).offset;
    qToLittleEndian<std::uint32_t>(2, paired.data() + pairedText +
                                          44); // two characters, their pairs in 16 bytes
    qToLittleEndian<std::uint32_t>(ETO_PDY, paired.data() + pairedText + 52);
    TMetafile pairs;
    pairs.LoadFromBytes(paired);
    const auto& pair = std::get<TextRecord>(FirstOf(pairs, EMR_EXTTEXTOUTW).data);
    EXPECT_EQ(pair.text, QStringLiteral("Wi"));
    EXPECT_EQ(pair.dx, (std::vector<std::int32_t>{fourAdvances[0], fourAdvances[2]}));
    qToLittleEndian<std::uint32_t>(3, paired.data() + pairedText + 44); // three pairs need 24 bytes
    EXPECT_THROW(pairs.LoadFromBytes(paired), EMetafileError);

    const auto& color = std::get<ValueRecord>(FirstOf(picture, EMR_SETTEXTCOLOR).data);
    EXPECT_EQ(color.value, 0x0000FFu); // red in the low byte
    const auto& mode = std::get<ValueRecord>(FirstOf(picture, EMR_SETBKMODE).data);
    EXPECT_EQ(mode.value, TRANSPARENT);

    // Header: counts and the bounds of the drawn text.
    EXPECT_EQ(U32At(bytes, 48), std::uint32_t(bytes.size()));
    EXPECT_EQ(U32At(bytes, 52), 8u + 2u);
    EXPECT_EQ(qFromLittleEndian<std::uint16_t>(bytes.constData() + 56), 2);
    const RectL bounds = picture.Content().header.bounds;
    EXPECT_EQ(bounds.left, 10);
    EXPECT_EQ(bounds.top, 20);
    EXPECT_EQ(bounds.right, 10 + width - 1);
    EXPECT_GT(bounds.bottom, 30);
}

TEST(MetafileRecord, ObjectsAreCreatedOnceAndStateWrittenOnlyOnChange) {
    TMetafile picture = Picture();
    {
        TMetafileCanvas canvas(picture);
        const TFont arial(QStringLiteral("Arial"), 10);
        const TFont times(QStringLiteral("Times New Roman"), 12);
        for (int i = 0; i < 3; ++i) {
            canvas.SetFont(arial);
            canvas.TextOut(0, i * 20, QStringLiteral("a"));
            canvas.SetFont(times);
            canvas.TextOut(50, i * 20, QStringLiteral("b"));
        }
        canvas.Rectangle(0, 0, 10, 10);
        canvas.Rectangle(20, 0, 30, 10);
    }
    const std::vector<std::uint32_t> types = Types(picture);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_EXTCREATEFONTINDIRECTW), 2);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_CREATEPEN), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_CREATEBRUSHINDIRECT), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_SETTEXTCOLOR), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_SETBKCOLOR), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_EXTTEXTOUTW), 6);
    // Fonts alternate: 6 selections, plus pen and brush, plus three stock selections at the end.
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_SELECTOBJECT), 6 + 2 + 3);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_DELETEOBJECT), 4);
    EXPECT_EQ(picture.Content().header.handles, 5);
    // Every created object is deselected (stock objects) before it is deleted.
    const auto& records = picture.Content().records;
    const auto firstDelete = std::find_if(records.begin(), records.end(),
                                          [](const Record& r) { return r.type == EMR_DELETEOBJECT; });
    ASSERT_NE(firstDelete, records.end());
    std::vector<std::uint32_t> stock;
    for (auto r = firstDelete - 3; r != firstDelete; ++r)
        stock.push_back(std::get<ValueRecord>(r->data).value);
    EXPECT_EQ(stock, (std::vector<std::uint32_t>{BLACK_PEN, WHITE_BRUSH, SYSTEM_FONT}));
}

TEST(MetafileRecord, FillRectUsesTheNullPenAndWidensTheRectangle) {
    TMetafile picture = Picture();
    {
        TMetafileCanvas canvas(picture);
        canvas.Brush().SetColor(clBlue);
        canvas.FillRect({10, 20, 30, 40});
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        canvas.FillRect({50, 50, 60, 60}); // a clear brush fills nothing
    }
    const auto& records = picture.Content().records;
    ASSERT_GE(records.size(), 4u);
    EXPECT_EQ(records[0].type, EMR_CREATEBRUSHINDIRECT);
    EXPECT_EQ(std::get<BrushRecord>(records[0].data).color, 0xFF0000u);
    EXPECT_EQ(records[2].type, EMR_SELECTOBJECT);
    EXPECT_EQ(std::get<ValueRecord>(records[2].data).value, NULL_PEN);
    EXPECT_EQ(records[3].type, EMR_RECTANGLE);
    EXPECT_EQ(std::get<BoxRecord>(records[3].data).box, (RectL{10, 20, 31, 41}));
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const Record& r) { return r.type == EMR_RECTANGLE; }),
              1);
    EXPECT_EQ(picture.Content().header.bounds, (RectL{10, 20, 29, 39}));
}

TEST(MetafileRecord, ClippedTextAndSavedStatesAreRecorded) {
    TMetafile picture = Picture();
    {
        TMetafileCanvas canvas(picture);
        canvas.SaveState();
        canvas.IntersectClipRect({5, 5, 50, 50});
        canvas.Brush().SetColor(clSilver);
        canvas.TextRect({10, 10, 40, 30}, 12, 12, QStringLiteral("clipped"));
        canvas.RestoreState();
        canvas.RestoreState(); // unmatched: nothing recorded
        canvas.ResetClip();
    }
    const std::vector<std::uint32_t> types = Types(picture);
    EXPECT_EQ(types.front(), EMR_SAVEDC);
    EXPECT_EQ(types[1], EMR_INTERSECTCLIPRECT);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_RESTOREDC), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), EMR_EXTSELECTCLIPRGN), 1);
    const auto& text = std::get<TextRecord>(FirstOf(picture, EMR_EXTTEXTOUTW).data);
    EXPECT_EQ(text.options, ETO_CLIPPED | ETO_OPAQUE);
    EXPECT_EQ(text.rect, (RectL{10, 10, 40, 30}));
    EXPECT_EQ(std::get<ValueRecord>(FirstOf(picture, EMR_SETBKCOLOR).data).value, 0xC0C0C0u);
    EXPECT_EQ(std::get<ValueRecord>(FirstOf(picture, EMR_RESTOREDC).data).value, std::uint32_t(-1));
    const auto& clip = std::get<ClipRegionRecord>(FirstOf(picture, EMR_EXTSELECTCLIPRGN).data);
    EXPECT_EQ(clip.mode, RGN_COPY);
    EXPECT_TRUE(clip.rects.empty());
}

TEST(MetafileRecord, BitmapIsStoredAsBottomUpTwentyFourBitRows) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0)); // top-left red
    image.setPixel(1, 0, qRgb(0, 255, 0));
    image.setPixel(2, 0, qRgb(0, 0, 255));
    image.setPixel(0, 1, qRgb(1, 2, 3)); // bottom row
    image.setPixel(1, 1, qRgb(4, 5, 6));
    image.setPixel(2, 1, qRgb(7, 8, 9));
    TMetafile picture = Picture();
    {
        TMetafileCanvas canvas(picture);
        canvas.StretchDraw({10, 10, 40, 30}, image);
    }
    const QByteArray bytes = picture.SaveToBytes();
    const qsizetype at = FirstOf(picture, EMR_STRETCHDIBITS).offset;
    EXPECT_EQ(U32At(bytes, at + 4), 80u + 40u + 24u); // two rows of 9 bytes, each padded to 12
    EXPECT_EQ(I32At(bytes, at + 24), 10);
    EXPECT_EQ(I32At(bytes, at + 28), 10);
    EXPECT_EQ(I32At(bytes, at + 40), 3);
    EXPECT_EQ(I32At(bytes, at + 44), 2);
    EXPECT_EQ(U32At(bytes, at + 48), 80u);
    EXPECT_EQ(U32At(bytes, at + 56), 120u);
    EXPECT_EQ(U32At(bytes, at + 68), SRCCOPY);
    EXPECT_EQ(I32At(bytes, at + 72), 30);
    EXPECT_EQ(I32At(bytes, at + 76), 20);
    EXPECT_EQ(qFromLittleEndian<std::uint16_t>(bytes.constData() + at + 80 + 14), 24);
    // First stored row is the bottom one, in blue, green, red order.
    EXPECT_EQ(bytes.mid(at + 120, 12).toHex(), QByteArray("030201060504090807000000"));
    EXPECT_EQ(bytes.mid(at + 132, 12).toHex(), QByteArray("0000ff00ff00ff0000000000"));
    // And it reads back the right way up.
    const auto& bitmap = std::get<BitmapRecord>(FirstOf(picture, EMR_STRETCHDIBITS).data);
    EXPECT_EQ(bitmap.image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(bitmap.image.pixel(2, 1), qRgb(7, 8, 9));
}

} // namespace
} // namespace quorvel
