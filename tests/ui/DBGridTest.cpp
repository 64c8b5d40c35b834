#include "UiTestTable.h"

#include "platform/ScriptedDialogs.h"
#include "ui/DBGrid.h"
#include "ui/QtDialogs.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// Counts the failures QAbstractItemModelTester reports as warnings.
class ModelTesterFailures {
public:
    ModelTesterFailures() {
        failures = 0;
        previous_ = qInstallMessageHandler(&Handler);
    }
    ~ModelTesterFailures() { qInstallMessageHandler(previous_); }
    static inline int failures = 0;
    static inline std::string last;

private:
    static void Handler(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtWarningMsg && message.contains(QStringLiteral("FAIL"))) {
            ++failures;
            last = message.toStdString();
        }
    }
    QtMessageHandler previous_;
};

class DBGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::BuildItems(table);
        source.SetDataSet(&table);
        grid.SetDataSource(&source);
        grid.SetColumns({{"material", "", 80, false},
                         {"descr_item", "", 200, false},
                         {"qtde", "Qtde.", 72, false},
                         {"preco_ini", "Valor Item", 92, false},
                         {"totitem", "Total", 110, false},
                         {"marca", "Marca", 104, false}});
        grid.resize(800, 300);
        grid.show();
        grid.setFocus();
    }

    QString Cell(int row, int column, int role = Qt::DisplayRole) const {
        return grid.Model().data(grid.Model().index(row, column), role).toString();
    }
    void SelectCell(int row, int column) { grid.setCurrentIndex(grid.Model().index(row, column)); }
    // Types text as the user does: the first key opens the editor, the rest go to it.
    void Type(const QString& text) {
        QTest::keyClick(&grid, text.at(0).toLatin1());
        ASSERT_TRUE(grid.EditorMode());
        if (text.size() > 1) QTest::keyClicks(grid.Editor(), text.mid(1));
    }
    void EditorKey(Qt::Key key) {
        ASSERT_TRUE(grid.EditorMode());
        QTest::keyClick(grid.Editor(), key);
    }

    ScriptedDialogs dialogs;
    ScopedDialogService installed{dialogs};
    TStoreTable table;
    TDataSource source;
    TDBGrid grid;
};

