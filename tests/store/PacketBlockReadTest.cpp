#include "BlockSource.h"
#include "PacketFixtures.h"
#include "TableTestSupport.h"

#include "platform/Exceptions.h"
#include "store/Packet.h"
#include "store/PacketFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace quorvel {
namespace {

using testing::BlockSource;
using testing::ReadXml;

// What a read ends in: the packet, or the error's code and offset.
struct Outcome {
    bool ok = false;
    Datapacket packet;
    int code = 0;
    long long offset = -1;
};

template <class Read> Outcome OutcomeOf(Read&& read) {
    Outcome outcome;
    try {
        outcome.packet = read();
        outcome.ok = true;
    } catch (const EStoreError& e) {
        outcome.code = e.ErrorCode();
        outcome.offset = e.Offset();
    }
    return outcome;
}

Outcome WholeRead(const std::string& text) {
    return OutcomeOf([&] { return ReadXml(text); });
}

Outcome BlockRead(const std::string& text, std::size_t block) {
    BlockSource source(text, block);
    return OutcomeOf([&] { return ReadDatapacketXml(source, text.size()); });
}

void ExpectSameOutcome(const Outcome& whole, const Outcome& blocks, const std::string& what) {
    ASSERT_EQ(blocks.ok, whole.ok) << what;
    if (whole.ok) {
        EXPECT_EQ(blocks.packet, whole.packet) << what;
    } else {
        EXPECT_EQ(blocks.code, whole.code) << what;
        EXPECT_EQ(blocks.offset, whole.offset) << what;
    }
}

// Documents that reach every turn of the markup: declarations, comments and other markup between
// elements, text where no element stands, nested fields and rows, attributes without a value or with
// a ">" inside, a row with content, entities, the change log, and a few that fail in different places
// (their error offsets count from the start of the document however much of it was dropped).
std::vector<std::string> Documents() {
    const std::string fields =
        "<FIELDS><FIELD attrname=\"n\" fieldtype=\"i4\"/><FIELD attrname=\"s\" fieldtype=\"string\" "
        "WIDTH=\"12\"/><FIELD attrname=\"m\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/><FIELD attrname=\"p\" "
        "fieldtype=\"fixed\" DECIMALS=\"4\" WIDTH=\"15\"/><FIELD attrname=\"t\" fieldtype=\"nested\">"
        "<FIELDS><FIELD attrname=\"k\" fieldtype=\"i2\"/></FIELDS><PARAMS/></FIELD></FIELDS>";
    const std::string head = "\r\n <?xml version=\"1.0\" standalone=\"yes\"?><!-- organiser -->"
                             "<!DOCTYPE x><DATAPACKET Version=\"2.0\"><METADATA>" +
                             fields + "<PARAMS CHANGE_LOG=\"1 0 4 2 1 8\" LCID=\"1046\"/></METADATA>";
    const std::string rows =
        "<ROWDATA> loose text <ROW RowState=\"4\" n=\"1\" s=\"a&lt;b&#231;\" m=\"x&#013;&#010;y\" "
        "p=\"12.5\"/>\n<!-- between --><ROW RowState=\"8\" n=\"2\" s=\"x>y\" p=\"-0.0001\"><t><ROW k=\"3\"/>"
        "</t></ROW><ROW n=\"3\" broken s=\"lost\"/><ROW n = \"4\" s=\"a\"b=\"c\"/><ROWx n=\"5\"></ROWx>"
        "</ROWDATA>";
    return {
        head + rows + "</DATAPACKET>",
        head + rows + "</DATAPACKET><after <<< \"",
        head + rows,                                                          // root not closed
        head + "<ROWDATA><ROW n=\"1\"/><ROW n=\"2></ROWDATA></DATAPACKET>",   // value runs to the end
        head + "<ROWDATA><ROW n=\"1\"/></ROWDAT></DATAPACKET>",               // end tag does not match
        head + "<ROWDATA><ROW p=\"123456789012.5\"/></ROWDATA></DATAPACKET>", // out of range
        head + "<ROWDATA><RECORD n=\"1\"/></ROWDATA></DATAPACKET>",           // not a row
        "<!-- never closed " + head,
    };
}

TEST(PacketBlockRead, GivesWhatTheWholeReadGivesForEveryBlockSizeAndCut) {
    for (const std::string& document : Documents()) {
        for (std::size_t length = 0; length <= document.size(); ++length) {
            const std::string text = document.substr(0, length);
            const Outcome whole = WholeRead(text);
            for (const std::size_t block : {1u, 2u, 7u, 64u, 100000u})
                ExpectSameOutcome(whole, BlockRead(text, block),
                                  "block " + std::to_string(block) + ": " + text);
            if (::testing::Test::HasFailure()) return;
        }
    }
    // The complete documents are read, not refused.
    EXPECT_TRUE(WholeRead(Documents()[0]).ok);
    EXPECT_EQ(WholeRead(Documents()[0]).packet.rows.size(), 5u);
}

TEST(PacketBlockRead, DropsTheRowsAlreadyRead) {
    std::vector<testing::ProposalFileRow> rows;
    for (int i = 1; i <= 2000; ++i)
        rows.push_back({i, i, "ITEM " + std::to_string(i), "1.000", i % 2 == 0 ? "2.5000" : "", "M"});
    const std::string text = testing::ProposalXml(rows);
    BlockSource source(text, 4096);
    const Datapacket packet = ReadDatapacketXml(source, text.size());
    // No view was kept across a drop: the rows match the whole read.
    EXPECT_EQ(packet, ReadXml(text));
    EXPECT_GT(source.Dropped(), text.rfind("<ROW "));
}

class PacketFileRead : public ::testing::Test {
protected:
    QString Write(const char* name, const std::string& bytes) {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }
    QTemporaryDir dir_;
};

// Each form the reader is chosen by: code-page XML read in blocks (one larger than the steps in which
// memory is given back), UTF-8 declared or marked, a declaration beyond the first block, binary.
TEST_F(PacketFileRead, EveryFormReadsAsItsWholeBytesDo) {
    std::vector<testing::ProposalFileRow> rows;
    for (int i = 1; i <= 30000; ++i)
        rows.push_back({i, i, "MATERIAL DE CONSUMO " + std::to_string(i) + std::string(200, 'x'), "3.000",
                        i % 3 == 0 ? "" : "10.2500", "M"});
    const std::string large = testing::ProposalXml(rows);
    ASSERT_GT(large.size(), std::size_t{8} << 20);
    const Datapacket expected = ReadXml(large);
    EXPECT_EQ(ReadDatapacketFile(Write("large.xml", large)), expected);

    const std::string body = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"s\" "
                             "fieldtype=\"string\" WIDTH=\"30\"/></FIELDS><PARAMS/></METADATA><ROWDATA>"
                             "<ROW s=\"Pre\xC3\xA7o\"/></ROWDATA></DATAPACKET>";
    const std::string declared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + body;
    const std::string late = std::string(70000, ' ') + declared;
    for (const std::string& text : {declared, "\xEF\xBB\xBF" + body, late, body}) {
        const Datapacket read = ReadDatapacketFile(Write("form.xml", text));
        EXPECT_EQ(read, ReadXml(text));
        EXPECT_EQ(std::get<std::string_view>(read.rows.at(0).values.at(0)),
                  text == body ? "Pre\xC3\xA7o" : "Pre\xE7o");
    }

    const std::string binary = WriteDatapacketBinary(expected);
    EXPECT_EQ(ReadDatapacketFile(Write("large.bin", binary)), expected);
}

TEST_F(PacketFileRead, BadFilesFailAsTheWholeReadDoes) {
    const std::string cut =
        testing::ProposalXml({{1, 1, "A", "1.000", "", "M"}, {2, 2, "B", "1.000", "", "M"}});
    const std::string text = cut.substr(0, cut.size() - 20);
    const Outcome whole = WholeRead(text);
    ASSERT_FALSE(whole.ok);
    const QString path = Write("cut.xml", text);
    ExpectSameOutcome(whole, OutcomeOf([&] { return ReadDatapacketFile(path); }), "cut file");
    ExpectSameOutcome(WholeRead(""), OutcomeOf([&] { return ReadDatapacketFile(Write("empty.xml", "")); }),
                      "empty file");

    try {
        ReadDatapacketFile(dir_.filePath(QStringLiteral("missing.xml")));
        FAIL() << "a missing file was read";
    } catch (const EStoreError&) {
        FAIL() << "a missing file is not a malformed document";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file"))) << e.what();
    }
    const QString fifo = dir_.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(ReadDatapacketFile(fifo), EDatabaseError);
    EXPECT_THROW(ReadDatapacketFile(dir_.path()), EDatabaseError);
}

} // namespace
} // namespace quorvel
