#include "PacketFixtures.h"
#include "TableTestSupport.h"

#include "platform/Exceptions.h"
#include "store/Packet.h"
#include "store/PacketFile.h"
#include "store/PacketRowFile.h"
#include "store/StoreErrors.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace quorvel {
namespace {

// Fields of every kind a row version may leave out (a memo, a wide memo, a binary value) beside
// plain ones, and a change log with a chain of two modifications that leave the memo out, one that
// sets it again, a deleted row, an inserted one and superseded versions.
const std::string kChangeLogXml =
    "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"n\" fieldtype=\"i4\"/><FIELD attrname=\"s\" fieldtype=\"string\" WIDTH=\"12\"/>"
    "<FIELD attrname=\"m\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    "<FIELD attrname=\"w\" fieldtype=\"bin.hex\" SUBTYPE=\"WideText\"/>"
    "<FIELD attrname=\"b\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\"/>"
    "<FIELD attrname=\"p\" fieldtype=\"fixed\" DECIMALS=\"4\" WIDTH=\"15\"/></FIELDS>"
    "<PARAMS CHANGE_LOG=\"5 1 8 6 5 8 7 2 8 8 0 4 3 0 2\" LCID=\"1046\"/></METADATA><ROWDATA>"
    "<ROW RowState=\"1\" n=\"1\" s=\"um\" m=\"mem&#243;ria um\" w=\"largo\" b=\"AAEC\" p=\"1.5\"/>"
    "<ROW RowState=\"1\" n=\"2\" s=\"dois\" m=\"mem dois\" b=\"AwQ=\"/>"
    "<ROW RowState=\"2\" n=\"3\" s=\"tr&#234;s\" m=\"mem tr&#234;s\"/>"
    "<ROW n=\"4\" s=\"quatro\"/>"
    "<ROW RowState=\"9\" n=\"1\" s=\"um'\" p=\"2.25\"/>"
    "<ROW RowState=\"8\" n=\"1\" s=\"um''\" p=\"3\"/>"
    "<ROW RowState=\"8\" n=\"2\" s=\"dois'\" m=\"outra\"/>"
    "<ROW RowState=\"4\" n=\"9\" s=\"novo\" m=\"nova mem\"><X/></ROW>"
    "</ROWDATA></DATAPACKET>";

// A nested table whose rows are children of the row element, and rows with unknown attributes.
const std::string kNestedXml =
    "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"k\" fieldtype=\"i2\"/>"
    "<FIELD attrname=\"t\" fieldtype=\"nested\"><FIELDS><FIELD attrname=\"x\" fieldtype=\"i4\"/></FIELDS>"
    "</FIELD><FIELD attrname=\"d\" fieldtype=\"date\"/></FIELDS><PARAMS/></METADATA><ROWDATA>"
    "<ROW k=\"1\" d=\"20240131\"><t><ROWt x=\"5\"/></t></ROW><!-- between --><ROW zz=\"?\" k=\"2\"/>"
    "<ROWX k=\"3\" d=\"20240229\" ></ROWX></ROWDATA></DATAPACKET>";

std::string ProposalDocument(int items) {
    std::vector<testing::ProposalFileRow> rows;
    for (int i = 1; i <= items; ++i) {
        testing::ProposalFileRow row;
        row.idItem = i;
        row.numItem = i;
        row.descrItem = (i % 3 == 0 ? "L\xE1pis " : "caderno ") + std::to_string(i);
        if (i % 2 == 0) row.precoIni = std::to_string(i) + ".2500";
        rows.push_back(row);
    }
    return testing::ProposalXml(rows);
}

class RowFileTest : public ::testing::Test {
protected:
    QString Write(const std::string& bytes, const QString& name = QStringLiteral("doc.xml")) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }

