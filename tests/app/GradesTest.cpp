#include "QuorvelTestSupport.h"

#include "platform/FormatSettings.h"
#include "ui/DBControls.h"
#include "ui/DBGrid.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QTest>
#include <QThread>

#include <utility>

namespace quorvel::testing {
namespace {

// The real window driven through its grids: keys as the user types them.
class Grades : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Ltda"), QStringLiteral("Comercial"), QStringLiteral("1"));
    }

    static void PressKey(QWidget& alvo, int key, const QString& texto = QString()) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, texto);
        QApplication::sendEvent(&alvo, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, texto);
        QApplication::sendEvent(&alvo, &release);
    }
    static void TypeInto(QWidget& alvo, const QString& texto) {
        for (const QChar c : texto)
            PressKey(alvo, c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode(),
                     QString(c));
    }
    // Keys reach the cell editor once the grid has opened one, as the keyboard focus does.
    static void TypeIntoGrid(TDBGrid& grade, const QString& texto) {
        for (const QChar c : texto) {
            QWidget& alvo = grade.Editor() != nullptr ? static_cast<QWidget&>(*grade.Editor()) : grade;
            PressKey(alvo, c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode(),
                     QString(c));
        }
    }
    QStringList LotValues() {
        QStringList valores;
        for (int r = 0; r < Grid2().model()->rowCount(); ++r)
            valores << Grid2().model()->index(r, 1).data().toString();
        return valores;
    }
    static void SelectColumn(TDBGrid& grade, int coluna) {
        grade.setCurrentIndex(
            grade.model()->index(grade.currentIndex().row() < 0 ? 0 : grade.currentIndex().row(), coluna));
    }
    // Lets the window's timer run for a while, as a pause of the user does.
    static void WaitMs(int ms) {
        QElapsedTimer relogio;
        relogio.start();
        while (relogio.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
        }
    }

    Proposal SearchProposal() {
        Proposal p = ItemProposal(5);
        const char* descricoes[] = {"Borracha branca", "Cola branca 90 g", "CADEIRA giratória",
                                    "Apagador de quadro", "caixa arquivo"};
        for (int i = 0; i < 5; ++i)
            p.itens[static_cast<std::size_t>(i)].descrItem = descricoes[i];
        return p;
    }
};

