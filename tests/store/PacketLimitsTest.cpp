// What a load may take and what it refuses: memory in proportion to the values a file carries,
// declared numbers that the store cannot hold, documents cut short, and packets without fields.
#include "AllocationMeter.h"
#include "PacketFixtures.h"
#include "TableTestSupport.h"

#include "platform/Exceptions.h"
#include "store/Packet.h"
#include "store/StoreErrors.h"
#include "store/StoreTable.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quorvel {
namespace {

constexpr int Code(StoreErrorCode code) {
    return static_cast<int>(code);
}

std::string ReadDataFile(const char* name) {
    QFile f(QStringLiteral(QUORVEL_TEST_DATA "/packet/") + QString::fromUtf8(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

// The error code a load of `bytes` fails with, or 0 when it succeeds.
int LoadError(const std::string& bytes, long long* offset = nullptr) {
    try {
        ReadDatapacket(std::span<const char>(bytes.data(), bytes.size()));
    } catch (const EStoreError& e) {
        if (offset) *offset = e.Offset();
        return e.ErrorCode();
    }
    return 0;
}

std::string Replace(std::string text, const std::string& mark, const std::string& by) {
    const size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), by);
    return text;
}

// Random edits applied both to a row and to a plain list of values must leave the two alike, whichever
// form the row keeps its values in at each step.
TEST(RowValues, FollowAPlainListThroughEveryForm) {
    std::mt19937 random(17);
    const std::vector<FieldValue> samples = {FieldValue{}, std::int64_t{7}, std::string("curto"),
                                             std::string(40, 'x'), TDecimal::FromUnits(125, 2)};
    for (const std::size_t width : {1u, 4u, 21u, 300u}) {
        RowValues row(width);
        std::vector<FieldValue> plain(width);
        // A copy taken now and then, which shares what the row keeps: whatever the row goes through
        // afterwards, the copy keeps the values it was taken with.
        RowValues copy = row;
        std::vector<FieldValue> copyPlain = plain;
        for (int step = 0; step < 3000; ++step) {
            if (step % 50 == 0) {
                ASSERT_EQ(copy.ToVector(), copyPlain) << "step " << step;
                copy = row;
                copyPlain = plain;
            }
            const unsigned op = random() % 20;
            if (op == 0 && !plain.empty()) {
                const std::size_t column = random() % plain.size();
                row.EraseColumn(column);
                plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(column));
            } else if (op == 1) {
                const std::size_t size = random() % (2 * width + 1);
                row.resize(size);
                plain.resize(size);
            } else if (op == 2) {
                std::vector<RowValues::Entry> entries;
                for (std::size_t k = random() % (width + 1); k > 0; --k) {
                    const auto column = static_cast<std::uint32_t>(random() % width);
                    entries.emplace_back(column, samples[random() % samples.size()]);
                }
                plain.assign(width, FieldValue{});
                for (const auto& [column, value] : entries)
                    plain[column] = value;
                row.Assign(width, entries);
            } else if (!plain.empty()) {
                const std::size_t column = random() % plain.size();
                // NULLs more often than values, so rows keep crossing between the two forms.
                const FieldValue& value = random() % 2 ? samples[0] : samples[random() % samples.size()];
                row.Set(column, value);
                plain[column] = value;
            }
            ASSERT_EQ(row.size(), plain.size()) << "step " << step;
            ASSERT_EQ(row.ToVector(), plain) << "step " << step;
            std::size_t values = 0, visited = 0;
            for (std::size_t c = 0; c < plain.size(); ++c) {
                ASSERT_EQ(row[c], ViewOf(plain[c])) << "step " << step << " column " << c;
                values += IsNull(plain[c]) ? 0 : 1;
            }
            row.ForEachValue([&](std::size_t column, const FieldView& value) {
                EXPECT_EQ(value, ViewOf(plain[column]));
                EXPECT_FALSE(IsNull(value));
                ++visited;
            });
            ASSERT_EQ(row.ValueCount(), values);
            ASSERT_EQ(visited, values);
            EXPECT_TRUE(IsNull(row[plain.size()]));
            // Rows compare by their values, not by how they keep them.
            const RowValues dense = RowValues::Dense(plain);
            ASSERT_TRUE(row == RowValues(plain) && row == dense && dense == row) << "step " << step;
            if (!plain.empty()) {
                RowValues changed = row;
                changed.Set(0, IsNull(plain[0]) ? FieldValue{std::int64_t{-1}} : FieldValue{});
                ASSERT_FALSE(changed == row || dense == changed || changed == dense) << "step " << step;
            }
        }
    }
    EXPECT_THROW(RowValues(3).Set(3, std::int64_t{1}), std::out_of_range);
    EXPECT_THROW(RowValues(3).at(3), std::out_of_range);
}

// A file of many fields whose rows set none of them (5,000 × 20,000 took 3.9 GB before) loads in memory
// proportional to the file, through the reader and through a table.
TEST(PacketMemory, LoadTakesMemoryInProportionToTheValuesPresent) {
    struct Case {
        const char* file;
        std::size_t fields, rows;
    };
    for (const Case& c :
         {Case{"many-fields-empty-rows.xml", 2000, 12000}, Case{"many-columns-null-rows.bin", 8192, 64}}) {
        const std::string bytes = ReadDataFile(c.file);
        ASSERT_FALSE(bytes.empty()) << c.file;
        const std::size_t allowed = 16 * bytes.size() + (4u << 20);
        testing::AllocationMeter meter(256u << 20);
        try {
            const Datapacket packet = ReadDatapacket(std::span<const char>(bytes.data(), bytes.size()));
            EXPECT_EQ(packet.fields.size(), c.fields) << c.file;
            ASSERT_EQ(packet.rows.size(), c.rows) << c.file;
            EXPECT_EQ(packet.rows.back().values.size(), c.fields);
            EXPECT_EQ(packet.rows.back().values.ValueCount(), 0u);
        } catch (const std::bad_alloc&) {
            ADD_FAILURE() << c.file << ": more than 256 MB";
        }
        EXPECT_LE(meter.Peak(), allowed) << c.file;
    }

    TStoreTable table;
    table.SetFileName(QStringLiteral(QUORVEL_TEST_DATA "/packet/many-fields-empty-rows.xml"));
    testing::AllocationMeter meter(256u << 20);
    try {
        table.Open();
        EXPECT_EQ(table.RecordCount(), 12000);
        table.Last();
        EXPECT_TRUE(table.FieldByName(QStringLiteral("f1999")).IsNull());
    } catch (const std::bad_alloc&) {
        ADD_FAILURE() << "table open took more than 256 MB";
    }
    // The table adds an object per field to what the reader holds.
    EXPECT_LE(meter.Peak(), 16 * 151035u + (8u << 20));
}

// A long text left out of thousands of modified versions would be copied into each of them: 3,000
// copies of 64 KB from a 180 KB file. The load is refused before the copies are made.
TEST(PacketMemory, LongTextCarriedIntoManyVersionsIsRefusedBeforeItIsCopied) {
    for (const char* file : {"text-carried-into-many-versions.xml", "text-carried-into-many-versions.bin"}) {
        const std::string bytes = ReadDataFile(file);
        ASSERT_FALSE(bytes.empty()) << file;
        testing::AllocationMeter meter(160u << 20);
        try {
            EXPECT_EQ(LoadError(bytes), Code(StoreErrorCode::TooLarge)) << file;
        } catch (const std::bad_alloc&) {
            ADD_FAILURE() << file << ": more than 160 MB";
        }
        EXPECT_LE(meter.Peak(), 80u << 20) << file;
    }

    // Fifty versions of the same shape carry their text as before.
    std::string xml =
        std::string(testing::kDeclaration) +
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"id\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"memo\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/></FIELDS><PARAMS CHANGE_LOG=\"";
    for (int v = 2; v <= 50; ++v)
        xml += (v > 2 ? " " : "") + std::to_string(v) + " " + std::to_string(v - 1) + " 8";
    xml += "\"/></METADATA><ROWDATA><ROW RowState=\"1\" id=\"1\" memo=\"" + std::string(65536, 'y') + "\"/>";
    for (int v = 2; v <= 50; ++v)
        xml +=
            std::string("<ROW RowState=\"") + (v < 50 ? "9" : "8") + "\" id=\"" + std::to_string(v) + "\"/>";
    xml += "</ROWDATA></DATAPACKET>";
    const Datapacket packet = testing::ReadXml(xml);
    ASSERT_EQ(packet.rows.size(), 50u);
    EXPECT_EQ(std::get<std::string_view>(packet.rows[49].values[1]), std::string(65536, 'y'));
    EXPECT_EQ(WriteDatapacketXml(packet), xml);
}

// WIDTH="40000" used to read as width 0, so that every value became "" and the next save wrote
// WIDTH="0"; every declared number that does not fit is refused instead of wrapped.
TEST(PacketDeclaredNumbers, NumbersOutsideTheStoreAreRefused) {
    const std::string form = std::string(testing::kDeclaration) +
                             "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                             "<FIELD attrname=\"s\" fieldtype=\"string\" WIDTH=\"@W\"/>"
                             "<FIELD attrname=\"n\" fieldtype=\"@T\"/>"
                             "<FIELD attrname=\"p\" fieldtype=\"fixed\" DECIMALS=\"@D\" WIDTH=\"15\"/>"
                             "</FIELDS><PARAMS@P/></METADATA><ROWDATA><ROW@R s=\"abc\" n=\"@N\"/>"
                             "</ROWDATA></DATAPACKET>";
    struct Case {
        std::string mark, text;
        int code;
    };
    const std::vector<Case> refused = {
        {"@W", "40000", Code(StoreErrorCode::FieldWidth)},
        {"@W", "32768", Code(StoreErrorCode::FieldWidth)},
        {"@W", "65536", Code(StoreErrorCode::FieldWidth)},
        {"@W", "65800", Code(StoreErrorCode::FieldWidth)},
        {"@W", "2147483648", Code(StoreErrorCode::FieldWidth)},
        {"@W", "-1", Code(StoreErrorCode::FieldWidth)},
        {"@W", "", Code(StoreErrorCode::FieldWidth)},
        {"@W", "largo", Code(StoreErrorCode::FieldWidth)},
        {"@D", "40000", Code(StoreErrorCode::FieldWidth)},
        {"@R", " RowState=\"264\"", Code(StoreErrorCode::OutOfRange)},
        {"@P", " AUTOINCVALUE=\"2147483648\"", Code(StoreErrorCode::OutOfRange)},
        {"@P", " LCID=\"70000\"", Code(StoreErrorCode::OutOfRange)},
        {"@P", " CHANGE_LOG=\"1 0 4294967300\"", Code(StoreErrorCode::OutOfRange)},
        {"@P", " UNIQUE_KEY=\"-1\"", Code(StoreErrorCode::OutOfRange)},
        {"<PARAMS@P/>", "<PARAMS><PARAM Name=\"ORDEM\" Value=\"40000\" Type=\"i2\"/></PARAMS>",
         Code(StoreErrorCode::OutOfRange)},
        {"@N", "2147483648", Code(StoreErrorCode::OutOfRange)},
        {"@T\"/>", "i1\"/>|128", Code(StoreErrorCode::OutOfRange)},
        {"@T\"/>", "ui1\"/>|-1", Code(StoreErrorCode::OutOfRange)},
        {"@T\"/>", "i8\"/>|9223372036854775808", Code(StoreErrorCode::OutOfRange)},
        {"@T\"/>", "ui8\"/>|18446744073709551616", Code(StoreErrorCode::OutOfRange)},
    };
    // Fills the form: the case's own mark first, then the defaults for the rest. "TYPE|VALUE" sets n's
    // type and value at once.
    auto fill = [&](const Case& c) {
        std::string text = form;
        const size_t bar = c.text.find('|');
        if (bar == std::string::npos) {
            text = Replace(text, c.mark, c.text);
        } else {
            text = Replace(text, c.mark, c.text.substr(0, bar));
            text = Replace(text, "@N", c.text.substr(bar + 1));
        }
        for (const auto& [mark, fallback] : std::vector<std::pair<std::string, std::string>>{
                 {"@W", "30"}, {"@T", "i4"}, {"@D", "4"}, {"@P", ""}, {"@R", ""}, {"@N", "7"}})
            text = Replace(text, mark, fallback);
        return text;
    };
    for (const Case& c : refused)
        EXPECT_EQ(LoadError(fill(c)), c.code) << c.mark << " " << c.text;

    // The largest numbers that fit are read as they are and written back unchanged.
    for (const Case& c : std::vector<Case>{{"@W", "32767", 0},
                                           {"@N", "-2147483648", 0},
                                           {"@T\"/>", "ui8\"/>|18446744073709551615", 0},
                                           {"@T\"/>", "i8\"/>|-9223372036854775808", 0},
                                           {"@P", " AUTOINCVALUE=\"2147483647\" LCID=\"32767\"", 0}}) {
        const std::string text = fill(c);
        ASSERT_EQ(LoadError(text), 0) << c.text;
        const Datapacket packet = testing::ReadXml(text);
        EXPECT_EQ(WriteDatapacketXml(packet), text) << c.text;
    }
    EXPECT_EQ(testing::ReadXml(fill({"@W", "32767", 0})).fields[0].width, 32767);

    // Two files found by fuzzing whose string WIDTH once read as 0: a negative number (binary) and
    // text without digits (XML).
    for (const char* file : {"string-width-zero.bin", "string-width-zero.xml"})
        EXPECT_EQ(LoadError(ReadDataFile(file)), Code(StoreErrorCode::FieldWidth)) << file;
}

// A proposal cut after its field list read as a valid proposal without rows; any document that ends
// before its rows, or before the root it opened is closed, is refused where the text ends.
TEST(PacketTruncation, DocumentCutShortIsRefusedWhereItEnds) {
    const std::string whole = testing::ProposalXml({{1, 1, "Caneta", "1.000", "", "M"},
                                                    {2, 2, "L\xE1pis", "1.000", "", "M"},
                                                    {3, 3, "Borracha", "1.000", "", "M"}});
    ASSERT_EQ(LoadError(whole), 0);
    const auto at = [&](const std::string& mark) { return whole.find(mark) + mark.size(); };
    const std::vector<std::size_t> cuts = {
        at("</METADATA>"),
        at("<ROWDATA>"),
        at("<ROWDATA>") + 12,
        at("Caneta\""),
        whole.find("<ROW", at("Caneta")),
        at("</ROWDATA>"),
        whole.size() - 1,
    };
    for (const std::size_t cut : cuts) {
        long long offset = -1;
        EXPECT_EQ(LoadError(whole.substr(0, cut), &offset), Code(StoreErrorCode::Malformed))
            << whole.substr(0, cut);
        EXPECT_EQ(offset, static_cast<long long>(cut)) << whole.substr(0, cut);
    }
    // The root closed without rows is as damaged as a file cut after its fields.
    EXPECT_EQ(LoadError(whole.substr(0, at("</METADATA>")) + "</DATAPACKET>"),
              Code(StoreErrorCode::Malformed));

    // What follows the closed root is not read; a document without root ends with its rows.
    EXPECT_EQ(LoadError(whole + "<lixo"), 0);
    const std::string bare =
        whole.substr(whole.find("<METADATA>"), at("</ROWDATA>") - whole.find("<METADATA>"));
    EXPECT_EQ(LoadError(bare), 0);
    EXPECT_EQ(testing::ReadXml(bare).rows.size(), 3u);
}

// The XML form refuses a document without fields; the binary form refuses a packet without columns
// alike, instead of accepting what then converts to XML that cannot be read.
TEST(PacketBinaryLimits, PacketWithoutColumnsIsRefusedLikeItsXml) {
    std::string binary("\x96\x19\xE0\xBD\x01\x00\x00\x00\x18\x00\x00\x00", 12);
    binary += std::string("\x00\x00", 2);         // no columns
    binary += std::string("\x00\x00\x00\x00", 4); // no rows
    binary += std::string("\x03\x00\x00\x00\x1A\x00", 6);
    binary += std::string("\x00\x00", 2); // no parameters
    ASSERT_EQ(binary.size(), 26u);
    EXPECT_EQ(LoadError(binary), Code(StoreErrorCode::Malformed));
    EXPECT_EQ(LoadError(std::string(testing::kDeclaration) +
                        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS></FIELDS><PARAMS/></METADATA>"
                        "<ROWDATA></ROWDATA></DATAPACKET>"),
              Code(StoreErrorCode::Malformed));
}

} // namespace
} // namespace quorvel
