// "Relatório" → "Visualizar na Tela" through the standard preview window the program registers:
// the window shows the report's pages, zooms, searches, saves, and closes back to the grid.

#include "QuorvelTestSupport.h"

#include "app/UFormSelRelatorio.h"
#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "report/Qrprntr.h"
#include "report/pagestore/QrprntrFilter.h"
#include "report/preview/Qrprev.h"
#include "report/preview/QrprevInterface.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <algorithm>

namespace quorvel::testing {
namespace {

QString Example(const char* nome) {
    return QDir::cleanPath(QStringLiteral(QUORVEL_TEST_DATA "/../../examples/") + QString::fromLatin1(nome));
}

// Runs script once on the first visible window of type W for which ready holds; polls every 5 ms.
// A window still not ready after ten seconds is closed and the test fails.
template <class W>
QPointer<QTimer> WhenShown(QObject& dono, std::function<bool(W&)> ready, std::function<void(W&)> script) {
    auto* sonda = new QTimer(&dono);
    sonda->setInterval(5);
    auto voltas = std::make_shared<int>(0);
    QObject::connect(sonda, &QTimer::timeout, &dono, [sonda, ready, script, voltas] {
        const bool desiste = ++*voltas > 2000;
        for (QWidget* janela : QApplication::topLevelWidgets()) {
            auto* alvo = qobject_cast<W*>(janela);
            if (alvo == nullptr || !alvo->isVisible()) continue;
            if (!desiste && !ready(*alvo)) continue;
            sonda->stop();
            sonda->deleteLater();
            if (desiste) {
                ADD_FAILURE() << alvo->metaObject()->className() << " was not ready in time";
                alvo->close();
            } else {
                script(*alvo);
            }
            return;
        }
    });
    sonda->start();
    return sonda;
}

// The search dialog, when it opens, is answered with text (without "Match case").
void AnswerSearchDialog(const QString& texto) {
    QTimer::singleShot(0, [texto] {
        auto* dialogo = qobject_cast<TSearchDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialogo, nullptr);
        ChildNamed<QLineEdit>(*dialogo, "Edit1").setText(texto);
        ChildNamed<QCheckBox>(*dialogo, "CheckBox1").setChecked(false);
        ChildNamed<QPushButton>(*dialogo, "SpeedButton2").click();
    });
}

int FilterIndex(const QString& extensao) {
    const auto& filtros = QRExportFilterLibrary().Filters();
    for (std::size_t i = 0; i < filtros.size(); ++i)
        if (filtros[i].Extension.compare(extensao, Qt::CaseInsensitive) == 0) return static_cast<int>(i) + 2;
    return -1;
}

// What the preview window showed of one run of "Visualizar na Tela", read before it was closed.
struct PreviewSeen {
    bool vista = false;
    int paginas = 0;
    QStringList textos; // every page's texts, page after page
    QString status;
    int zoomInicial = 0, zoomAjustado = 0, zoomLargura = 0;
    QStringList achados; // search results for "total"
};

// With QUORVEL_PREVIEW_SHOTS naming a folder, the window is also saved there as a picture, for a
// person to look at.
void Snapshot(QWidget& janela, const QString& nome) {
    const QString pasta = qEnvironmentVariable("QUORVEL_PREVIEW_SHOTS");
    if (!pasta.isEmpty()) janela.grab().save(QDir(pasta).filePath(nome + QStringLiteral(".png")));
}

class RelatorioNaTela : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Papelaria Exemplo"), QStringLiteral("12.345.678/0001-90"),
                    QStringLiteral("0"));
        RegisterStandardPreview();
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        RegisterPreviewClass(nullptr);
        RegisterProgressWindowClass(nullptr);
        QuorvelFixture::TearDown();
    }

    // Opens the proposal, presses "Relatório" and "Visualizar na Tela" in the chosen order, and
    // works the window once the report is finished: zooms on a 600 × 800 control, searches, runs
    // extra (the saves), closes it and leaves the dialog.
    PreviewSeen PreviewRun(const QString& proposta, int ordem, const QString& foto,
                           std::function<void(TQRStandardPreview&)> extra = {}) {
        PreviewSeen previa;
        if (!OpenProposal(proposta)) return previa;
        if (!ShowWindow()) return previa;
        const QPointer<QTimer> sondaPrevia = WhenShown<TQRStandardPreview>(
            *form,
            [](TQRStandardPreview& janela) {
                // Finished and handed back by the pass: a save runs the report once more, which
                // a report still generating refuses.
                return janela.PageStore() && janela.PageStore()->Status() == TQRPrinterStatus::mpFinished &&
                       janela.PageStore()->PagesGenerated();
            },
            [&previa, foto, extra](TQRStandardPreview& janela) {
                TQRPrinter& loja = *janela.PageStore();
                previa.paginas = loja.PageCount();
                for (int n = 1; n <= previa.paginas; ++n)
                    for (const TMetafileText& texto : MetafileTexts(*loja.GetPage(n)))
                        previa.textos << texto.Text;
                previa.status = janela.StatusText(1);
                previa.zoomInicial = static_cast<int>(janela.QRPreview().ZoomMode());
                Snapshot(janela, foto);
                janela.QRPreview().resize(600, 800);
                janela.ZoomToFitClick();
                if (janela.QRPreview().ZoomMode() == TQRZoomState::qrZoomToFit)
                    previa.zoomAjustado = janela.QRPreview().Zoom();
                janela.ZoomToWidthClick();
                if (janela.QRPreview().ZoomMode() == TQRZoomState::qrZoomToWidth)
                    previa.zoomLargura = janela.QRPreview().Zoom();
                AnswerSearchDialog(QStringLiteral("total"));
                janela.FindButtonClick();
                const auto& resultados = ChildNamed<QListWidget>(janela, "SearchResultBox");
                for (int i = 0; i < resultados.count(); ++i)
                    previa.achados << resultados.item(i)->text();
                if (extra) extra(janela);
                previa.vista = true;
                janela.close();
            });
        const QPointer<QTimer> sondaDialogo = WhenShown<TFormSelRelatorio>(
            *form, [](TFormSelRelatorio&) { return true; },
            [ordem](TFormSelRelatorio& dialogo) {
                ChildNamed<QComboBox>(dialogo, "cbxOrdem").setCurrentIndex(ordem);
                QTest::mouseClick(&ChildNamed<QPushButton>(dialogo, "btTela"), Qt::LeftButton);
                QTest::keyClick(&dialogo, Qt::Key_Escape);
            });
        QTest::mouseClick(&ChildNamed<QPushButton>(*form, "BitBtn1"), Qt::LeftButton);
        // A window that never showed leaves its probe behind; it must not outlive this run.
        delete sondaPrevia.data();
        delete sondaDialogo.data();
        return previa;
    }

    QString CopyIn(const QString& origem, const QString& nome) {
        const QString copia = DataPath(nome);
        return QFile::copy(origem, copia) ? copia : QString();
    }

    void WaitForNumberOrder() {
        const QStringList ordem = ColumnValues(Items(), "numitem");
        QStringList ordenada = ordem;
        std::stable_sort(ordenada.begin(), ordenada.end(),
                         [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
        EXPECT_EQ(ordem, ordenada) << "the grid is back in numitem order";
    }
};

TEST_F(RelatorioNaTela, LotExampleShowsItsLotsSearchesSavesAndClosesBackToNumberOrder) {
    const QString salvo = DataPath(QStringLiteral("relatorio.qrp"));
    const QString pdf = DataPath(QStringLiteral("relatorio.pdf"));
    int filtroPdf = -1;
    const PreviewSeen previa =
        PreviewRun(CopyIn(Example("proposta-por-lote.xml"), QStringLiteral("lote.xml")), 1,
                   QStringLiteral("lotes"), [&](TQRStandardPreview& janela) {
                       // The preview's own file, then the report form's PDF filter.
                       dialogs.QueueSaveFile(SaveFileChoice{salvo, 1});
                       janela.SaveClick();
                       filtroPdf = FilterIndex(QStringLiteral("PDF"));
                       dialogs.QueueSaveFile(SaveFileChoice{pdf, filtroPdf});
                       janela.SaveClick();
                   });
    ASSERT_TRUE(previa.vista) << "the preview window did not show a finished report";
    ASSERT_EQ(previa.paginas, 1);
    EXPECT_EQ(previa.status, QStringLiteral("Page 1 of 1"));
    EXPECT_EQ(previa.zoomInicial, static_cast<int>(TQRZoomState::qrZoomToWidth));
    // An A4 page on a 600 × 800 control: min(600 ÷ 794 × 95, 800 ÷ 1123 × 95) and 600 ÷ 794 × 90.
    EXPECT_EQ(previa.zoomAjustado, 68);
    EXPECT_EQ(previa.zoomLargura, 68);
    // Without "Match case" the word finds the column head "Valor Total".
    EXPECT_EQ(previa.achados, QStringList{QStringLiteral("Page 1")});
    for (const char* esperado : {"Relatório da Digitação das Propostas", "Fornecedor: Papelaria Exemplo",
                                 "Pregão: PE", "POR LOTE", "Descrição do Lote", "Valor do Lote", "Item/Un.",
                                 "Valor Total", "Tavinor Informática Ltda.", "Página:1"})
        EXPECT_TRUE(previa.textos.contains(QString::fromUtf8(esperado))) << esperado;

    QFile arquivo(salvo);
    ASSERT_TRUE(arquivo.open(QIODevice::ReadOnly));
    const QByteArray bytes = arquivo.readAll();
    ASSERT_GE(bytes.size(), 128 + 8 + 44);
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 8), 1) << "page count in the header";
    EXPECT_EQ(bytes.mid(128 + 8 + 40, 4), QByteArray(" EMF")) << "the page is a plain metafile";

    EXPECT_GT(filtroPdf, 1) << "the report form offers its PDF filter";
    for (const DialogCall& call : dialogs.Calls())
        if (call.kind == DialogCall::Kind::Message) ADD_FAILURE() << "message: " << call.text.toStdString();

    QFile documento(pdf);
    ASSERT_TRUE(documento.open(QIODevice::ReadOnly));
    const QByteArray conteudo = documento.readAll();
    EXPECT_TRUE(conteudo.startsWith("%PDF-1.3\r\n"));
    EXPECT_TRUE(conteudo.contains("(Valor Total) Tj"));
    EXPECT_EQ(conteudo.count("/Type /Page\r\n"), 1);

    WaitForNumberOrder();
}

