#include "TableTestSupport.h"

#include "platform/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace quorvel {
namespace {

using testing::ProposalFileRow;

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void WriteBytes(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::vector<ProposalFileRow> ThreeItems() {
    return {{1, 20, "CANETA AZUL", "3.000", "", "M"},
            {1, 10, "borracha branca", "2.000", "1.5000", "M"},
            {2, 30, "Caderno", "1.500", "", "M"}};
}

class ItemFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("proposta.XML");
        WriteBytes(path, testing::ProposalXml(ThreeItems()));
        testing::DeclareItemTable(items);
        items.SetFileName(path);
        items.BeforeOpen = [](TStoreTable& t) {
            t.SetIndexFieldNames("numitem");
            t.SetIndexName("CDSDigitacaoIndex2");
        };
    }
    std::vector<int> NumItems() {
        std::vector<int> out;
        for (items.First(); !items.Eof(); items.Next())
            out.push_back(items.FieldByName("numitem").AsInteger());
        return out;
    }
    void SetPrice(int numitem, const QString& text) {
        ASSERT_TRUE(items.Locate("numitem", std::int64_t{numitem}));
        items.Edit();
        items.FieldByName("preco_ini").SetAsQString(text);
        items.Post();
    }
    QTemporaryDir dir;
    QString path;
    TStoreTable items;
};

TEST_F(ItemFileTest, OpensInNamedIndexOrderWithCalculatedAndAggregateFields) {
    items.Open();
    EXPECT_EQ(items.IndexName(), "CDSDigitacaoIndex2");
    EXPECT_TRUE(items.IndexFieldNames().isEmpty());
    EXPECT_EQ(NumItems(), (std::vector<int>{10, 20, 30}));
    items.First();
    EXPECT_EQ(items.FieldByName("totitem").DisplayText(), "3,00");
    EXPECT_EQ(items.FieldByName("qtde").DisplayText(), "2,0000");
    EXPECT_EQ(items.FieldByName("SomaItens").DisplayText(), "3,00");
    items.Next();
    EXPECT_EQ(items.FieldByName("totitem").DisplayText(), "0,00");
    EXPECT_TRUE(items.FieldByName("preco_ini").IsNull());
    EXPECT_EQ(items.FieldByName("preco_ini").DisplayText(), "");
    EXPECT_FALSE(items.Changed());
    items.SetIndexName("CDSDigitacaoIndex1");
    std::vector<std::string> names;
    for (items.First(); !items.Eof(); items.Next())
        names.push_back(items.FieldByName("descr_item").AsString());
    EXPECT_EQ(names, (std::vector<std::string>{"borracha branca", "Caderno", "CANETA AZUL"}));
}

TEST_F(ItemFileTest, AggregateFollowsFilterAndEveryPost) {
    items.Open();
    items.SetFilter("id_item = 2");
    items.SetFiltered(true);
    EXPECT_EQ(items.RecordCount(), 1);
    TStoreField& soma = items.FieldByName("SomaItens");
    EXPECT_TRUE(soma.IsNull());
    EXPECT_EQ(soma.AsString(), "");
    std::string insideAfterPost = "not run";
    items.AfterPost = [&](TStoreTable& t) { insideAfterPost = t.FieldByName("SomaItens").AsString(); };
    items.Edit();
    items.FieldByName("preco_ini").SetAsQString("10");
    items.Post();
    EXPECT_EQ(insideAfterPost, "15");
    EXPECT_DOUBLE_EQ(soma.AsFloat(), 15.0);
    items.Edit();
    items.FieldByName("preco_ini").Clear();
    items.Post();
    EXPECT_TRUE(soma.IsNull());
    items.SetFilter("id_item = 1");
    EXPECT_EQ(items.RecordCount(), 2);
    EXPECT_DOUBLE_EQ(soma.AsFloat(), 3.0);
    items.SetFiltered(false);
    EXPECT_EQ(items.RecordCount(), 3);
    EXPECT_DOUBLE_EQ(soma.AsFloat(), 3.0);
    items.SetFilter("id_item = = 3"); // filtering is off: only stored
    EXPECT_THROW(items.SetFiltered(true), EStoreError);
    EXPECT_FALSE(items.Filtered());
    items.SetFilter("id_item = 1");
    items.SetFiltered(true);
    try {
        items.SetFilter("nope = 1");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'nope' not found");
    }
    EXPECT_EQ(items.Filter(), "id_item = 1");
    EXPECT_EQ(items.RecordCount(), 2);
}

