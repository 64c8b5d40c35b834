#include "report/support/TestPages.h"

#include "platform/Exceptions.h"
#include "platform/MetafileEnumerator.h"
#include "report/Qrprntr.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

namespace quorvel {
namespace {

using testing::Int32At;
using testing::PageBody;
using testing::PutInt32;

enum class Coding { Plain, Coded };

// A page list over its own stream, as the page store sets it up.
struct Document {
    explicit Document(Coding coding, qint64 memoryLimit = 250000)
        : stream(std::make_shared<TQRStream>(memoryLimit)) {
        list.SetStream(stream);
        list.SetCompression(coding == Coding::Coded);
    }
    void Add(int pages, int first = 1) {
        for (int page = first; page < first + pages; ++page) {
            TMetafile picture;
            picture.LoadFromBytes(PageBody(page));
            list.AddPage(picture);
        }
    }
    QByteArray Bytes() {
        QByteArray all(stream->Size(), '\0');
        stream->Seek(0, TSeekOrigin::soBeginning);
        stream->Read(all.data(), all.size());
        return all;
    }
    std::shared_ptr<TQRStream> stream;
    TQRPageList list;
};

QByteArray Expected(int page) {
    return PageBody(page);
}

// Reads page n as a picture and checks it against the page recorded for n.
void ExpectPage(TQRPageList& list, int page) {
    const std::unique_ptr<TMetafile> picture = list.GetPage(page);
    ASSERT_NE(picture, nullptr) << "page " << page;
    EXPECT_EQ(picture->SaveToBytes(), Expected(page)) << "page " << page;
}

TEST(PageList, SavedFileHasTheHeaderAndRecordLayout) {
    Document doc(Coding::Plain);
    doc.Add(3);
    doc.list.Finish();
    QTemporaryDir dir;
    const QString name = dir.filePath("three.qrp");
    doc.list.SaveToFile(name);
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    EXPECT_EQ(bytes.left(4).toHex(' '), "03 00 28 00");
    EXPECT_EQ(Int32At(bytes, 8), 3);
    EXPECT_EQ(bytes[25], 0);
    EXPECT_EQ(bytes.mid(26, 100), QByteArray(100, 'H'));
    double written;
    std::memcpy(&written, bytes.constData() + 16, 8);
    const double now = ToReportDateTime(QDateTime::currentDateTime());
    EXPECT_NEAR(written, now, 1.0 / 24);
    EXPECT_GT(written, 46000); // a date after 2025, not 0

    // Records chain from 128: page number, end offset, body, start offset.
    qint64 start = 128;
    for (int page = 1; page <= 3; ++page) {
        const QByteArray body = Expected(page);
        EXPECT_EQ(Int32At(bytes, start), page);
        const qint64 end = Int32At(bytes, start + 4);
        EXPECT_EQ(end, start + 12 + body.size());
        EXPECT_EQ(bytes.mid(start + 8, body.size()), body);
        EXPECT_EQ(bytes.mid(start + 8 + 40, 4), " EMF");
        EXPECT_EQ(Int32At(bytes, end - 4), start);
        if (page < 3)
            start = end;
        else
            EXPECT_EQ(end, bytes.size());
    }
    EXPECT_EQ(Int32At(bytes, bytes.size() - 4), start);
}

TEST(PageList, HeaderIsWrittenWithTheFirstPageAndRewrittenByFinish) {
    Document doc(Coding::Coded);
    EXPECT_EQ(doc.stream->Size(), 0);
    doc.Add(1);
    QByteArray bytes = doc.Bytes();
    EXPECT_EQ(Int32At(bytes, 8), 1);
    EXPECT_EQ(bytes[25], 1);
    // A coded body is the picture's length and then its coded bytes.
    EXPECT_EQ(Int32At(bytes, 136), Expected(1).size());
    doc.Add(4, 2);
    EXPECT_EQ(Int32At(doc.Bytes(), 8), 1); // an abandoned document keeps its first header
    doc.list.Finish();
    EXPECT_EQ(Int32At(doc.Bytes(), 8), 5);

    Document empty(Coding::Plain);
    empty.list.Finish();
    bytes = empty.Bytes();
    EXPECT_EQ(bytes.size(), 128);
    EXPECT_EQ(Int32At(bytes, 8), 0);
}

TEST(PageList, ReadsPagesInAnyOrderWhileMoreAreAppended) {
    for (const Coding coding : {Coding::Plain, Coding::Coded}) {
        SCOPED_TRACE(coding == Coding::Coded ? "coded" : "plain");
        Document doc(coding, 4000); // small limit: the stream moves to its file early on
        EXPECT_FALSE(doc.list.GetPageBody(1).has_value());
        std::mt19937 random(7);
        int added = 0;
        while (added < 60) {
            doc.Add(5, added + 1);
            added += 5;
            for (int page = 1; page <= added; ++page)
                ExpectPage(doc.list, page);
            for (int page = added; page >= 1; --page)
                ExpectPage(doc.list, page);
            for (int i = 0; i < 10; ++i)
                ExpectPage(doc.list, std::uniform_int_distribution<int>(1, added)(random));
        }
        EXPECT_FALSE(doc.stream->InMemory());
        EXPECT_FALSE(doc.list.GetPageBody(0).has_value());
        EXPECT_FALSE(doc.list.GetPageBody(61).has_value());
        EXPECT_EQ(doc.list.PageCount(), 60);
    }
}

TEST(PageList, AReaderThreadSeesEveryStoredPageWhileTheGeneratorAppends) {
    Document doc(Coding::Coded, 20000);
    constexpr int pages = 150;
    std::atomic<bool> failed{false};
    std::thread reader([&] {
        std::mt19937 random(11);
        int checked = 0;
        while (checked < 2000) {
            const int available = doc.list.PageCount();
            if (available == 0) continue;
            const int page = std::uniform_int_distribution<int>(1, available)(random);
            const auto picture = doc.list.GetPage(page);
            if (!picture || picture->SaveToBytes() != Expected(page)) failed = true;
            ++checked;
        }
    });
    doc.Add(pages);
    reader.join();
    EXPECT_FALSE(failed);
    for (int page = pages; page >= 1; page -= 7)
        ExpectPage(doc.list, page);
}

TEST(PageList, SavedReportsLoadBackWithTheirOwnCoding) {
    QTemporaryDir dir;
    for (const Coding coding : {Coding::Plain, Coding::Coded}) {
        Document doc(coding, 3000);
        doc.Add(12);
        doc.list.Finish();
        const QString name = dir.filePath(coding == Coding::Coded ? "coded.qrp" : "plain.qrp");
        doc.list.SaveToFile(name);

        // The loading list's switch starts the other way; the file's coding byte decides.
        TQRPageList loaded;
        loaded.SetCompression(coding == Coding::Plain);
        loaded.LoadFromFile(name);
        EXPECT_EQ(loaded.Compression(), coding == Coding::Coded);
        EXPECT_EQ(loaded.PageCount(), 12);
        EXPECT_EQ(loaded.HeaderLength(), 128);
        for (const int page : {12, 1, 5, 6, 11, 2})
            ExpectPage(loaded, page);
        EXPECT_FALSE(loaded.GetPageBody(13).has_value());
        EXPECT_THROW(loaded.AddPageBody(Expected(13)), EQRError);
        EXPECT_EQ(loaded.PageCount(), 12);
        ExpectPage(loaded, 12);

        // Saving the loaded report gives the same bytes.
        loaded.SaveToFile(dir.filePath("again.qrp"));
        QFile a(name), b(dir.filePath("again.qrp"));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_EQ(a.readAll(), b.readAll());
    }
}

TEST(PageList, StoredPagesComeBackAsPicturesOfTheirSizeAndText) {
    Document doc(Coding::Coded);
    doc.list.AddPage(testing::RecordPage(1));
    doc.list.AddPage(testing::RecordDensePage());
    doc.list.AddPage(testing::RecordPage(3));
    const std::unique_ptr<TMetafile> dense = doc.list.GetPage(2);
    ASSERT_NE(dense, nullptr);
    EXPECT_EQ(dense->Width(), 794);
    EXPECT_EQ(dense->Height(), 1123);
    const auto texts = MetafileTexts(*dense);
    ASSERT_EQ(texts.size(), 200u);
    EXPECT_EQ(texts.back().Text, QStringLiteral("200  Caneta esferográfica azul  cx 50 un.  R$ 598,50"));
    const auto third = MetafileTexts(*doc.list.GetPage(3));
    ASSERT_FALSE(third.empty());
    EXPECT_EQ(third.front().Text, QStringLiteral("Página 3"));
    EXPECT_EQ(third.front().Reference, QPoint(40, 30));

    // Each copy belongs to the caller: changing it leaves the stored page alone.
    std::unique_ptr<TMetafile> copy = doc.list.GetPage(1);
    copy->Clear();
    ExpectPage(doc.list, 1);
}

TEST(PageList, ADamagedPictureInAWholeChainIsRejected) {
    Document doc(Coding::Plain);
    doc.Add(2);
    doc.list.Finish();
    QByteArray bytes = doc.Bytes();
    const qint64 second = Int32At(bytes, 132);
    PutInt32(bytes, second + 8 + 4, 12); // the header record's size
    auto stream = std::make_shared<TQRStream>(1 << 20);
    stream->Write(bytes.constData(), bytes.size());
    TQRPageList loaded;
    EXPECT_THROW(loaded.LoadFromStream(stream), EMetafileError);
    EXPECT_EQ(loaded.PageCount(), 0);
    EXPECT_EQ(loaded.Stream(), nullptr);
}

TEST(PageList, AFileWithoutPagesLoadsAsAnEmptyReport) {
    Document doc(Coding::Plain);
    doc.list.Finish();
    auto stream = std::make_shared<TQRStream>(1 << 20);
    const QByteArray bytes = doc.Bytes();
    stream->Write(bytes.constData(), bytes.size());
    TQRPageList loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.PageCount(), 0);
    EXPECT_EQ(loaded.Stream(), stream);
    EXPECT_FALSE(loaded.GetPageBody(1).has_value());
}

TEST(PageList, ThePackedHeaderLayoutIsRecognisedByWhereThePictureStarts) {
    Document doc(Coding::Plain);
    doc.Add(2);
    doc.list.Finish();
    const QByteArray aligned = doc.Bytes();
    // Repack: 124-byte header with the date at 12 and the coding byte at 21; the records move 4
    // bytes down, so every link shrinks by 4.
    QByteArray packed = aligned.left(12) + aligned.mid(16, 8) + QByteArray(104, 'H');
    packed[20] = 0;
    packed[21] = 0;
    QByteArray records = aligned.mid(128);
    for (qint64 start = 0; start < records.size();) {
        const qint32 end = Int32At(records, start + 4) - 4;
        PutInt32(records, start + 4, end);
        PutInt32(records, end - 124 - 4, Int32At(records, end - 124 - 4) - 4);
        start = end - 124;
    }
    packed += records;
    auto stream = std::make_shared<TQRStream>(1 << 20);
    stream->Write(packed.constData(), packed.size());
    TQRPageList loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.HeaderLength(), 124);
    EXPECT_EQ(loaded.PageCount(), 2);
    ExpectPage(loaded, 2);
    ExpectPage(loaded, 1);
}