TEST_F(RelatorioNaTela, PricedItemsShowInTheItemLayoutAndTheUnpricedExampleShowsNoPage) {
    const PreviewSeen itens =
        PreviewRun(CopyIn(QStringLiteral(QUORVEL_TEST_DATA "/report/itens-precificados.xml"),
                          QStringLiteral("itens.xml")),
                   0, QStringLiteral("itens"));
    ASSERT_TRUE(itens.vista);
    EXPECT_EQ(itens.paginas, 1);
    EXPECT_EQ(itens.status, QStringLiteral("Page 1 of 1"));
    EXPECT_EQ(itens.achados, QStringList{QStringLiteral("Page 1")}) << "the column head \"Total\"";
    for (const char* esperado : {"POR ITEM", "Pregão: PE - 137/2026", "Especificação do Material", "Chamex"})
        EXPECT_TRUE(itens.textos.contains(QString::fromUtf8(esperado))) << esperado;
    EXPECT_EQ(Items().IndexName(), QStringLiteral("CDSDigitacaoIndex2"));
    WaitForNumberOrder();

    // The handed-out item example has no prices yet: every item band is left out and no page is
    // begun, so the window has nothing to show.
    const PreviewSeen vazio = PreviewRun(CopyIn(Example("proposta-por-item.xml"), QStringLiteral("item.xml")),
                                         0, QStringLiteral("vazio"));
    ASSERT_TRUE(vazio.vista);
    EXPECT_EQ(vazio.paginas, 0);
    EXPECT_TRUE(vazio.textos.isEmpty());
    WaitForNumberOrder();
}

} // namespace
} // namespace quorvel::testing
