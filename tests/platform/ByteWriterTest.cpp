#include "platform/ByteWriter.h"
#include "platform/ByteReader.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// Every field lands in the byte order its name says, patches change only their own bytes, and what
// the writer writes the reader reads back.
TEST(ByteWriter, WritesEachFieldInItsByteOrderAndPatchesOnlyItsBytes) {
    ByteWriter out;
    out.U8(0x01);
    out.U16LE(0x0302);
    out.U32LE(0x07060504);
    out.I16LE(-2);
    out.I32LE(-3);
    out.U16BE(0x0A0B);
    out.U32BE(0x0C0D0E0F);
    out.F32LE(1.5f);
    out.F64LE(-0.25);
    out.U64LE(0x1122334455667788);
    out.Bytes(std::string_view("EMF"));
    out.PadTo(4);
    out.Fill(3, 'H');
    const QByteArray expected = QByteArray::fromHex("01"
                                                    "0203"
                                                    "04050607"
                                                    "feff"
                                                    "fdffffff"
                                                    "0a0b"
                                                    "0c0d0e0f"
                                                    "0000c03f"
                                                    "000000000000d0bf"
                                                    "8877665544332211"
                                                    "454d46"
                                                    "0000"
                                                    "484848");
    ASSERT_EQ(out.Size(), expected.size());
    EXPECT_EQ(QByteArray(out.View().data(), out.Size()), expected);

    out.PutU8(0, 0xEE);
    out.PutU16LE(1, 0xBBAA);
    out.PutU32LE(3, 0xDDCCBBAA);
    out.PutU32BE(15, 0x01020304);
    QByteArray patched = expected;
    patched[0] = char(0xEE);
    patched.replace(1, 2, QByteArray::fromHex("aabb"));
    patched.replace(3, 4, QByteArray::fromHex("aabbccdd"));
    patched.replace(15, 4, QByteArray::fromHex("01020304"));
    const QByteArray bytes = out.Take();
    EXPECT_EQ(bytes, patched);
    EXPECT_EQ(out.Size(), 0) << "a taken writer starts empty";

    ByteReader in(bytes);
    in.Skip(7);
    EXPECT_EQ(in.I16LE(), -2);
    EXPECT_EQ(in.I32LE(), -3);
    EXPECT_EQ(in.U16BE(), 0x0A0B);
    EXPECT_EQ(in.U32BE(), 0x01020304u);
    EXPECT_EQ(in.F32LE(), 1.5f);
    EXPECT_EQ(in.F64LE(), -0.25);
    EXPECT_EQ(in.U64LE(), 0x1122334455667788u);

    // A copied table is patched in place and grows from its end.
    ByteWriter table(QByteArray("head-table"));
    table.PutU16BE(0, 0x4845);
    table.U16BE(0x0102);
    EXPECT_EQ(table.Take(), QByteArray("HEad-table\x01\x02", 12));

    ByteWriter big;
    for (int i = 0; i < 100000; ++i)
        big.U32LE(std::uint32_t(i));
    const QByteArray grown = big.Take();
    ASSERT_EQ(grown.size(), 400000);
    EXPECT_EQ(ByteReader(grown).Sub(4 * 99999, 4).U32LE(), 99999u) << "growing keeps what was written";
}

} // namespace
} // namespace quorvel
