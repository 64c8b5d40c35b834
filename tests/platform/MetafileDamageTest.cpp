#include "CanvasTestPage.h"

#include "platform/MetafileFormat.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace quorvel::testing;

class MetafileDamage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { page_ = new QByteArray(RecordSamplePage().SaveToBytes()); }
    static void TearDownTestSuite() {
        delete page_;
        page_ = nullptr;
    }

    static std::uint32_t U32(const QByteArray& b, qsizetype at) {
        return qFromLittleEndian<std::uint32_t>(b.constData() + at);
    }
    static void Put(QByteArray& b, qsizetype at, std::uint32_t v) { qToLittleEndian(v, b.data() + at); }

    // File offset of the n-th record of a type (0 = first).
    static qsizetype Find(const QByteArray& b, std::uint32_t type, int nth = 0) {
        for (qsizetype at = U32(b, 4); at + 8 <= b.size(); at += U32(b, at + 4))
            if (U32(b, at) == type && nth-- == 0) return at;
        ADD_FAILURE() << "record type " << type << " not in the sample page";
        return 0;
    }

    // The damaged bytes must be rejected with a message naming the fault.
    static void ExpectRejected(const QByteArray& bytes, const char* fault) {
        TMetafile picture;
        try {
            picture.LoadFromBytes(bytes);
            ADD_FAILURE() << "accepted a picture with: " << fault;
        } catch (const EMetafileError& e) {
            EXPECT_TRUE(e.Message().contains(QLatin1String(fault))) << e.what();
        }
    }

    static QByteArray* page_;
};
QByteArray* MetafileDamage::page_ = nullptr;

TEST_F(MetafileDamage, EveryTruncationIsRejected) {
    TMetafile picture;
    for (qsizetype length = 0; length < page_->size(); ++length)
        EXPECT_THROW(picture.LoadFromBytes(QByteArrayView(*page_).first(length)), EMetafileError) << length;
    EXPECT_NO_THROW(picture.LoadFromBytes(*page_));
}

TEST_F(MetafileDamage, HeaderFaults) {
    QByteArray b = *page_;
    b[41] = 'X';
    ExpectRejected(b, "signature missing");
    b = *page_;
    Put(b, 0, 2);
    ExpectRejected(b, "does not start with a header");
    b = *page_;
    Put(b, 48, U32(b, 48) + 4);
    ExpectRejected(b, "picture truncated");
    b = *page_;
    Put(b, 52, U32(b, 52) + 1);
    ExpectRejected(b, "record count does not match the header");
    b = *page_;
    Put(b, 72, 0);
    ExpectRejected(b, "reference device without pixels");
    b = *page_;
    Put(b, 60, 40); // a description that runs past the header
    Put(b, 64, 100);
    ExpectRejected(b, "description outside the header");
}

TEST_F(MetafileDamage, RecordFramingFaultsNameTheRecord) {
    QByteArray b = *page_;
    const qsizetype text = Find(b, emf::EMR_EXTTEXTOUTW);
    Put(b, text + 4, U32(b, text + 4) + 2);
    TMetafile picture;
    try {
        picture.LoadFromBytes(b);
        ADD_FAILURE() << "accepted a record size that is not a multiple of 4";
    } catch (const EMetafileError& e) {
        int number = 1;
        for (qsizetype at = U32(b, 4); at < text; at += U32(b, at + 4))
            ++number;
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Damaged metafile: record size invalid (record %1 at offset %2)")
                      .arg(number + 1)
                      .arg(text));
        EXPECT_EQ(e.Offset(), text);
    }
    b = *page_;
    Put(b, text + 4, 0x7FFFFFFC);
    ExpectRejected(b, "record runs past the end of the picture");
    b = *page_;
    Put(b, text, 200);
    ExpectRejected(b, "unknown record type");
    b = *page_;
    Put(b, text, emf::EMR_HEADER);
    ExpectRejected(b, "second header");
    b = *page_;
    const qsizetype end = Find(b, emf::EMR_EOF);
    Put(b, end, emf::EMR_GDICOMMENT); // the end-of-file record becomes an empty comment
    Put(b, end + 8, 0);
    ExpectRejected(b, "end-of-file record missing");
    b = *page_;
    const qsizetype pen = Find(b, emf::EMR_CREATEPEN); // shortened to 20 bytes, the rest a comment
    Put(b, pen + 4, 20);
    Put(b, pen + 20, emf::EMR_GDICOMMENT);
    Put(b, pen + 24, 8);
    Put(b, 52, U32(b, 52) + 1);
    ExpectRejected(b, "pen record too short");
}

TEST_F(MetafileDamage, OffsetsAndCountsInsideRecords) {
    QByteArray b = *page_;
    const qsizetype text = Find(b, emf::EMR_EXTTEXTOUTW);
    Put(b, text + 44, 0x7FFFFFFF); // character count near 2^31
    ExpectRejected(b, "text outside the record");
    b = *page_;
    Put(b, text + 72, U32(b, text + 4) - 4);
    ExpectRejected(b, "character advances outside the record");
    b = *page_;
    Put(b, Find(b, emf::EMR_EXTCREATEFONTINDIRECTW) + 8, 999);
    ExpectRejected(b, "object index outside the object table");
    b = *page_;
    Put(b, Find(b, emf::EMR_SELECTOBJECT) + 8, 0);
    ExpectRejected(b, "object index outside the object table");
    b = *page_;
    Put(b, Find(b, emf::EMR_RESTOREDC) + 8, std::uint32_t(-2));
    ExpectRejected(b, "restores a state never saved");
    b = *page_;
    const qsizetype bitmap = Find(b, emf::EMR_STRETCHDIBITS);
    Put(b, bitmap + 60, U32(b, bitmap + 60) - 4);
    ExpectRejected(b, "bitmap bits shorter than the bitmap");
    b = *page_;
    Put(b, bitmap + 56, 0xFFFFFFF0);
    ExpectRejected(b, "bitmap bits outside the record");
    b = *page_;
    Put(b, bitmap + 80 + 4, 0x40000000); // width
    ExpectRejected(b, "bitmap too large");
    b = *page_;
    const qsizetype polygon = Find(b, emf::EMR_POLYGON16);
    Put(b, polygon + 24, 0x40000001);
    ExpectRejected(b, "point count exceeds the record");
}

TEST_F(MetafileDamage, AFailedLoadKeepsThePictureAndFilesReportTheirErrors) {
    TMetafile picture;
    picture.LoadFromBytes(*page_);
    QByteArray b = *page_;
    b.chop(4);
    EXPECT_THROW(picture.LoadFromBytes(b), EMetafileError);
    EXPECT_EQ(picture.SaveToBytes(), *page_);
    EXPECT_EQ(picture.Width(), kPageWidth);
    try {
        picture.LoadFromFile(QStringLiteral("/nonexistent/page.emf"));
        ADD_FAILURE() << "loaded a missing file";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file \"/nonexistent/page.emf\"")));
    }
}

} // namespace
} // namespace quorvel