TEST_F(ItemFileTest, DecimalAndStringAssignmentRules) {
    items.Open();
    items.Edit();
    TStoreField& preco = items.FieldByName("preco_ini");
    preco.SetAsFloat(1.23455);
    EXPECT_EQ(preco.AsDecimal().ToString(), "1.2346");
    preco.SetAsFloat(1.23445);
    EXPECT_EQ(preco.AsDecimal().ToString(), "1.2344");
    preco.SetAsQString("2,675");
    EXPECT_EQ(preco.DisplayText(), "2,6750");
    EXPECT_THROW(preco.SetAsFloat(1e12), EStoreError); // 12 integer digits do not fit 15 - 4
    try {
        preco.SetAsQString("abc");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "'abc' is not a valid floating point value for field 'preco_ini'");
    }
    try {
        items.FieldByName("qtde").SetAsFloat(1);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'qtde' cannot be modified");
    }
    TStoreField& marca = items.FieldByName("marca");
    marca.SetAsString(std::string(35, 'x'));
    EXPECT_EQ(marca.AsString(), std::string(30, 'x'));
    marca.SetAsString("ABC   ");
    EXPECT_EQ(marca.AsString(), "ABC");
    marca.SetAsString("");
    EXPECT_FALSE(marca.IsNull());
    items.FieldByName("identif").SetAsString("X");
    EXPECT_EQ(items.FieldByName("identif").AsString(), "X");
    // Edit text comes back in through SetText, grouped as the edit format shows it.
    preco.SetAsFloat(1234.5);
    EXPECT_EQ(preco.Text(), "1.234,5000");
    preco.SetText("1.234,6000");
    EXPECT_EQ(preco.AsDecimal().ToString(), "1234.6000");
    preco.SetText("12.345.678,5");
    EXPECT_EQ(preco.AsDecimal().ToString(), "12345678.5000");
    EXPECT_THROW(preco.SetText("1.23,5"), EDatabaseError);
    EXPECT_THROW(preco.SetAsQString("1.234,5"), EDatabaseError);
    items.FieldByName("nuitem").SetAsQString("42");
    EXPECT_EQ(items.FieldByName("nuitem").AsInteger(), 42);
}

TEST_F(ItemFileTest, TwoPriceChangesWriteFiveVersionsAndTheLog) {
    items.Open();
    SetPrice(20, "1");
    SetPrice(20, "2,5");
    items.Close();
    const QByteArray written = ReadBytes(path);
    EXPECT_TRUE(written.contains("CHANGE_LOG=\"4 1 8 5 4 8\"")) << written.toStdString();
    EXPECT_EQ(written.count("<ROW "), 5);
    EXPECT_TRUE(written.contains("<ROW RowState=\"1\" id_item=\"1\""));
    EXPECT_TRUE(written.contains("preco_ini=\"2.5000\""));
    EXPECT_FALSE(written.contains("totitem"));
    EXPECT_FALSE(written.contains("SomaItens"));

    items.Open();
    EXPECT_EQ(items.RecordCount(), 3);
    EXPECT_FALSE(items.Changed());
    ASSERT_TRUE(items.Locate("numitem", std::int64_t{20}));
    EXPECT_EQ(items.FieldByName("preco_ini").DisplayText(), "2,5000");
    // Default order: each record where its first version stood.
    items.SetIndexName(QString());
    EXPECT_EQ(NumItems(), (std::vector<int>{20, 10, 30}));
}

TEST_F(ItemFileTest, UnchangedTableIsNotRewritten) {
    const QByteArray before = ReadBytes(path);
    const QDateTime stamp = QFileInfo(path).lastModified();
    items.Open();
    ASSERT_TRUE(items.Locate("numitem", std::int64_t{10}));
    items.Edit();
    items.FieldByName("preco_ini").SetAsQString("1,5");
    items.Post(); // same value: nothing stored
    EXPECT_FALSE(items.Changed());
    items.Edit();
    items.FieldByName("preco_ini").SetAsQString("9"); // left pending at close: dropped
    items.Close();
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(QFileInfo(path).lastModified(), stamp);
}

