#include "QuorvelTestSupport.h"

#include "app/UFormSelRelatorio.h"
#include "app/URelatorio.h"
#include "platform/Metafile.h"
#include "platform/MetafileEnumerator.h"
#include "report/Quickrpt.h"
#include "report/output/QrprevGlyphs.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QStyle>
#include <QTest>
#include <QTimer>

namespace quorvel::testing {
namespace {

// The texts of one finished page, in drawing order, with their reference points (pixels at 96 per
// inch: a tenth of a millimetre is 96 ÷ 254 pixels).
struct PageSeen {
    std::vector<TMetafileText> textos;

    QStringList AllTexts() const {
        QStringList lista;
        for (const TMetafileText& texto : textos)
            lista << texto.Text;
        return lista;
    }
    const TMetafileText* FindText(const QString& texto) const {
        for (const TMetafileText& t : textos)
            if (t.Text == texto) return &t;
        return nullptr;
    }
};

// Generates the layout into its page store and reads every page back.
std::vector<PageSeen> Generate(TQuickRep& leiaute) {
    leiaute.Prepare();
    std::vector<PageSeen> paginas;
    TQRPrinter* loja = leiaute.QRPrinter();
    if (loja == nullptr) return paginas;
    for (int n = 1; n <= loja->PageCount(); ++n) {
        const std::unique_ptr<TMetafile> pagina = loja->GetPage(n);
        if (pagina) paginas.push_back({MetafileTexts(*pagina)});
    }
    return paginas;
}

// What one run of the report saw: its pages and the item table's order while it ran.
struct ReportRun {
    std::vector<PageSeen> paginas;
    QString indice;
};

class Relatorio : public QuorvelFixture {
protected:
    void SetUp() override {
        QuorvelFixture::SetUp();
        WriteConfig(QStringLiteral("Papelaria Exemplo"), QStringLiteral("12.345.678/0001-90"),
                    QStringLiteral("0"));
    }
    QString CopyIn(const char* nome) {
        const QString copia = DataPath(QString::fromLatin1(nome));
        QFile::copy(QStringLiteral(QUORVEL_TEST_DATA "/report/") + QString::fromLatin1(nome), copia);
        return copia;
    }
    TReportAction RecordRuns(std::vector<ReportRun>& execucoes) {
        return [this, &execucoes](TQuickRep& leiaute) {
            execucoes.push_back({Generate(leiaute), Items().IndexName()});
        };
    }
    // Runs script on the report-selection dialog as soon as it is shown modally; a dialog still open
    // five seconds later is hidden by force and the test fails.
    void WhenSelectionShown(std::function<void(TFormSelRelatorio&)> script) {
        WhenDialogShown<TFormSelRelatorio>(*form, "report-selection dialog", std::move(script));
    }
    QStringList ItemNumbersInOrder() { return ColumnValues(Items(), "numitem"); }
};

// The item numbers a page lists, in order: the numbers in the item-number column below the heads.
QStringList PageItemNumbers(const PageSeen& pagina, int colunaX, int abaixoDe) {
    static const QRegularExpression numero(QStringLiteral("^\\d+$"));
    QStringList itens;
    for (const TMetafileText& texto : pagina.textos)
        if (texto.Reference.x() == colunaX && texto.Reference.y() > abaixoDe &&
            numero.match(texto.Text).hasMatch())
            itens << texto.Text;
    return itens;
}

const QString kTitulo = QStringLiteral("Relatório da Digitação das Propostas");
QString FooterText(int pagina) {
    return QStringLiteral("Página:%1").arg(pagina);
}
QString IssueDateLine() {
    return QStringLiteral("Data Emissão:") + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

TEST_F(Relatorio, DialogPreviewsOrPrintsByFocusInTheChosenOrderAndStaysOpen) {
    ASSERT_TRUE(OpenProposal(CopyIn("itens-precificados.xml")));
    ASSERT_TRUE(ShowWindow());
    std::vector<ReportRun> telas;
    std::vector<ReportRun> impressoes;
    bool abertoDepois = false;
    WhenSelectionShown([&](TFormSelRelatorio& dialogo) {
        EXPECT_EQ(dialogo.TipoPregao, QStringLiteral("M"));
        EXPECT_EQ(dialogo.windowTitle(), kTitulo);
        auto& ordem = ChildNamed<QComboBox>(dialogo, "cbxOrdem");
        EXPECT_EQ(ordem.currentIndex(), 0);
        EXPECT_EQ(ordem.count(), 2);
        EXPECT_EQ(ordem.itemText(1), QStringLiteral("Especificação do Item"));
        // "Imprimir" shows a printer: the desktop theme's, or the program's own glyph, never the
        // style's save (floppy) glyph.
        const QImage imprimir = ChildNamed<QPushButton>(dialogo, "btImpr").icon().pixmap(16).toImage();
        EXPECT_NE(imprimir, dialogo.style()->standardIcon(QStyle::SP_DialogSaveButton).pixmap(16).toImage());
        if (!QIcon::hasThemeIcon(QStringLiteral("document-print"))) {
            EXPECT_EQ(imprimir, PrinterGlyph().pixmap(16).toImage());
        }
        dialogo.PreviewAction = RecordRuns(telas);
        dialogo.PrintAction = RecordRuns(impressoes);

        QTest::mouseClick(&ChildNamed<QPushButton>(dialogo, "btTela"), Qt::LeftButton);
        ordem.setCurrentIndex(1);
        QTest::mouseClick(&ChildNamed<QPushButton>(dialogo, "btImpr"), Qt::LeftButton);
        // From the keyboard the button with the focus acts, and that is the preview button again.
        ChildNamed<QPushButton>(dialogo, "btTela").setFocus();
        QTest::keyClick(&ChildNamed<QPushButton>(dialogo, "btTela"), Qt::Key_Space);
        abertoDepois = dialogo.isVisible();
        QTest::keyClick(&dialogo, Qt::Key_Escape);
    });
    QTest::mouseClick(&ChildNamed<QPushButton>(*form, "BitBtn1"), Qt::LeftButton);

    EXPECT_TRUE(abertoDepois);
    ASSERT_EQ(telas.size(), 2u);
    ASSERT_EQ(impressoes.size(), 1u);
    EXPECT_EQ(telas[0].indice, QStringLiteral("CDSDigitacaoIndex2"));
    EXPECT_EQ(impressoes[0].indice, QStringLiteral("CDSDigitacaoIndex1"));
    EXPECT_EQ(telas[1].indice, QStringLiteral("CDSDigitacaoIndex1"));

    ASSERT_EQ(telas[0].paginas.size(), 1u);
    const PageSeen& pagina = telas[0].paginas[0];
    const QStringList textos = pagina.AllTexts();
    EXPECT_EQ(textos.mid(0, 11),
              (QStringList{kTitulo, QStringLiteral("Fornecedor: Papelaria Exemplo"),
                           QStringLiteral("Pregão: PE - 137/2026"), QStringLiteral("POR ITEM"),
                           // "Qtde." is wider than its box: a word too wide is cut at its end.
                           QStringLiteral("Item"), QStringLiteral("Un."),
                           QStringLiteral("Especificação do Material"), QStringLiteral("Qtde"),
                           QStringLiteral("Valor"), QStringLiteral("Total"), QStringLiteral("Marca")}));
    EXPECT_EQ(textos.mid(textos.size() - 3),
              (QStringList{QStringLiteral("Tavinor Informática Ltda."), FooterText(1), IssueDateLine()}));
    // Unpriced items (3, 5, 7) and the one priced at zero (4) are left out.
    EXPECT_EQ(PageItemNumbers(pagina, 43, 160), (QStringList{"1", "2", "6", "8"}));
    EXPECT_EQ(PageItemNumbers(impressoes[0].paginas.at(0), 43, 160), (QStringList{"8", "6", "2", "1"}));

    // Positions: 10 mm margins, the title centred on the band, the page number against its right
    // edge, the first row under the three header bands, a row grown by its four description lines.
    const TMetafileText* titulo = pagina.FindText(kTitulo);
    const TMetafileText* numero = pagina.FindText(FooterText(1));
    const TMetafileText* qtde = pagina.FindText(QStringLiteral("400,0000"));
    const TMetafileText* segundo = pagina.FindText(QStringLiteral("1.500,0000"));
    ASSERT_TRUE(titulo && numero && qtde && segundo);
    EXPECT_EQ(titulo->Reference, QPoint(397, 46));
    EXPECT_EQ(titulo->FontHeight, -19);
    EXPECT_EQ(numero->Reference, QPoint(756, 1066));
    EXPECT_EQ(qtde->Reference, QPoint(445, 172));
    EXPECT_EQ(segundo->Reference.y() - qtde->Reference.y(), 65);
    const TMetafileText* marca = pagina.FindText(QStringLiteral("Chamex"));
    ASSERT_TRUE(marca);
    EXPECT_EQ(marca->Reference, QPoint(622, 171));

    // The grid is back in numitem order.
    EXPECT_EQ(Items().IndexName(), QStringLiteral("CDSDigitacaoIndex2"));
    EXPECT_EQ(ItemNumbersInOrder(), (QStringList{"10", "20", "30", "40", "50", "60", "70", "80"}));
}

TEST_F(Relatorio, LotLayoutWalksTheLotsThroughTheMainWindowSelection) {
    ASSERT_TRUE(OpenProposal(CopyIn("lotes-precificados.xml")));
    std::vector<ReportRun> execucoes;
    RunReport(*form, TReportOrder::ItemNumber, QStringLiteral("L"), RecordRuns(execucoes));
    RunReport(*form, TReportOrder::Description, QStringLiteral("L"), RecordRuns(execucoes));
    ASSERT_EQ(execucoes.size(), 2u);
    EXPECT_EQ(execucoes[0].indice, QStringLiteral("CDSDigitacaoIndex3"));
    EXPECT_EQ(execucoes[1].indice, QStringLiteral("CDSDigitacaoIndex1"));
    ASSERT_EQ(execucoes[1].paginas.size(), 1u);
    const PageSeen& pagina = execucoes[1].paginas[0];
    const QStringList textos = pagina.AllTexts();

    const QStringList cabecas{QStringLiteral("Item/Un."),    QStringLiteral("Especificação do Material"),
                              QStringLiteral("Valor"),       QStringLiteral("Qtde"),
                              QStringLiteral("Valor Total"), QStringLiteral("Marca")};
    EXPECT_EQ(textos.mid(0, 6),
              (QStringList{kTitulo, QStringLiteral("Fornecedor: Papelaria Exemplo"),
                           QStringLiteral("Pregão: PE"), QStringLiteral("POR LOTE"),
                           QStringLiteral("Descrição do Lote"), QStringLiteral("Valor do Lote")}));
    const int lote1 = textos.indexOf(QStringLiteral("Material de escritório e expediente"));
    const int lote2 = textos.indexOf(QStringLiteral("Material de limpeza e higienização"));
    const int lote3 = textos.indexOf(QStringLiteral("Equipamentos e acessórios de informática"));
    ASSERT_TRUE(lote1 == 6 && lote2 > lote1 && lote3 > lote2) << textos.join('|').toStdString();
    EXPECT_EQ(textos.mid(lote1 + 1, 7), QStringList{QStringLiteral("6.935,0000")} + cabecas);
    // A lot whose items are all unpriced: its description, no value, the column heads, no item line.
    EXPECT_EQ(textos.mid(lote2 + 1, 6), cabecas);
    EXPECT_EQ(lote3, lote2 + 7);
    EXPECT_EQ(textos.mid(lote3 + 1, 7), QStringList{QStringLiteral("18.098,0000")} + cabecas);
    // Each lot's items by description: Caneta, Papel, Pasta; Monitor, Mouse.
    EXPECT_EQ(PageItemNumbers(pagina, 63, 0), (QStringList{"2", "1", "3", "3", "1"}));
    EXPECT_EQ(PageItemNumbers(execucoes[0].paginas.at(0), 63, 0), (QStringList{"1", "2", "3", "1", "3"}));
    const TMetafileText* valor = pagina.FindText(QStringLiteral("6.935,0000"));
    ASSERT_TRUE(valor);
    // DBvalor right-aligned at 10 + 161.40 + 7.14 mm.
    EXPECT_EQ(valor->Reference.x(), 675);

    // The walk leaves the last lot selected, and the item table filtered to it, in numitem order.
    EXPECT_EQ(TextOf(Lots(), "descr_lote"), QStringLiteral("Equipamentos e acessórios de informática"));
    EXPECT_EQ(ItemNumbersInOrder(), (QStringList{"8", "9", "10"}));
    EXPECT_EQ(Items().IndexName(), QStringLiteral("CDSDigitacaoIndex2"));
}

TEST_F(Relatorio, LongProposalBreaksIntoNumberedPagesWithHeadersOnEach) {
    Proposal proposta = ItemProposal(90);
    for (ProposalItem& item : proposta.itens)
        item.precoIni = item.valor = std::string("2.5000");
    ASSERT_TRUE(OpenProposal(SaveProposal(proposta)));
    std::vector<ReportRun> execucoes;
    RunReport(*form, TReportOrder::ItemNumber, QStringLiteral("M"), RecordRuns(execucoes));
    ASSERT_EQ(execucoes.size(), 1u);
    const std::vector<PageSeen>& paginas = execucoes[0].paginas;
    ASSERT_EQ(paginas.size(), 3u);
    QStringList todos;
    for (std::size_t n = 0; n < paginas.size(); ++n) {
        const QStringList textos = paginas[n].AllTexts();
        EXPECT_EQ(textos.mid(0, 4),
                  (QStringList{kTitulo, QStringLiteral("Fornecedor: Papelaria Exemplo"),
                               QStringLiteral("Pregão: PE - 45/2026"), QStringLiteral("POR ITEM")}));
        EXPECT_EQ(textos.constLast(), IssueDateLine());
        const TMetafileText* numero = paginas[n].FindText(FooterText(static_cast<int>(n) + 1));
        ASSERT_TRUE(numero) << n;
        EXPECT_EQ(numero->Reference, QPoint(756, 1066));
        const QStringList itens = PageItemNumbers(paginas[n], 43, 160);
        // No row is drawn into the footer's room.
        for (const TMetafileText& texto : paginas[n].textos)
            if (itens.contains(texto.Text) && texto.Reference.x() == 43) {
                EXPECT_LT(texto.Reference.y(), 1046);
            }
        todos += itens;
    }
    QStringList esperados;
    for (int i = 1; i <= 90; ++i)
        esperados << QString::number(i);
    EXPECT_EQ(todos, esperados);
}

TEST_F(Relatorio, WithoutALotTableTheLotLayoutIsAPageOfHeadings) {
    // No file open: the dialog gets an empty type and runs the lot layout over closed tables.
    std::vector<ReportRun> execucoes;
    WhenSelectionShown([&](TFormSelRelatorio& dialogo) {
        EXPECT_EQ(dialogo.TipoPregao, QString());
        dialogo.PreviewAction = RecordRuns(execucoes);
        QTest::mouseClick(&ChildNamed<QPushButton>(dialogo, "btTela"), Qt::LeftButton);
        QTest::mouseClick(&ChildNamed<QPushButton>(dialogo, "btCancel"), Qt::LeftButton);
    });
    ASSERT_TRUE(RunAction([this] { form->BitBtn1Click(); }));
    // A type other than L and M, in a file whose lots were never built.
    Proposal proposta = ItemProposal(3);
    proposta.tipoprega = "X";
    ASSERT_TRUE(OpenProposal(SaveProposal(proposta)));
    RunReport(*form, TReportOrder::ItemNumber, QStringLiteral("X"), RecordRuns(execucoes));

    ASSERT_EQ(execucoes.size(), 2u);
    // Before any file the supplier data was never read. The empty lot table still prints one lot
    // line with empty fields, and under it the item heads with no item (a sub-detail without rows).
    const QString cabecalhos[][2] = {
        {QStringLiteral("Fornecedor: "), QStringLiteral("Pregão: ")},
        {QStringLiteral("Fornecedor: Papelaria Exemplo"), QStringLiteral("Pregão: PE")}};
    for (std::size_t n = 0; n < execucoes.size(); ++n) {
        ASSERT_EQ(execucoes[n].paginas.size(), 1u);
        EXPECT_EQ(execucoes[n].paginas[0].AllTexts(),
                  (QStringList{kTitulo, cabecalhos[n][0], cabecalhos[n][1], QStringLiteral("POR LOTE"),
                               QStringLiteral("Descrição do Lote"), QStringLiteral("Valor do Lote"),
                               QStringLiteral("Item/Un."), QStringLiteral("Especificação do Material"),
                               QStringLiteral("Valor"), QStringLiteral("Qtde"), QStringLiteral("Valor Total"),
                               QStringLiteral("Marca"), QStringLiteral("Tavinor Informática Ltda."),
                               IssueDateLine(), FooterText(1)}))
            << n;
    }
    EXPECT_EQ(Messages(), QStringList());
}

TEST_F(Relatorio, AFailedRunIsShownAndTheGridStillGoesBackToNumberOrder) {
    ASSERT_TRUE(OpenProposal(CopyIn("itens-precificados.xml")));
    QStringList durante;
    bool ficou = false;
    WhenSelectionShown([&](TFormSelRelatorio& dialogo) {
        ChildNamed<QComboBox>(dialogo, "cbxOrdem").setCurrentIndex(1);
        dialogo.PreviewAction = [&](TQuickRep&) {
            durante = ItemNumbersInOrder();
            throw Exception(QStringLiteral("Impressora sem papel"));
        };
        ChildNamed<QPushButton>(dialogo, "btTela").setFocus();
        EXPECT_FALSE(RunAction([&] { dialogo.btTelaClick(); }));
        ficou = dialogo.isVisible();
        dialogo.reject();
    });
    ASSERT_TRUE(RunAction([this] { form->BitBtn1Click(); }));
    EXPECT_TRUE(ficou);
    EXPECT_EQ(durante, (QStringList{"80", "40", "60", "70", "20", "30", "10", "50"}));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Impressora sem papel")});
    EXPECT_EQ(Items().IndexName(), QStringLiteral("CDSDigitacaoIndex2"));
    EXPECT_EQ(ItemNumbersInOrder(), (QStringList{"10", "20", "30", "40", "50", "60", "70", "80"}));
}

} // namespace
} // namespace quorvel::testing
