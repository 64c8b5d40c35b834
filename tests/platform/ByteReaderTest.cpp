#include "platform/ByteReader.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

const QByteArray kBytes = QByteArray::fromHex("0102030405060708fffe");

TEST(ByteReader, ReadsBothByteOrdersAndAdvances) {
    ByteReader in(kBytes);
    EXPECT_EQ(in.U16LE(), 0x0201);
    EXPECT_EQ(in.U16BE(), 0x0304);
    EXPECT_EQ(in.U32LE(), 0x08070605u);
    EXPECT_EQ(in.I16LE(), -257);
    EXPECT_TRUE(in.AtEnd());

    ByteReader again(kBytes);
    EXPECT_EQ(again.U32BE(), 0x01020304u);
    EXPECT_THROW(again.U64LE(), EByteRangeError) << "6 bytes left, 8 wanted";
    EXPECT_EQ(again.I32LE(), 0x08070605);
    EXPECT_EQ(again.I16BE(), -2);
}

TEST(ByteReader, RefusesToPassTheEndAndSaysWhere) {
    ByteReader in(kBytes);
    in.Skip(8);
    try {
        in.U32LE();
        FAIL() << "read past the end";
    } catch (const EByteRangeError& e) {
        EXPECT_EQ(e.Offset(), 8u);
        EXPECT_EQ(e.Message(), QStringLiteral("Unexpected end of data at offset 8: 4 bytes needed, 2 left"));
    }
    EXPECT_EQ(in.Offset(), 8u) << "a refused read does not move the cursor";
    EXPECT_EQ(in.U8(), 0xFF);
    EXPECT_THROW(in.Skip(2), EByteRangeError);
    EXPECT_THROW(in.Seek(11), EByteRangeError);
    in.Seek(10);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_THROW(in.U8(), EByteRangeError);
    EXPECT_EQ(in.Bytes(0).size(), 0u);
}

TEST(ByteReader, SubReadersKeepOffsetsOfTheWholeInput) {
    ByteReader in(kBytes);
    ByteReader table = in.Sub(4, 4);
    EXPECT_EQ(table.Size(), 4u);
    EXPECT_EQ(table.U16BE(), 0x0506);
    table.Skip(2);
    try {
        table.U8();
        FAIL() << "a sub-reader must stop at its own end";
    } catch (const EByteRangeError& e) {
        EXPECT_EQ(e.Offset(), 8u);
    }
    EXPECT_THROW(in.Sub(8, 3), EByteRangeError);
    EXPECT_THROW(in.Sub(11, 0), EByteRangeError);
    EXPECT_THROW(in.Sub(std::size_t(-1), 2), EByteRangeError) << "offset + length must not wrap";
    EXPECT_EQ(in.Sub(10, 0).Size(), 0u);
    EXPECT_EQ(in.Chars(2), std::string_view("\x01\x02", 2));
}

} // namespace
} // namespace quorvel