TEST_F(ItemFileTest, ChangedOnceIsWrittenAtEveryCloseUntilReopened) {
    items.Open();
    SetPrice(30, "4");
    items.SaveToFile();
    EXPECT_TRUE(items.Active());
    EXPECT_TRUE(items.Changed());
    EXPECT_EQ(items.FieldByName("numitem").AsInteger(), 30);
    const QByteArray saved = ReadBytes(path);
    EXPECT_TRUE(saved.contains("CHANGE_LOG=\"4 3 8\""));
    QFile::remove(path);
    items.Close(); // still marked changed: written again
    EXPECT_EQ(ReadBytes(path), saved);
    items.Open();
    QFile::remove(path);
    items.Close(); // unchanged, but the file is missing: written
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST_F(ItemFileTest, BindingFailuresLeaveTheTableClosed) {
    std::string xml = testing::ProposalXml(ThreeItems());
    auto replace = [](std::string s, const std::string& from, const std::string& to) {
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    struct Case {
        std::string xml;
        const char* message;
    };
    const Case cases[] = {
        {replace(xml, "<FIELD attrname=\"preco_ini\" fieldtype=\"fixed\" DECIMALS=\"4\" WIDTH=\"15\"/>", ""),
         "Field 'preco_ini' not found"},
        {replace(xml, "attrname=\"qtde\" fieldtype=\"fixed\" readonly=\"true\" DECIMALS=\"3\"",
                 "attrname=\"qtde\" fieldtype=\"fixed\" readonly=\"true\" DECIMALS=\"4\""),
         "Size mismatch for field 'qtde', expecting: 3 actual: 4"},
        {replace(xml, "attrname=\"numitem\" fieldtype=\"i4\"",
                 "attrname=\"numitem\" fieldtype=\"string\" WIDTH=\"5\""),
         "Type mismatch for field 'numitem', expecting: Integer actual: String"},
    };
    for (const Case& c : cases) {
        WriteBytes(path, c.xml);
        try {
            items.Open();
            ADD_FAILURE() << "opened: " << c.message;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message().toStdString(), c.message);
        }
        EXPECT_FALSE(items.Active());
        EXPECT_THROW(items.RecordCount(), EDatabaseError);
    }
    WriteBytes(path, "not a datapacket");
    try {
        items.Open();
        ADD_FAILURE() << "opened garbage";
    } catch (const EStoreError& e) {
        EXPECT_EQ(e.ErrorCode(), 0x4005);
        EXPECT_TRUE(e.Message().isEmpty());
    }
    EXPECT_FALSE(items.Active());
    // A narrower loaded string takes the loaded width; the table opens.
    WriteBytes(path, replace(xml, "attrname=\"marca\" fieldtype=\"string\" WIDTH=\"30\"",
                             "attrname=\"marca\" fieldtype=\"string\" WIDTH=\"10\""));
    items.Open();
    EXPECT_EQ(items.FieldByName("marca").Size(), 10);
    items.Close();
    EXPECT_EQ(items.FieldByName("marca").Size(), 30);
}

TEST_F(ItemFileTest, FailedSaveKeepsOldFileAndInMemoryState) {
    // A name at the file-system limit leaves no room for the temporary file beside it, so the
    // atomic save fails even for a privileged user, while the old file stays readable.
    const QString longPath = dir.filePath(QString(250, QLatin1Char('p')) + ".xml");
    ASSERT_TRUE(QFile::rename(path, longPath));
    items.SetFileName(longPath);
    const QByteArray before = ReadBytes(longPath);
    items.Open();
    SetPrice(10, "7");
    EXPECT_THROW(items.Close(), Exception);
    EXPECT_EQ(ReadBytes(longPath), before);
    EXPECT_TRUE(items.Active());
    EXPECT_TRUE(items.Changed());
    EXPECT_EQ(items.Data().changeLog.size(), 1u);
    EXPECT_EQ(items.FieldByName("preco_ini").DisplayText(), "7,0000");
    EXPECT_THROW(items.SaveToFile(), Exception);
    // The user saves elsewhere; the next close then writes there.
    items.SetFileName(path);
    items.Close();
    EXPECT_FALSE(items.Active());
    EXPECT_TRUE(ReadBytes(path).contains("preco_ini=\"7.0000\""));
}

TEST_F(ItemFileTest, BinaryFormForOtherExtensions) {
    items.Open();
    SetPrice(20, "3");
    const QString binary = dir.filePath("proposta.dat");
    items.SaveToFile(binary);
    items.Close();
    const QByteArray bytes = ReadBytes(binary);
    ASSERT_GE(bytes.size(), 4);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x96);
    EXPECT_EQ(static_cast<unsigned char>(bytes[3]), 0xBD);
    items.SetFileName(binary);
    items.Open();
    ASSERT_TRUE(items.Locate("numitem", std::int64_t{20}));
    EXPECT_EQ(items.FieldByName("preco_ini").DisplayText(), "3,0000");
    EXPECT_EQ(items.Data().changeLog.size(), 1u);
}

} // namespace
} // namespace quorvel