    // Opens `path` both ways and checks that the versions visited and those read again are the
    // whole read's rows.
    void ExpectSameAsWholeRead(const QString& path, bool staysInFile) {
        const Datapacket whole = ReadDatapacketFile(path);
        std::vector<PacketRow> visited;
        std::vector<std::uint32_t> order;
        PacketRowFile file(path, [&](std::uint32_t version, const PacketRow& row) {
            order.push_back(version);
            visited.push_back(row);
        });
        EXPECT_EQ(file.RowsStayInFile(), staysInFile);
        ASSERT_EQ(file.VersionCount(), whole.rows.size());
        ASSERT_EQ(visited.size(), whole.rows.size());
        std::vector<std::uint32_t> all(whole.rows.size());
        std::iota(all.begin(), all.end(), 0u);
        EXPECT_EQ(order, all);
        Datapacket header = whole;
        header.rows.clear();
        EXPECT_EQ(file.Header(), header);
        // Visited rows hold what the whole read holds; only a modified version's long text or binary
        // value may still be NULL.
        for (std::size_t v = 0; v < visited.size(); ++v) {
            EXPECT_EQ(visited[v].rowState, whole.rows[v].rowState) << v;
            for (std::size_t i = 0; i < whole.fields.size(); ++i) {
                const FieldView got = visited[v].values[i];
                if (IsNull(got) && !IsNull(whole.rows[v].values[i])) {
                    EXPECT_TRUE(IsBlobKind(KindOf(whole.fields[i])) &&
                                (whole.rows[v].rowState & kRowModified))
                        << "version " << v << " field " << i;
                } else {
                    EXPECT_EQ(ValueOf(got), whole.rows[v].values.Value(i))
                        << "version " << v << " field " << i;
                }
            }
        }
        std::mt19937 random(7);
        std::vector<std::uint32_t> shuffled = all;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        if (!shuffled.empty()) shuffled.push_back(shuffled.front()); // asked twice
        const std::vector<PacketRow> read = file.ReadVersions(shuffled);
        ASSERT_EQ(read.size(), shuffled.size());
        for (std::size_t k = 0; k < shuffled.size(); ++k)
            EXPECT_EQ(read[k], whole.rows[shuffled[k]]) << "version " << shuffled[k];
        // One at a time: a version that takes its values from earlier ones reads them by itself.
        for (const std::uint32_t v : all) {
            const std::uint32_t one[] = {v};
            const std::vector<PacketRow> single = file.ReadVersions(one);
            ASSERT_EQ(single.size(), 1u);
            EXPECT_EQ(single[0], whole.rows[v]) << "version " << v;
        }
        EXPECT_TRUE(file.ReadVersions({}).empty());
    }

    QTemporaryDir dir;
};

TEST_F(RowFileTest, VisitsAndRereadsEveryVersionAsTheWholeReadHoldsIt) {
    {
        SCOPED_TRACE("proposal");
        ExpectSameAsWholeRead(Write(ProposalDocument(3000)), true);
    }
    {
        SCOPED_TRACE("change log");
        ExpectSameAsWholeRead(Write(kChangeLogXml), true);
        const Datapacket whole = ReadDatapacketFile(Write(kChangeLogXml));
        // The document does leave values out: the chain's last version carries the first one's memo.
        ASSERT_EQ(whole.rows.size(), 8u);
        EXPECT_EQ(whole.rows[5].values.Value(2), whole.rows[0].values.Value(2));
        EXPECT_FALSE(IsNull(whole.rows[5].values[4]));
    }
    {
        SCOPED_TRACE("nested");
        ExpectSameAsWholeRead(Write(kNestedXml), true);
    }
    {
        SCOPED_TRACE("empty");
        ExpectSameAsWholeRead(Write("<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"i4\"/>"
                                    "</FIELDS></METADATA><ROWDATA/></DATAPACKET>"),
                              true);
    }
}

TEST_F(RowFileTest, BinaryAndUtf8DocumentsAreHeldBehindTheSameInterface) {
    const Datapacket packet = testing::ReadXml(kChangeLogXml);
    ExpectSameAsWholeRead(Write(WriteDatapacketBinary(packet), QStringLiteral("doc.bin")), false);
    ExpectSameAsWholeRead(Write(WriteDatapacketXml(packet, XmlTextMode::Utf8), QStringLiteral("utf8.xml")),
                          false);
}

// 3,000 modified versions that leave out a 64 KB text: the whole read is refused before it copies the
// text into each, the row file keeps none of them and copies the text only into the versions asked
// for, within the same allowance.
TEST_F(RowFileTest, ALongTextCarriedDownAChainIsCopiedOnlyIntoTheVersionsAskedFor) {
    const QString path = QStringLiteral(QUORVEL_TEST_DATA "/packet/text-carried-into-many-versions.xml");
    try {
        ReadDatapacketFile(path);
        ADD_FAILURE() << "the whole read took the file";
    } catch (const EStoreError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<int>(StoreErrorCode::TooLarge));
    }
    std::size_t firstMemo = 0;
    std::size_t memos = 0;
    PacketRowFile file(path, [&](std::uint32_t version, const PacketRow& row) {
        if (IsNull(row.values[1])) return;
        ++memos;
        if (version == 0) firstMemo = std::get<std::string_view>(row.values[1]).size();
    });
    ASSERT_GT(file.VersionCount(), 2000u);
    EXPECT_EQ(memos, 1u);
    EXPECT_EQ(firstMemo, 65536u);
    const std::uint32_t last = file.VersionCount() - 1;
    const std::uint32_t ends[] = {last, 1, last};
    const std::vector<PacketRow> rows = file.ReadVersions(ends);
    ASSERT_EQ(rows.size(), 3u);
    for (const PacketRow& row : rows)
        EXPECT_EQ(std::get<std::string_view>(row.values[1]).size(), 65536u);
    EXPECT_EQ(rows[0].rowState, kRowModified);
    std::vector<std::uint32_t> all(file.VersionCount());
    std::iota(all.begin(), all.end(), 0u);
    try {
        file.ReadVersions(all);
        ADD_FAILURE() << "every version took the text";
    } catch (const EStoreError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<int>(StoreErrorCode::TooLarge));
    }
}