TEST_F(Grades, ItemGridShowsTheColumnsAndTitlesOfEachMode) {
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(2))));
    QAbstractItemModel& modelo = *Grid1().model();
    QStringList titulos;
    for (int c = 0; c < modelo.columnCount(); ++c)
        titulos << modelo.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titulos,
              (QStringList{"material", "Descrição do Item", "Un.", "Qtde.", "Valor Item", "Total", "Marca"}));
    EXPECT_EQ(Grid1().columnWidth(1), 349);
    EXPECT_EQ(Grid1().columnWidth(4), 92);

    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(2, 2), QStringLiteral("lotes.xml"))));
    EXPECT_EQ(modelo.headerData(4, Qt::Horizontal).toString(), QStringLiteral("Valor Inicial"));
    EXPECT_EQ(Grid2().model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Descrição do Lote"));
    EXPECT_EQ(Grid2().model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Valor do Lote"));
    EXPECT_EQ(Grid2().model()->rowCount(), 2);
    EXPECT_EQ(modelo.rowCount(), 2);
    // Clicking the second lot makes the item grid follow it.
    Grid2().setCurrentIndex(Grid2().model()->index(1, 0));
    EXPECT_EQ(ColumnValues(Items(), "numitem"), (QStringList{"3", "4"}));
    EXPECT_EQ(modelo.index(0, 1).data().toString(), QStringLiteral("Item 3 do lote 2"));
}

TEST_F(Grades, IncrementalSearchFollowsTypingAndForgetsAfterASecond) {
    ASSERT_TRUE(OpenProposal(SaveProposal(SearchProposal())));
    TDBGrid& grade = Grid1();
    SelectColumn(grade, 1);

    TypeInto(grade, QStringLiteral("c"));
    EXPECT_EQ(TextOf(Items(), "descr_item"), QStringLiteral("Cola branca 90 g"));
    TypeInto(grade, QStringLiteral("a"));
    EXPECT_EQ(TextOf(Items(), "descr_item"), QStringLiteral("CADEIRA giratória"));
    EXPECT_EQ(form->SearchText(), QStringLiteral("ca"));

    // A pause longer than a second starts a new search.
    WaitMs(1300);
    EXPECT_TRUE(form->SearchText().isEmpty());
    TypeInto(grade, QStringLiteral("a"));
    EXPECT_EQ(TextOf(Items(), "descr_item"), QStringLiteral("Apagador de quadro"));

    // Backspace lengthens the text instead of shortening it: nothing matches, the row stays.
    PressKey(grade, Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(form->SearchText(), QStringLiteral("a\b"));
    TypeInto(grade, QStringLiteral("p"));
    EXPECT_EQ(TextOf(Items(), "descr_item"), QStringLiteral("Apagador de quadro"));
    EXPECT_EQ(Items().State(), TTableState::Browse);
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(Grades, SearchActsOnlyInItsColumnsAndInTheLotGridOnLotDescriptions) {
    Proposal p = LotProposal(3, 1);
    p.itens[1].descrLote = "Material de limpeza";
    p.itens[2].descrLote = "Mobiliário";
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));
    // The marca column takes the keys into a cell edit instead.
    SelectColumn(Grid1(), 6);
    TypeInto(Grid1(), QStringLiteral("m"));
    EXPECT_TRUE(form->SearchText().isEmpty());

    form->Timer1Timer();
    RunAction([this] { Items().Cancel(); });
    SelectColumn(Grid2(), 0);
    TypeInto(Grid2(), QStringLiteral("MO"));
    EXPECT_EQ(TextOf(Lots(), "descr_lote"), QStringLiteral("Mobiliário"));
    EXPECT_EQ(Items().Filter(), QStringLiteral("id_item = 3"));
}

TEST_F(Grades, DownArrowAndInsertAddNoRow) {
    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(2, 2))));
    Grid1().setCurrentIndex(Grid1().model()->index(1, 1));
    ASSERT_EQ(Items().RecNo(), 2);
    PressKey(Grid1(), Qt::Key_Down);
    PressKey(Grid1(), Qt::Key_Insert);
    Grid2().setCurrentIndex(Grid2().model()->index(1, 0));
    PressKey(Grid2(), Qt::Key_Down);
    PressKey(Grid2(), Qt::Key_Insert);

    EXPECT_EQ(Items().RecordCount(), 2);
    EXPECT_EQ(Grid1().model()->rowCount(), 2);
    EXPECT_EQ(Lots().RecordCount(), 2);
    EXPECT_EQ(Grid2().model()->rowCount(), 2);
    EXPECT_EQ(Items().State(), TTableState::Browse);
    EXPECT_EQ(Lots().State(), TTableState::Browse);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(Grades, PriceTypedInTheGridRollsUpIntoTheLotAndTheTotalLabel) {
    Proposal p = LotProposal(2, 3);
    p.itens[2].qtde = "3.000";
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));
    TDBText& total = ChildNamed<TDBText>(*form, "DBSomaItens");
    EXPECT_TRUE(total.text().isEmpty());

    Grid1().setCurrentIndex(Grid1().model()->index(2, 4));
    TypeIntoGrid(Grid1(), QStringLiteral("10,0000"));
    ASSERT_NE(Grid1().Editor(), nullptr);
    EXPECT_EQ(Grid1().Editor()->text(), QStringLiteral("10,0000"));
    EXPECT_EQ(Items().State(), TTableState::Edit);
    PressKey(*Grid1().Editor(), Qt::Key_Return, QStringLiteral("\r"));

    EXPECT_EQ(Items().State(), TTableState::Browse);
    EXPECT_EQ(Displayed(Items(), "preco_ini"), QStringLiteral("10,0000"));
    EXPECT_EQ(Grid2().model()->index(0, 1).data().toString(), QStringLiteral("30,0000"));
    EXPECT_EQ(total.text(), QStringLiteral("30,00"));
    EXPECT_EQ(Grid1().model()->index(2, 5).data().toString(), QStringLiteral("30,00"));
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(Grades, APriceBeingTypedIsCreditedToItsOwnLotWhenAnotherLotIsClicked) {
    Proposal p = LotProposal(3, 2); // quantities 1 and 2 in every lot
    p.itens[2].precoIni = "100.0000";
    p.itens[3].precoIni = "50.0000";
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));
    ASSERT_TRUE(ShowWindow());
    Click(Grid2(), 1, 0);
    ASSERT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("2"));
    EXPECT_EQ(LotValues(), (QStringList{"", "200,0000", ""}));

    // The second item of lot 2 gets a new price, still in its cell editor when lot 3 is clicked.
    Click(Grid1(), 1, 4);
    TypeIntoGrid(Grid1(), QStringLiteral("80,0000"));
    ASSERT_EQ(Items().State(), TTableState::Edit);
    Click(Grid2(), 2, 0);

    EXPECT_EQ(TextOf(Lots(), "id_item"), QStringLiteral("3"));
    EXPECT_EQ(LotValues(), (QStringList{"", "260,0000", ""}));
    EXPECT_EQ(ColumnValues(Items(), "numitem"), (QStringList{"5", "6"}));
    EXPECT_TRUE(TextOf(Items(), "SomaItens").isEmpty());
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();

    // Back on lot 2 the price is there and its total agrees with the lot grid.
    Click(Grid2(), 1, 0);
    EXPECT_EQ(ColumnValues(Items(), "preco_ini"), (QStringList{"100", "80"}));
    EXPECT_EQ(Displayed(Items(), "SomaItens"), QStringLiteral("260,00"));
}

