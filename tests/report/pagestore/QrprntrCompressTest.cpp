#include "report/pagestore/QrprntrCompress.h"
#include "platform/Exceptions.h"
#include "report/pagestore/QrprntrStream.h"

#include <gtest/gtest.h>

#include <random>

namespace quorvel {
namespace {

QByteArray Code(const QByteArray& plain) {
    TQRStream stream(1 << 30);
    {
        TQRCompress coder(stream, TQRCompressMode::Coding);
        for (const char c : plain)
            coder.Compress(static_cast<quint8>(c));
    }
    QByteArray coded(stream.Size(), '\0');
    stream.Seek(0, TSeekOrigin::soBeginning);
    stream.Read(coded.data(), coded.size());
    return coded;
}

QByteArray Decode(const QByteArray& coded, qsizetype length) {
    TQRStream stream(1 << 30);
    stream.Write(coded.constData(), coded.size());
    stream.Seek(0, TSeekOrigin::soBeginning);
    TQRCompress decoder(stream, TQRCompressMode::Decoding);
    QByteArray plain;
    for (qsizetype i = 0; i < length; ++i)
        plain.append(static_cast<char>(decoder.Expand()));
    return plain;
}

TEST(SplayCoder, CodesAbcToItsKnownBytesAndBack) {
    const QByteArray coded = Code("abc");
    EXPECT_EQ(coded.toHex(' '), "46 3d 01");
    EXPECT_EQ(Decode(coded, 3), "abc");
    EXPECT_TRUE(Code(QByteArray()).isEmpty());
}

TEST(SplayCoder, LongBuffersRoundTripAndRepetitiveDataShrinks) {
    std::mt19937 random(20260512);
    QByteArray noise(200000, '\0');
    for (auto& c : noise)
        c = static_cast<char>(random());
    EXPECT_EQ(Decode(Code(noise), noise.size()), noise);

    QByteArray text;
    while (text.size() < 100000)
        text += "PREGÃO ELETRÔNICO 0042/2026 — item 17, caneta esferográfica azul, cx 50 un. ";
    const QByteArray coded = Code(text);
    EXPECT_LT(coded.size(), text.size() * 85 / 100);
    EXPECT_EQ(Decode(coded, text.size()), text);

    const QByteArray zeros(50000, '\0'); // the gaps of a page picture's records
    const QByteArray codedZeros = Code(zeros);
    EXPECT_LT(codedZeros.size(), zeros.size() / 4);
    EXPECT_EQ(Decode(codedZeros, zeros.size()), zeros);

    QByteArray allValues;
    for (int round = 0; round < 3; ++round)
        for (int b = 255; b >= 0; --b)
            allValues.append(static_cast<char>(b));
    EXPECT_EQ(Decode(Code(allValues), allValues.size()), allValues);
}

TEST(SplayCoder, DecoderReturnsItsReadAheadAndStopsAtItsLimit) {
    TQRStream stream(1 << 30);
    const QByteArray coded = Code("abc");
    stream.Write(coded.constData(), coded.size());
    stream.Write("tail", 4);
    stream.Seek(0, TSeekOrigin::soBeginning);
    {
        TQRCompress decoder(stream, TQRCompressMode::Decoding);
        EXPECT_EQ(decoder.Expand(), 'a');
        EXPECT_EQ(decoder.Expand(), 'b');
        EXPECT_EQ(decoder.Expand(), 'c');
        decoder.Close();
    }
    EXPECT_EQ(stream.Position(), 3);

    stream.Seek(0, TSeekOrigin::soBeginning);
    TQRCompress limited(stream, TQRCompressMode::Decoding, 1);
    EXPECT_EQ(limited.Expand(), 'a'); // 46 holds 'a' and part of 'b'
    EXPECT_THROW(
        {
            for (int i = 0; i < 10; ++i)
                limited.Expand();
        },
        EQRError);

    TQRStream empty(100);
    TQRCompress starved(empty, TQRCompressMode::Decoding);
    EXPECT_THROW(starved.Expand(), EQRError);
}

} // namespace
} // namespace quorvel
