#include "report/pagestore/QrprntrStream.h"
#include "platform/Exceptions.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace quorvel {
namespace {

QByteArray Pattern(int length, int seed) {
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

TEST(QRStream, MovesToATemporaryFileOnlyPastItsLimitAndRemovesIt) {
    auto stream = std::make_unique<TQRStream>(1000);
    const QByteArray first = Pattern(600, 1);
    const QByteArray second = Pattern(400, 2);
    stream->Write(first.constData(), first.size());
    stream->Write(second.constData(), second.size());
    EXPECT_TRUE(stream->InMemory());
    EXPECT_TRUE(stream->FileName().isEmpty());

    stream->Write("x", 1);
    ASSERT_FALSE(stream->InMemory());
    const QString name = stream->FileName();
    const QFileInfo info(name);
    EXPECT_TRUE(info.exists());
    EXPECT_TRUE(info.fileName().startsWith(QLatin1String("QRP")));
    EXPECT_EQ(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_EQ(stream->Size(), 1001);
    EXPECT_EQ(stream->Position(), 1001);

    // The bytes written before the move and the ones after read back from the file.
    stream->Write("yz", 2);
    QByteArray back(1003, '\0');
    stream->Seek(0, TSeekOrigin::soBeginning);
    ASSERT_EQ(stream->Read(back.data(), 2000), 1003);
    EXPECT_EQ(back, first + second + "xyz");

    stream.reset();
    EXPECT_FALSE(QFile::exists(name));
}

TEST(QRStream, OverwritesInPlaceAndCopiesItselfWhole) {
    for (const qint64 limit : {qint64{1} << 30, qint64{10}}) {
        TQRStream stream(limit);
        const QByteArray bytes = Pattern(25000, 3);
        stream.Write(bytes.constData(), bytes.size());
        stream.Seek(4, TSeekOrigin::soBeginning);
        stream.Write("ABCD", 4);
        EXPECT_EQ(stream.Position(), 8);
        EXPECT_EQ(stream.Size(), 25000);
        EXPECT_EQ(stream.Seek(-2, TSeekOrigin::soEnd), 24998);
        char tail[8];
        EXPECT_EQ(stream.Read(tail, 8), 2);
        EXPECT_EQ(stream.Read(tail, 8), 0);
        EXPECT_THROW(stream.Seek(-1, TSeekOrigin::soBeginning), EQRError);

        QBuffer copy;
        copy.open(QIODevice::WriteOnly);
        stream.SaveToStream(copy);
        QByteArray expected = bytes;
        expected.replace(4, 4, "ABCD");
        EXPECT_EQ(copy.data(), expected) << "limit " << limit;
        EXPECT_EQ(stream.Position(), 25000);

        stream.SetSize(10);
        EXPECT_EQ(stream.Size(), 10);
    }
}

TEST(QRStream, OpensAnExistingFileForReadingOnly) {
    QTemporaryDir dir;
    const QString name = dir.filePath("saved.qrp");
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("0123456789");
    }
    {
        TQRStream stream(name);
        EXPECT_FALSE(stream.InMemory());
        EXPECT_EQ(stream.MemoryLimit(), 0);
        EXPECT_EQ(stream.Size(), 10);
        char bytes[4] = {};
        stream.Seek(6, TSeekOrigin::soBeginning);
        EXPECT_EQ(stream.Read(bytes, 4), 4);
        EXPECT_EQ(QByteArray(bytes, 4), "6789");
        EXPECT_THROW(stream.Write("x", 1), EQRError);
    }
    EXPECT_TRUE(QFile::exists(name)); // a saved report is not a temporary file
    EXPECT_THROW(TQRStream(dir.filePath("missing.qrp")), EQRError);
}

} // namespace
} // namespace quorvel