// Loads bytes as a saved report and expects a clean refusal that leaves the list empty.
void ExpectRejected(const QByteArray& bytes, const char* what) {
    SCOPED_TRACE(what);
    auto stream = std::make_shared<TQRStream>(1 << 20);
    stream->Write(bytes.constData(), bytes.size());
    TQRPageList loaded;
    EXPECT_THROW(loaded.LoadFromStream(stream), EQRError);
    EXPECT_EQ(loaded.PageCount(), 0);
    EXPECT_EQ(loaded.Stream(), nullptr);
    EXPECT_FALSE(loaded.GetPageBody(1).has_value());
}

TEST(PageList, DamagedFilesAreRejectedCleanly) {
    Document doc(Coding::Plain);
    doc.Add(3);
    doc.list.Finish();
    const QByteArray good = doc.Bytes();
    const qint64 second = Int32At(good, 132);
    const qint64 third = Int32At(good, second + 4);

    ExpectRejected(QByteArray(), "empty file");
    ExpectRejected(good.left(100), "cut inside the header");
    ExpectRejected(QByteArray("%PDF-1.3") + good.mid(8), "foreign file");
    ExpectRejected(good.left(good.size() - 10), "cut inside the last page");

    QByteArray bytes = good;
    PutInt32(bytes, 8, 4);
    ExpectRejected(bytes, "more pages in the header than in the file");
    PutInt32(bytes, 8, -1);
    ExpectRejected(bytes, "negative page count");

    bytes = good;
    PutInt32(bytes, 8, 0x48484848);
    PutInt32(bytes, 128, 0x48484848);
    ExpectRejected(bytes, "first record numbered as the last of a huge count");
    bytes = good;
    PutInt32(bytes, 132, 0x7FFFFFF0);
    ExpectRejected(bytes, "end offset outside the file");
    bytes = good;
    PutInt32(bytes, 132, 128);
    ExpectRejected(bytes, "record that ends at its own start");
    bytes = good;
    PutInt32(bytes, second + 4, static_cast<qint32>(second));
    ExpectRejected(bytes, "record that links forward to itself");
    bytes = good;
    PutInt32(bytes, second, 3);
    ExpectRejected(bytes, "pages out of order");
    bytes = good;
    PutInt32(bytes, third - 4, 0);
    ExpectRejected(bytes, "back link into the header");

    // A back link that loops onto its own record, in a list being generated: the damaged page
    // raises, and the pages around it, reached through their known record starts without walking
    // over the loop, still read.
    Document live(Coding::Plain);
    live.Add(3);
    QByteArray loop(4, '\0');
    PutInt32(loop, 0, static_cast<qint32>(third));
    live.stream->Seek(third - 4, TSeekOrigin::soBeginning);
    live.stream->Write(loop.constData(), 4);
    ExpectPage(live.list, 3);
    EXPECT_THROW(live.list.GetPageBody(2), EQRError);
    ExpectPage(live.list, 1); // after a failure the list reads from the first page again
    ExpectPage(live.list, 3);
    EXPECT_THROW(live.list.GetPageBody(2), EQRError);

    Document coded(Coding::Coded);
    coded.Add(1);
    coded.list.Finish();
    bytes = coded.Bytes();
    PutInt32(bytes, 136, 0x7FFFFFFF);
    ExpectRejected(bytes, "coded length larger than its bytes can hold");
    bytes = coded.Bytes();
    PutInt32(bytes, 136, -5);
    ExpectRejected(bytes, "negative coded length");
}

