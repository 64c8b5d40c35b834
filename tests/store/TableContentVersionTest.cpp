#include "TableTestSupport.h"

#include "store/TableTag.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing::DeclareLotTable;

// The content version tells a caller whether the stored rows changed since it last looked: it must
// move with every stored change, and stay put for everything that only reads, moves, filters or
// orders, or a cached answer would be either stale or never reused.
class TableContentVersion : public ::testing::Test {
protected:
    void SetUp() override {
        DeclareLotTable(lots);
        lots.SetTag(kTagBuilding);
        lots.CreateDataSet();
        for (int id = 1; id <= 3; ++id) {
            lots.Append();
            lots.FieldByName("id_item").SetAsInteger(id);
            lots.FieldByName("descr_lote").SetAsString("Lote");
            lots.Post();
        }
        lots.SetTag(kTagNormal);
        lots.First();
    }

    TStoreTable lots;
};

TEST_F(TableContentVersion, MovesWithEveryStoredChange) {
    std::uint64_t antes = lots.ContentVersion();

    lots.Edit();
    lots.FieldByName("valor").SetAsQString(QStringLiteral("12,5"));
    EXPECT_EQ(lots.ContentVersion(), antes) << "an assignment not yet posted";
    lots.Post();
    EXPECT_NE(lots.ContentVersion(), antes) << "a post that changed the row";
    antes = lots.ContentVersion();

    lots.Append();
    lots.FieldByName("id_item").SetAsInteger(9);
    lots.Post();
    EXPECT_NE(lots.ContentVersion(), antes) << "an insert";
    antes = lots.ContentVersion();

    lots.Delete();
    EXPECT_NE(lots.ContentVersion(), antes) << "a delete";
    antes = lots.ContentVersion();

    lots.CreateDataSet();
    EXPECT_NE(lots.ContentVersion(), antes) << "a new empty table";
    EXPECT_EQ(lots.RecordCount(), 0);
}

TEST_F(TableContentVersion, MovesWithALoadAndNeverComesBack) {
    const QTemporaryDir pasta;
    const QString arquivo = pasta.filePath(QStringLiteral("lotes.xml"));
    lots.SaveToFile(arquivo);
    const std::uint64_t salvo = lots.ContentVersion();
    lots.Close();
    lots.SetFileName(arquivo);
    lots.Open();
    // The rows are the same as before the close, but a caller cannot know that: a new load is a
    // new content, also when the version was never read in between.
    EXPECT_GT(lots.ContentVersion(), salvo);
    const std::uint64_t carregado = lots.ContentVersion();
    lots.Close();
    lots.Open();
    EXPECT_GT(lots.ContentVersion(), carregado);
}

TEST_F(TableContentVersion, StaysForWhatChangesNoStoredRow) {
    const std::uint64_t antes = lots.ContentVersion();

    lots.Next();
    lots.Last();
    lots.SetRecNo(1);
    lots.Locate(QStringLiteral("id_item"), TStoreValue(std::int64_t{2}));
    lots.SetIndexName(QStringLiteral("CDSLotesIndex1"));
    lots.SetFilter(QStringLiteral("id_item = 2"));
    lots.SetFiltered(true);
    lots.SetFiltered(false);
    // A post that leaves every value as it was, and a cancelled edit.
    lots.Edit();
    lots.FieldByName("descr_lote").SetAsString("Lote");
    lots.Post();
    lots.Edit();
    lots.FieldByName("descr_lote").SetAsString("Outro");
    lots.Cancel();
    // An insert that is cancelled stores nothing either.
    lots.Append();
    lots.Cancel();
    // Writing the table out changes no row of it.
    const QTemporaryDir pasta;
    lots.SaveToFile(pasta.filePath(QStringLiteral("lotes.xml")));

    EXPECT_EQ(lots.ContentVersion(), antes);
}

} // namespace
} // namespace quorvel
