#include "QuorvelTestSupport.h"

#include "ui/FolderChooser.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace quorvel::testing {
namespace {

// Every visible caption of a window (labels, buttons, radio buttons, group-box titles) that is given
// less room than it needs to show its text in full.
QStringList ClippedTexts(const QWidget& janela) {
    QStringList cortados;
    for (const QWidget* w : janela.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&janela)) continue;
        QString texto;
        QSize preciso;
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            texto = label->text();
            preciso = label->sizeHint();
        } else if (const auto* botao = qobject_cast<const QAbstractButton*>(w)) {
            texto = botao->text();
            preciso = botao->sizeHint();
        } else if (const auto* grupo = qobject_cast<const QGroupBox*>(w)) {
            texto = grupo->title();
            preciso = grupo->minimumSizeHint();
        }
        if (texto.isEmpty()) continue;
        if (w->width() < preciso.width() || w->height() < preciso.height())
            cortados << QStringLiteral("%1 \"%2\": %3x%4 < %5x%6")
                            .arg(w->objectName(), texto)
                            .arg(w->width())
                            .arg(w->height())
                            .arg(preciso.width())
                            .arg(preciso.height());
    }
    return cortados;
}

class Leiaute : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Comercial Ltda"), QStringLiteral("Comercial"), QStringLiteral("1"));
    }
};

// The dialogs and the main window, run on its own at 1.0 and, through
// ScaledScreensShowEveryTextInFull, again at 1.25 and 1.5.
TEST_F(Leiaute, EveryTextOfTheDialogAndTheMainWindowShowsInFull) {
    TFormDadosForn dialogo(ConfigFile(), form.get());
    dialogo.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialogo));
    EXPECT_TRUE(ClippedTexts(dialogo).isEmpty())
        << ClippedTexts(dialogo).join(QLatin1Char('\n')).toStdString();
    dialogo.hide();

    FolderChooser pasta(QStringLiteral("Selecione a pasta de destino"), QDir::tempPath(), form.get());
    pasta.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pasta));
    EXPECT_TRUE(ClippedTexts(pasta).isEmpty()) << ClippedTexts(pasta).join(QLatin1Char('\n')).toStdString();
    pasta.hide();

    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(3, 2))));
    ASSERT_TRUE(ShowWindow());
    EXPECT_TRUE(ClippedTexts(*form).isEmpty()) << ClippedTexts(*form).join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(OpenProposal(SaveProposal(ItemProposal(3), QStringLiteral("itens.xml"))));
    EXPECT_TRUE(ClippedTexts(*form).isEmpty()) << ClippedTexts(*form).join(QLatin1Char('\n')).toStdString();
}

TEST(LeiauteEscalado, ScaledScreensShowEveryTextInFull) {
    for (const char* escala : {"1.25", "1.5"}) {
        QProcess teste;
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(escala));
        teste.setProcessEnvironment(ambiente);
        teste.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=Leiaute.EveryTextOfTheDialogAndTheMainWindowShowsInFull")});
        ASSERT_TRUE(teste.waitForFinished(60000)) << escala;
        const QByteArray saida = teste.readAllStandardOutput() + teste.readAllStandardError();
        EXPECT_EQ(teste.exitCode(), 0) << "scale " << escala << ":\n" << saida.toStdString();
        EXPECT_TRUE(saida.contains("[  PASSED  ] 1 test.")) << saida.toStdString();
    }
}

TEST_F(Leiaute, ResizingStretchesTheGridTheMemoAndThePathAndKeepsTheButtonsBottomRight) {
    ASSERT_TRUE(OpenProposal(SaveProposal(LotProposal(2, 2))));
    ASSERT_TRUE(ShowWindow());
    QWidget& grade = Grid1();
    QWidget& memo = ChildNamed(*form, "DBMemo1");
    QWidget& caminho = ChildNamed(*form, "EdArquivo");
    QWidget& lotes = Grid2();
    QWidget& fechar = ChildNamed(*form, "BitBtn2");
    QWidget& salvar = ChildNamed(*form, "BitBtn3");
    const auto emJanela = [this](const QWidget& w) {
        return QRect(w.mapTo(form.get(), QPoint(0, 0)), w.size());
    };
    const QRect grade0 = emJanela(grade);
    const QRect memo0 = emJanela(memo);
    const QRect caminho0 = emJanela(caminho);
    const QRect lotes0 = emJanela(lotes);
    const QSize janela0 = form->size();
    const QPoint cantoFechar0 = QPoint(janela0.width(), janela0.height()) - emJanela(fechar).bottomRight();

    form->resize(janela0 + QSize(300, 200));
    QTest::qWait(10);
    ASSERT_EQ(form->size(), janela0 + QSize(300, 200));
    EXPECT_EQ(emJanela(grade).size(), grade0.size() + QSize(300, 200)) << "the item grid takes the room";
    EXPECT_EQ(emJanela(memo).width(), memo0.width() + 300);
    EXPECT_EQ(emJanela(memo).height(), memo0.height());
    EXPECT_EQ(emJanela(caminho).width(), caminho0.width() + 300);
    EXPECT_EQ(emJanela(lotes).width(), lotes0.width() + 300);
    EXPECT_EQ(emJanela(lotes).height(), lotes0.height());
    EXPECT_EQ(QPoint(form->width(), form->height()) - emJanela(fechar).bottomRight(), cantoFechar0)
        << "the button row stays at the bottom right";
    EXPECT_EQ(fechar.size(), QSize(100, 30));
    EXPECT_EQ(emJanela(fechar).left() - emJanela(salvar).left(), 4 * 108);
}

} // namespace
} // namespace quorvel::testing
