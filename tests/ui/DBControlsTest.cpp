#include "UiTestTable.h"

#include "platform/ScriptedDialogs.h"
#include "ui/DBControls.h"
#include "ui/DBNavigator.h"

#include <QCoreApplication>
#include <QToolButton>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

class DBControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::BuildItems(table);
        source.SetDataSet(&table);
        edit.SetDataSource(&source);
        edit.SetDataField("material");
        memo.SetDataSource(&source);
        memo.SetDataField("compl_descr");
        total.SetDataSource(&source);
        total.SetDataField("SomaItens");
        price.SetDataSource(&source);
        price.SetDataField("preco_ini");
    }

    ScriptedDialogs dialogs;
    ScopedDialogService installed{dialogs};
    TStoreTable table;
    TDataSource source;
    TDBEdit edit;
    TDBMemo memo;
    TDBText total;
    TDBEdit price;
};

TEST_F(DBControlsTest, FieldControlsFollowTheCurrentRecordEditsAndTheTableClosing) {
    QCoreApplication::processEvents(); // the memo shows changes on the next turn of the event loop
    EXPECT_TRUE(edit.isReadOnly());
    EXPECT_TRUE(memo.isReadOnly());
    EXPECT_EQ(edit.text(), QStringLiteral("M-001"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("Linha 1\nLinha 2"));
    EXPECT_EQ(price.text(), QStringLiteral("1.234,5000"));
    EXPECT_EQ(total.text(), QStringLiteral("3.703,75")) << "3 x 1234,5 + 1 x 0,25";

    table.Next();
    table.Next();
    table.Prior();
    EXPECT_EQ(edit.text(), QStringLiteral("M-002"));
    QCoreApplication::processEvents();
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("Especificação"));
    EXPECT_EQ(price.text(), QString());

    table.Edit();
    table.FieldByName("preco_ini").SetAsFloat(10);
    EXPECT_EQ(price.text(), QStringLiteral("10,0000")) << "an assignment shows before the post";
    table.Post();
    EXPECT_EQ(total.text(), QStringLiteral("3.723,75")) << "the aggregate follows every post";

    table.SetFilter(QStringLiteral("preco_ini > 5000"));
    table.SetFiltered(true);
    EXPECT_EQ(edit.text(), QString()) << "no visible record";
    EXPECT_EQ(total.text(), QString()) << "an empty aggregate shows nothing";
    table.SetFiltered(false);

    table.Close();
    EXPECT_EQ(edit.text(), QString());
    QCoreApplication::processEvents();
    EXPECT_EQ(memo.toPlainText(), QString());
    table.Open();
    EXPECT_EQ(edit.text(), QStringLiteral("M-001"));
    edit.SetDataField("descr_item");
    EXPECT_EQ(edit.text(), QStringLiteral("Caneta azul"));
    edit.SetDataField("nao_existe");
    EXPECT_EQ(edit.text(), QString());
}

TEST_F(DBControlsTest, ControlsOutliveTheirDataSourceSafely) {
    auto source2 = std::make_unique<TDataSource>(&table);
    TDBEdit other;
    TDBNavigator navigator;
    other.SetDataSource(source2.get());
    other.SetDataField("material");
    navigator.SetDataSource(source2.get());
    source2.reset();
    EXPECT_EQ(other.DataSource(), nullptr);
    EXPECT_EQ(navigator.DataSource(), nullptr);
    table.Next(); // must not reach the destroyed source's links
    EXPECT_EQ(other.text(), QString());
    EXPECT_FALSE(navigator.Button(TNavigateBtn::Next)->isEnabled());
}

TEST_F(DBControlsTest, NavigatorEnablesWhatMakesSenseAndActsOnTheTable) {
    TDBNavigator nav;
    nav.SetVisibleButtons({TNavigateBtn::First, TNavigateBtn::Prior, TNavigateBtn::Next, TNavigateBtn::Last,
                           TNavigateBtn::Edit, TNavigateBtn::Post, TNavigateBtn::Cancel});
    EXPECT_FALSE(nav.IsButtonVisible(TNavigateBtn::Insert));
    EXPECT_FALSE(nav.IsButtonVisible(TNavigateBtn::Delete));
    EXPECT_FALSE(nav.IsButtonVisible(TNavigateBtn::Refresh));
    EXPECT_TRUE(nav.IsButtonVisible(TNavigateBtn::Cancel));
    EXPECT_FALSE(nav.Button(TNavigateBtn::First)->isEnabled()) << "no data source";

    nav.SetDataSource(&source);
    const auto enabled = [&] {
        std::string s;
        for (TNavigateBtn b :
             {TNavigateBtn::First, TNavigateBtn::Prior, TNavigateBtn::Next, TNavigateBtn::Last,
              TNavigateBtn::Edit, TNavigateBtn::Post, TNavigateBtn::Cancel})
            s += nav.Button(b)->isEnabled() ? '1' : '0';
        return s;
    };
    EXPECT_EQ(enabled(), "0011100") << "at the first record";
    nav.Button(TNavigateBtn::Last)->click();
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_EQ(enabled(), "1100100") << "at the last record";
    nav.Button(TNavigateBtn::Prior)->click();
    EXPECT_EQ(table.RecNo(), 2);

    nav.BtnClick(TNavigateBtn::Edit);
    EXPECT_EQ(table.State(), TTableState::Edit);
    EXPECT_EQ(enabled().substr(4), "011");
    table.FieldByName("marca").SetAsString("Nova");
    nav.BtnClick(TNavigateBtn::Cancel);
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_EQ(table.FieldByName("marca").AsString(), "");
    nav.BtnClick(TNavigateBtn::Edit);
    table.FieldByName("marca").SetAsString("Nova");
    nav.BtnClick(TNavigateBtn::Post);
    EXPECT_EQ(table.FieldByName("marca").AsString(), "Nova");

    // A failing action is shown, and the navigator shows the state the table is left in.
    nav.BtnClick(TNavigateBtn::Edit);
    table.FieldByName("marca").SetAsString("Outra");
    table.BeforePost = [](TStoreTable&) { throw EDatabaseError("Recusado"); };
    nav.BtnClick(TNavigateBtn::Post);
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{"Recusado"});
    EXPECT_EQ(table.State(), TTableState::Edit);
    EXPECT_EQ(enabled().substr(4), "011");

    table.Close();
    EXPECT_EQ(enabled(), "0000000");
}

} // namespace
} // namespace quorvel
