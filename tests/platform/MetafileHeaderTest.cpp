#include "platform/Metafile.h"
#include "platform/MetafileWriter.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

std::uint32_t U32At(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<std::uint32_t>(bytes.constData() + at);
}
std::int32_t I32At(const QByteArray& bytes, qsizetype at) {
    return std::int32_t(U32At(bytes, at));
}

// An A4 page at 96 pixels per inch, as the page store makes them.
TMetafile A4Page() {
    TMetafile page;
    page.SetPixelsPerInch(96);
    page.SetWidth(794);
    page.SetHeight(1123);
    return page;
}

TEST(MetafileHeader, EmptyPageSerialisesAsHeaderAndEndOfFile) {
    const QByteArray bytes = A4Page().SaveToBytes();
    ASSERT_EQ(bytes.size(), 108 + 20);
    EXPECT_EQ(U32At(bytes, 0), 1u);   // header record
    EXPECT_EQ(U32At(bytes, 4), 108u); // with the micrometre extension
    // Nothing drawn: the empty bounds.
    EXPECT_EQ(I32At(bytes, 8), 0);
    EXPECT_EQ(I32At(bytes, 16), -1);
    EXPECT_EQ(I32At(bytes, 20), -1);
    // Frame in 0.01 mm: 794 px at 96 ppi = 210.08 mm, 1123 px = 297.13 mm.
    EXPECT_EQ(I32At(bytes, 24), 0);
    EXPECT_EQ(I32At(bytes, 32), 21008);
    EXPECT_EQ(I32At(bytes, 36), 29713);
    EXPECT_EQ(bytes.mid(40, 4), QByteArray(" EMF"));
    EXPECT_EQ(U32At(bytes, 44), 0x10000u);
    EXPECT_EQ(U32At(bytes, 48), 128u); // bytes
    EXPECT_EQ(U32At(bytes, 52), 2u);   // records
    EXPECT_EQ(qFromLittleEndian<std::uint16_t>(bytes.constData() + 56), 1);
    // Reference device: 1920 × 1440 pixels on 508 × 381 mm is exactly 96 pixels per inch.
    EXPECT_EQ(I32At(bytes, 72), 1920);
    EXPECT_EQ(I32At(bytes, 76), 1440);
    EXPECT_EQ(I32At(bytes, 80), 508);
    EXPECT_EQ(I32At(bytes, 84), 381);
    EXPECT_EQ(I32At(bytes, 100), 508000);
    EXPECT_EQ(I32At(bytes, 104), 381000);
    // End of file exactly as the format's reference writer emits it.
    EXPECT_EQ(bytes.mid(108), QByteArray::fromHex("0e00000014000000000000001000000014000000"));
}

TEST(MetafileHeader, PicturesAreMadeAtTheScreenResolution) {
    EXPECT_EQ(ScreenPixelsPerInch(), 96); // the tests' screen
    EXPECT_EQ(TMetafile().PixelsPerInch(), 96);
    EXPECT_TRUE(TMetafile().Empty());
}

TEST(MetafileHeader, LoadingRestoresSizeAndResolution) {
    TMetafile loaded;
    loaded.LoadFromBytes(A4Page().SaveToBytes());
    EXPECT_EQ(loaded.Width(), 794);
    EXPECT_EQ(loaded.Height(), 1123);
    EXPECT_EQ(loaded.PixelsPerInch(), 96);
    EXPECT_FALSE(loaded.Empty());
    EXPECT_EQ(loaded.Content().header.frame, (emf::RectL{0, 0, 21008, 29713}));
}

TEST(MetafileHeader, FileRoundTripKeepsEveryByte) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("page.emf"));
    const TMetafile page = A4Page();
    page.SaveToFile(name);
    TMetafile loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.SaveToBytes(), page.SaveToBytes());
}

} // namespace
} // namespace quorvel