TEST_F(RowFileTest, MalformedDocumentsFailAsTheWholeReadDoes) {
    const std::string proposal = ProposalDocument(2000);
    std::vector<std::string> documents = {
        proposal.substr(0, proposal.size() / 2), // cut in the rows, beyond the first blocks
        proposal.substr(0, proposal.size() - 9), // cut before the root's end
        kChangeLogXml.substr(0, 200),            // cut in the fields
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"zz\"/></FIELDS></METADATA>"
        "<ROWDATA/></DATAPACKET>",
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"i1\"/></FIELDS></METADATA>"
        "<ROWDATA><ROW a=\"1\"/><ROW a=\"300\"/></ROWDATA></DATAPACKET>",
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"a\" fieldtype=\"i1\"/></FIELDS></METADATA>"
        "<ROWDATA><ROW a=\"1\"/><NOTAROW/></ROWDATA></DATAPACKET>",
    };
    for (std::size_t d = 0; d < documents.size(); ++d) {
        const QString path = Write(documents[d], QStringLiteral("bad%1.xml").arg(d));
        int wholeCode = 0;
        long long wholeOffset = -2;
        try {
            ReadDatapacketFile(path);
        } catch (const EStoreError& e) {
            wholeCode = e.ErrorCode();
            wholeOffset = e.Offset();
        }
        ASSERT_NE(wholeCode, 0) << d;
        int visits = 0;
        try {
            PacketRowFile file(path, [&](std::uint32_t, const PacketRow&) { ++visits; });
            ADD_FAILURE() << "document " << d << " opened";
        } catch (const EStoreError& e) {
            EXPECT_EQ(e.ErrorCode(), wholeCode) << d;
            EXPECT_EQ(e.Offset(), wholeOffset) << d;
        }
    }
    EXPECT_THROW(PacketRowFile(dir.filePath("missing.xml"), [](std::uint32_t, const PacketRow&) {}),
                 EDatabaseError);
    EXPECT_THROW(PacketRowFile(dir.path(), [](std::uint32_t, const PacketRow&) {}), EDatabaseError);
}

TEST_F(RowFileTest, AFileChangedAfterTheScanIsNoticedAndARenameIsNot) {
    const QString path = Write(kChangeLogXml);
    const Datapacket whole = ReadDatapacketFile(path);
    const auto expectChanged = [](const PacketRowFile& file, std::uint32_t version) {
        const std::uint32_t one[] = {version};
        try {
            file.ReadVersions(one);
            ADD_FAILURE() << "version " << version << " read";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message().contains(QStringLiteral("It changed while it was read."))) << e.what();
        }
    };
    {
        // The same length, another digit: still a well-formed row, but not the one that was read.
        PacketRowFile file(path, [](std::uint32_t, const PacketRow&) {});
        std::string changed = kChangeLogXml;
        const std::size_t at = changed.find("n=\"4\"");
        ASSERT_NE(at, std::string::npos);
        changed[at + 3] = '5';
        QFile inPlace(path);
        ASSERT_TRUE(inPlace.open(QIODevice::ReadWrite));
        ASSERT_TRUE(inPlace.seek(static_cast<qint64>(at + 3)));
        ASSERT_EQ(inPlace.write("5", 1), 1);
        inPlace.close();
        expectChanged(file, 3);
        // Versions elsewhere still read, and the file stays usable after the failure.
        const std::uint32_t first[] = {0, 5};
        const std::vector<PacketRow> rows = file.ReadVersions(first);
        EXPECT_EQ(rows[0], whole.rows[0]);
        EXPECT_EQ(rows[1], whole.rows[5]);
    }
    Write(kChangeLogXml);
    {
        PacketRowFile file(path, [](std::uint32_t, const PacketRow&) {});
        ASSERT_TRUE(QFile::resize(path, static_cast<qint64>(kChangeLogXml.find("<ROW RowState=\"4\""))));
        expectChanged(file, 7);
        // The last version takes the memo from the first one, which is still there.
        const std::uint32_t chained[] = {5};
        EXPECT_EQ(file.ReadVersions(chained)[0], whole.rows[5]);
        ASSERT_TRUE(QFile::resize(path, 10));
        expectChanged(file, 5);
    }
    Write(kChangeLogXml);
    {
        PacketRowFile file(path, [](std::uint32_t, const PacketRow&) {});
        const QString other = Write(ProposalDocument(5), QStringLiteral("other.xml"));
        ASSERT_TRUE(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()) ==
                    0);
        std::vector<std::uint32_t> all(whole.rows.size());
        std::iota(all.begin(), all.end(), 0u);
        const std::vector<PacketRow> rows = file.ReadVersions(all);
        EXPECT_EQ(rows, whole.rows);
        const std::uint32_t beyond[] = {static_cast<std::uint32_t>(whole.rows.size())};
        EXPECT_THROW(file.ReadVersions(beyond), EDatabaseError);
    }
}

} // namespace
} // namespace quorvel