namespace quorvel {
namespace {

TEST(TableDynamicFieldsTest, UndeclaredTableShowsTheFileFieldsAndCarriesItsParameters) {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.xml");
    std::string xml = testing::ProposalXml({{1, 30, "C", "1.000", "", "M"}, {1, 10, "A", "2.000", "", "M"}});
    xml.replace(xml.find("<PARAMS/>"), 9, "<PARAMS DEFAULT_ORDER=\"6\" ORGAO=\"Prefeitura\"/>");
    WriteBytes(path, xml);
    TStoreTable table;
    table.SetFileName(path);
    for (int round = 0; round < 2; ++round) {
        table.Open();
        ASSERT_EQ(table.FieldCount(), 21);
        TStoreField& qtde = table.FieldByName("qtde");
        EXPECT_EQ(qtde.DataType(), TFieldType::BCD);
        EXPECT_EQ(qtde.DecimalPlaces(), 3);
        EXPECT_TRUE(qtde.ReadOnly());
        // A name given as Latin-1 text finds the same fields, in any letter case.
        EXPECT_EQ(&table.FieldByName(QLatin1StringView("qtde")), &qtde);
        EXPECT_EQ(table.FindField(QLatin1StringView("QTDE")), &qtde);
        EXPECT_EQ(table.FieldByName("id_item").DataType(), TFieldType::AutoInc);
        EXPECT_EQ(table.FieldByName("marca").Size(), 30);
        // The file's default order is numitem.
        EXPECT_EQ(table.FieldByName("numitem").AsInteger(), 10);
        table.Edit();
        table.FieldByName("marca").SetAsString(round == 0 ? "Um" : "Dois");
        table.Post();
        table.Close();
    }
    const QByteArray written = ReadBytes(path);
    EXPECT_TRUE(written.contains("ORGAO=\"Prefeitura\""));
    EXPECT_TRUE(written.contains("DEFAULT_ORDER=\"6\""));
    EXPECT_TRUE(written.contains("marca=\"Dois\""));
    EXPECT_EQ(table.FieldCount(), 0);
    // The fields made from the file are gone with it, under either form of their name.
    EXPECT_EQ(table.FindField(QLatin1StringView("qtde")), nullptr);
    EXPECT_EQ(table.FindField(QStringLiteral("qtde")), nullptr);
    try {
        table.FieldByName(QLatin1StringView("marca"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'marca' not found");
    }
}

} // namespace
} // namespace quorvel

namespace quorvel {
namespace {

TEST(TableLifetimeTest, DestroyingAnOpenChangedTableWritesItsFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.xml");
    WriteBytes(path, testing::ProposalXml({{1, 1, "A", "1.000", "", "M"}}));
    {
        TStoreTable table;
        testing::DeclareItemTable(table);
        table.SetFileName(path);
        table.Open();
        table.Edit();
        table.FieldByName("marca").SetAsString("Gravada");
        table.Post();
    }
    EXPECT_TRUE(ReadBytes(path).contains("marca=\"Gravada\""));
}

} // namespace
} // namespace quorvel