TEST(PageList, RecordsBeyondTheCountedPagesAreNeverRead) {
    // An abandoned document keeps the header of its first page while more records follow.
    Document abandoned(Coding::Plain);
    abandoned.Add(3);
    auto stream = std::make_shared<TQRStream>(1 << 20);
    QByteArray bytes = abandoned.Bytes();
    stream->Write(bytes.constData(), bytes.size());
    TQRPageList loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.PageCount(), 1);
    ExpectPage(loaded, 1);
    EXPECT_FALSE(loaded.GetPageBody(2).has_value());

    // Header counting two pages, a third record numbered 2 again: reading page 2 after the load
    // (which leaves the stream at that third record) must still give the real page 2.
    PutInt32(bytes, 8, 2);
    const qint64 second = Int32At(bytes, 132);
    const qint64 third = Int32At(bytes, second + 4);
    PutInt32(bytes, third, 2);
    stream = std::make_shared<TQRStream>(1 << 20);
    stream->Write(bytes.constData(), bytes.size());
    loaded.LoadFromStream(stream);
    EXPECT_EQ(stream->Position(), third);
    ExpectPage(loaded, 2);
    ExpectPage(loaded, 2);
}

// Inputs the fuzzer found, each once a hang or a crash.
TEST(PageList, FuzzFindingsAreRejected) {
    const QDir dir(QStringLiteral(QUORVEL_TEST_DATA "/saved_report"));
    const QStringList names = dir.entryList({QStringLiteral("fuzz_*.qrp")}, QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        TQRPageList list;
        EXPECT_THROW(list.LoadFromFile(dir.filePath(name)), EQRError);
        EXPECT_EQ(list.PageCount(), 0);
    }
}

} // namespace
} // namespace quorvel