TEST_F(DBGridTest, CellsShowDisplayFormatsInTheLocaleAndTitlesFromColumnsOrLabels) {
    ASSERT_EQ(grid.Model().rowCount(), 3);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("M-001"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("3,0000"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("1.234,5000"));
    EXPECT_EQ(Cell(0, 4), QStringLiteral("3.703,50"));
    EXPECT_EQ(Cell(1, 3), QString()) << "no price shows as nothing";
    EXPECT_EQ(Cell(1, 4), QStringLiteral("0,00")) << "the calculated total is computed per row";
    EXPECT_EQ(Cell(0, 3, Qt::EditRole), QStringLiteral("1.234,5000"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("caderno"));

    const auto title = [&](int c) { return grid.Model().headerData(c, Qt::Horizontal).toString(); };
    EXPECT_EQ(title(0), QStringLiteral("material"));
    EXPECT_EQ(title(1), QStringLiteral("Descrição do Item"));
    EXPECT_EQ(title(3), QStringLiteral("Valor Item"));
    grid.SetColumnTitle(3, QStringLiteral("Valor Inicial"));
    EXPECT_EQ(title(3), QStringLiteral("Valor Inicial"));
    EXPECT_EQ(grid.columnWidth(1), 200);

    // Only stored, writable fields in columns that allow it can be typed into.
    std::vector<bool> editable;
    for (int c = 0; c < 6; ++c)
        editable.push_back(grid.Model().flags(grid.Model().index(0, c)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(editable, (std::vector<bool>{true, true, false, true, false, true}));
    auto columns = grid.Columns();
    columns[0].ReadOnly = true;
    grid.SetColumns(columns);
    EXPECT_FALSE(grid.Model().flags(grid.Model().index(0, 0)).testFlag(Qt::ItemIsEditable));
}

TEST_F(DBGridTest, ATypedPriceIsReadInTheLocaleAndPostedByEnter) {
    SelectCell(1, 3);
    EXPECT_EQ(table.RecNo(), 2) << "the grid's current row moves the table";
    Type("10,5");
    EXPECT_EQ(table.State(), TTableState::Edit) << "the first change puts the table into edit state";
    EditorKey(Qt::Key_Return);
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_DOUBLE_EQ(table.FieldByName("preco_ini").AsFloat(), 10.5);
    EXPECT_EQ(Cell(1, 3), QStringLiteral("10,5000"));
    EXPECT_EQ(Cell(1, 4), QStringLiteral("21,00"));
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(DBGridTest, TheGroupedEditTextCanBeTypedBackAndEscapeCancels) {
    SelectCell(0, 3);
    Type("2");
    QTest::keyClick(grid.Editor(), Qt::Key_Backspace);
    QTest::keyClicks(grid.Editor(), "1.000,25");
    EditorKey(Qt::Key_Enter);
    EXPECT_DOUBLE_EQ(table.FieldByName("preco_ini").AsFloat(), 1000.25);

    Type("99");
    EXPECT_EQ(table.State(), TTableState::Edit);
    EditorKey(Qt::Key_Escape);
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_DOUBLE_EQ(table.FieldByName("preco_ini").AsFloat(), 1000.25);
    EXPECT_EQ(Cell(0, 3), QStringLiteral("1.000,2500"));
}

TEST_F(DBGridTest, LeavingTheRowPostsTheTypedValue) {
    SelectCell(0, 5);
    Type("Acme");
    EditorKey(Qt::Key_Down);
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_EQ(grid.currentIndex().row(), 1);
    table.First();
    EXPECT_EQ(table.FieldByName("marca").AsQString(), QStringLiteral("Acme"));

    // Clicking another row with a pending edit posts it too.
    SelectCell(0, 5);
    Type("Beta");
    SelectCell(2, 1);
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_EQ(Cell(0, 5), QStringLiteral("Beta"));
}

TEST_F(DBGridTest, ATextThatIsNoNumberIsReportedAndTheEditStays) {
    SelectCell(0, 3);
    Type("abc");
    EditorKey(Qt::Key_Return);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(dialogs.Messages()[0].text.contains(QStringLiteral("abc")));
    EXPECT_EQ(table.State(), TTableState::Edit);
    EXPECT_TRUE(grid.EditorMode()) << "the user can correct the text";
    EXPECT_DOUBLE_EQ(table.FieldByName("preco_ini").AsFloat(), 1234.5);

    // A number too large for the field is described, not shown as the store's bare code.
    QTest::keyClick(grid.Editor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(grid.Editor(), "123456789012");
    EditorKey(Qt::Key_Return);
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    EXPECT_EQ(
        dialogs.Messages()[1].text,
        QStringLiteral("O valor \"123456789012\" não pôde ser gravado em \"preco_ini\": um valor não cabe no "
                       "campo a que se destina (erro 9985)"));
    EXPECT_TRUE(grid.EditorMode());
    EXPECT_DOUBLE_EQ(table.FieldByName("preco_ini").AsFloat(), 1234.5);
}

// With the program's own message boxes (modal, taking the focus from the editor): a price typed with
// the wrong separator is reported once, with the store's text, and the editor stays on its cell with
// the text, so that the user corrects it and posts.
TEST_F(DBGridTest, AMistypedPriceIsReportedOnceByARealMessageBoxAndTheEditStays) {
    QtDialogService real;
    ScopedDialogService shown{real};
    QStringList boxes;
    QTimer answer;
    int waited = 0;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        // Answered once it has the focus, as a person answers it (or, one that never gets the
        // focus, after two hundred looks).
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || (QApplication::activeWindow() != box && ++waited < 200)) return;
        waited = 0;
        boxes << box->text();
        box->accept();
    });
    answer.start(10);
    grid.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
    SelectCell(0, 3);
    Type("7.5");
    EditorKey(Qt::Key_Return); // the box is shown and answered before the key returns
    EXPECT_EQ(boxes,
              QStringList{QStringLiteral("'7.5' is not a valid floating point value for field 'preco_ini'")});
    ASSERT_TRUE(grid.EditorMode()) << "the edit stays open on the cell";
    EXPECT_EQ(grid.Editor()->text(), QStringLiteral("7.5"));
    EXPECT_EQ(grid.currentIndex(), grid.Model().index(0, 3));
    EXPECT_EQ(table.State(), TTableState::Edit);

    QTest::keyClick(grid.Editor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(grid.Editor(), "7,5");
    EditorKey(Qt::Key_Return);
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_DOUBLE_EQ(table.FieldByName("preco_ini").AsFloat(), 7.5);
}

TEST_F(DBGridTest, KeyPressHandlerSeesCharactersFirstAndCanConsumeThem) {
    QString seen;
    bool consume = false;
    grid.OnKeyPress = [&](TDBGrid& g, QChar& key) {
        EXPECT_EQ(&g, &grid);
        seen += key;
        if (consume) key = QChar();
    };
    SelectCell(0, 1);
    auto columns = grid.Columns();
    columns[1].ReadOnly = true; // a search column
    grid.SetColumns(columns);
    SelectCell(0, 1);
    QTest::keyClicks(&grid, "ca");
    QTest::keyClick(&grid, Qt::Key_Backspace);
    EXPECT_EQ(seen, QStringLiteral("ca\b"));
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ(table.RecNo(), 1) << "typing in a read-only column does not move the table by itself";

    // In an editable column the key reaches the handler once, then starts the edit.
    seen.clear();
    SelectCell(0, 5);
    Type("xy");
    EXPECT_EQ(seen, QStringLiteral("xy"));
    EXPECT_EQ(grid.Editor()->text(), QStringLiteral("xy"));
    EditorKey(Qt::Key_Escape);

    consume = true;
    seen.clear();
    QTest::keyClick(&grid, 'z');
    EXPECT_EQ(seen, QStringLiteral("z"));
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ(table.State(), TTableState::Browse);
}

TEST_F(DBGridTest, MovingDownPastTheLastRowTriesAnAppendThatBeforeInsertMayRefuse) {
    SelectCell(2, 1);
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Insert);
    EXPECT_EQ(grid.Model().rowCount(), 3);
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_TRUE(dialogs.Calls().empty()) << "a refused insert is silent";

    table.SetTag(kTagBuilding);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(table.State(), TTableState::Insert);
    EXPECT_EQ(grid.Model().rowCount(), 4);
    EXPECT_EQ(grid.currentIndex().row(), 3);
    QTest::keyClick(&grid, Qt::Key_Down); // already on an untouched new row
    EXPECT_EQ(grid.Model().rowCount(), 4);
    QTest::keyClick(&grid, Qt::Key_Up); // leaving it untouched drops it
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_EQ(grid.Model().rowCount(), 3);
    EXPECT_EQ(table.RecNo(), 3);

    QTest::keyClick(&grid, Qt::Key_Down);
    ASSERT_EQ(table.State(), TTableState::Insert);
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_EQ(grid.Model().rowCount(), 3);
}

TEST_F(DBGridTest, TheGridFollowsTheTableWithoutBeingTold) {
    table.Last();
    EXPECT_EQ(grid.currentIndex().row(), 2);
    table.First();
    table.Next();
    EXPECT_EQ(grid.currentIndex().row(), 1);

    table.Edit();
    table.FieldByName("preco_ini").SetAsFloat(2);
    EXPECT_EQ(Cell(1, 3), QStringLiteral("2,0000")) << "the edit buffer shows while editing";
    table.Cancel();
    EXPECT_EQ(Cell(1, 3), QString());

    table.SetFilter(QStringLiteral("preco_ini > 1"));
    table.SetFiltered(true);
    EXPECT_EQ(grid.Model().rowCount(), 1);
    table.SetFiltered(false);
    EXPECT_EQ(grid.Model().rowCount(), 3);

    table.Close();
    EXPECT_EQ(grid.Model().rowCount(), 0);
    EXPECT_FALSE(grid.Model().flags(grid.Model().index(0, 3)).testFlag(Qt::ItemIsEditable));
}

TEST_F(DBGridTest, TheModelStaysConsistentThroughEveryKindOfChange) {
    ModelTesterFailures failures;
    QAbstractItemModelTester tester(&grid.Model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    // The row count as the views learn it from the model's signals alone.
    QAbstractItemModel& model = grid.Model();
    int announced = model.rowCount();
    QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) { announced += last - first + 1; });
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                     [&](const QModelIndex&, int first, int last) { announced -= last - first + 1; });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { announced = model.rowCount(); });
    const auto live = [&] { return table.Active() && source.Enabled() ? table.ViewCount() : 0; };
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"last", [&] { table.Last(); }},
        {"edit and post",
         [&] {
             table.Edit();
             table.FieldByName("marca").SetAsString("X");
             table.Post();
         }},
        {"append",
         [&] {
             table.SetTag(kTagBuilding);
             table.Append();
         }},
        {"cancel the append", [&] { table.Cancel(); }},
        {"insert", [&] { table.Insert(); }},
        {"post the insert",
         [&] {
             table.FieldByName("material").SetAsString("M-000");
             table.Post();
             table.SetTag(kTagNormal);
         }},
        {"filter on",
         [&] {
             table.SetFilter(QStringLiteral("preco_ini > 1"));
             table.SetFiltered(true);
         }},
        {"filter off", [&] { table.SetFiltered(false); }},
        {"order", [&] { table.SetIndexFieldNames(QStringLiteral("descr_item")); }},
        {"delete", [&] { table.Delete(); }},
        {"close", [&] { table.Close(); }},
        {"open", [&] { table.Open(); }},
        {"disable the source", [&] { source.SetEnabled(false); }},
        {"enable the source", [&] { source.SetEnabled(true); }},
    };
    for (const auto& [name, step] : steps) {
        step();
        EXPECT_EQ(announced, live()) << name;
        EXPECT_EQ(model.rowCount(), live()) << name;
        if (live() > 0) {
            EXPECT_EQ(grid.currentIndex().row(), table.CurrentViewIndex()) << name;
        }
    }
    EXPECT_EQ(failures.failures, 0) << failures.last;
}

TEST(GroupedNumbers, OnlyProperGroupingIsRemoved) {
    const QChar dot('.'), comma(',');
    EXPECT_EQ(StripThousandsGrouping("1.234,5", dot, comma), QStringLiteral("1234,5"));
    EXPECT_EQ(StripThousandsGrouping("-12.345.678", dot, comma), QStringLiteral("-12345678"));
    EXPECT_EQ(StripThousandsGrouping("10.5", dot, comma), QStringLiteral("10.5")) << "not a grouping";
    EXPECT_EQ(StripThousandsGrouping("1.23,4", dot, comma), QStringLiteral("1.23,4"));
    EXPECT_EQ(StripThousandsGrouping("1234,5", dot, comma), QStringLiteral("1234,5"));
    EXPECT_EQ(StripThousandsGrouping("1,234.5", comma, dot), QStringLiteral("1234.5"));
}

} // namespace
} // namespace quorvel