TEST_F(Grades, TabAndEnterGoFromOneEditableColumnToTheNext) {
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(2))));
    ASSERT_TRUE(ShowWindow());
    TDBGrid& grade = Grid1();
    // Keys go where the keyboard focus is: the cell editor once one is open.
    const auto tecla = [&grade](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* alvo = grade.Editor() != nullptr ? static_cast<QWidget*>(grade.Editor()) : &grade;
        QTest::keyClick(alvo, key, mods);
    };
    const auto celula = [&grade] {
        return std::pair{grade.currentIndex().row(), grade.currentIndex().column()};
    };

    Click(grade, 0, 1);
    tecla(Qt::Key_Tab);
    EXPECT_EQ(celula(), std::pair(0, 4)) << "from the description to the price";
    TypeIntoGrid(grade, QStringLiteral("3,5"));
    tecla(Qt::Key_Tab);
    EXPECT_EQ(celula(), std::pair(0, 6)) << "past the read-only total to the brand";
    EXPECT_FALSE(grade.EditorMode());
    EXPECT_DOUBLE_EQ(Items().FieldByName(QStringLiteral("preco_ini")).AsFloat(), 3.5);
    TypeIntoGrid(grade, QStringLiteral("Acme"));
    tecla(Qt::Key_Return);
    EXPECT_EQ(celula(), std::pair(1, 4)) << "from the brand to the next row's price";
    EXPECT_EQ(Items().State(), TTableState::Browse);
    EXPECT_EQ(Items().RecNo(), 2);

    tecla(Qt::Key_Return);
    EXPECT_EQ(celula(), std::pair(1, 6));
    tecla(Qt::Key_Tab);
    EXPECT_EQ(celula(), std::pair(1, 6)) << "the last editable cell is the end";
    tecla(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(celula(), std::pair(1, 4));
    tecla(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(celula(), std::pair(0, 6)) << "back into the previous row's brand";
    EXPECT_EQ(Items().RecNo(), 1);
    EXPECT_EQ(TextOf(Items(), "marca"), QStringLiteral("Acme"));
    EXPECT_EQ(Displayed(Items(), "preco_ini"), QStringLiteral("3,5000"));
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
}

// Ctrl+Tab and Ctrl+Shift+Tab leave the item grid for the window's next and previous controls, also
// from an open cell editor (whose text is taken first); the buttons answer Alt and their letter.
TEST_F(Grades, CtrlTabLeavesTheGridAndTheButtonsHaveAccelerators) {
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(2))));
    ASSERT_TRUE(ShowWindow());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    TDBGrid& grade = Grid1();
    // Keys go to the control with the keyboard focus, as from the keyboard.
    const auto tecla = [](Qt::Key key, Qt::KeyboardModifiers mods) {
        QWidget* alvo = QApplication::focusWidget();
        ASSERT_NE(alvo, nullptr);
        QTest::keyClick(alvo, key, mods);
    };
    const auto naGrade = [&grade] {
        const QWidget* foco = QApplication::focusWidget();
        return foco == &grade || (foco != nullptr && grade.isAncestorOf(foco));
    };

    Click(grade, 0, 4);
    ASSERT_TRUE(naGrade());
    tecla(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_FALSE(naGrade()) << "Ctrl+Tab stayed in the grid";
    QWidget* depois = QApplication::focusWidget();
    Click(grade, 0, 4);
    tecla(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(naGrade()) << "Ctrl+Shift+Tab stayed in the grid";
    EXPECT_NE(QApplication::focusWidget(), depois) << "backwards is the other way out";

    Click(grade, 1, 4);
    TypeIntoGrid(grade, QStringLiteral("3,5"));
    ASSERT_TRUE(grade.EditorMode());
    tecla(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_FALSE(naGrade()) << "Ctrl+Tab from the cell editor stayed in the grid";
    EXPECT_FALSE(grade.EditorMode());
    EXPECT_EQ(QApplication::focusWidget(), depois);
    EXPECT_DOUBLE_EQ(Items().FieldByName(QStringLiteral("preco_ini")).AsFloat(), 3.5)
        << "the typed price is kept";

    // The captions are unchanged but for the underlined letter, and no two buttons share one.
    const std::pair<const char*, const char*> botoes[] = {{"BitBtn3", "&Salvar Dados"},
                                                          {"btnExpArquivo", "&Exportar"},
                                                          {"BitBtn1", "&Relatório"},
                                                          {"BtnConfig", "&Configurações"},
                                                          {"BitBtn2", "&Fechar"}};
    QStringList letras;
    for (const auto& [nome, texto] : botoes) {
        EXPECT_EQ(ChildNamed<QPushButton>(*form, nome).text(), QString::fromUtf8(texto)) << nome;
        letras << QKeySequence::mnemonic(QString::fromUtf8(texto)).toString();
    }
    letras.removeDuplicates();
    EXPECT_EQ(letras.size(), 5) << letras.join(u' ').toStdString();
    // Alt+R presses "Relatório": the selection dialog comes up.
    bool aberto = false;
    WhenDialogShown<QDialog>(*form, "report-selection dialog", [&](QDialog& dialogo) {
        aberto = true;
        dialogo.reject();
    });
    // Through the window, where the window system's key events meet the shortcuts.
    // The button presses itself a moment later, as a click looks on the screen.
    QTest::keyClick(form->windowHandle(), Qt::Key_R, Qt::AltModifier);
    for (int volta = 0; volta < 500 && !aberto; ++volta)
        WaitMs(10);
    EXPECT_TRUE(aberto);
}

TEST_F(Grades, WithoutARealLocaleQuantitiesAndTypedPricesUseBrazilianSeparators) {
    // A fresh system hands the program the C locale, where "12,50" is no number.
    QLocale::setDefault(QLocale::c());
    struct Restorer {
        ~Restorer() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
    } restaura;
    UseProgramLocale(LocaleEnvironment{QString(), QString(), QStringLiteral("C.UTF-8")});

    Proposal p = ItemProposal(1);
    p.itens[0].qtde = "1500.000";
    ASSERT_TRUE(OpenProposal(SaveProposal(p)));
    ASSERT_TRUE(ShowWindow());
    EXPECT_EQ(Grid1().model()->index(0, 3).data().toString(), QStringLiteral("1.500,0000"));
    Click(Grid1(), 0, 4);
    TypeIntoGrid(Grid1(), QStringLiteral("12,50"));
    QTest::keyClick(Grid1().Editor(), Qt::Key_Return);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Items().State(), TTableState::Browse);
    EXPECT_EQ(Grid1().model()->index(0, 4).data().toString(), QStringLiteral("12,5000"));
    EXPECT_EQ(Grid1().model()->index(0, 5).data().toString(), QStringLiteral("18.750,00"));
}

} // namespace
} // namespace quorvel::testing
