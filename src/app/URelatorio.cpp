#include "app/URelatorio.h"

#include "app/TableAccess.h"
#include "app/UQuorvel.h"

#include "platform/Exceptions.h"
#include "report/Quickrpt.h"
#include "report/controls/Qrctrls.h"
#include "report/export/QrexportRtf.h"
#include "report/export/Qrpdffilt.h"
#include "report/export/Qrwebfilt.h"
#include "store/StoreTable.h"
#include "ui/DBControls.h"

#include "ui_UQuorvel.h"

#include <QFile>

// The layouts are compiled into the application library; a static library's resources are
// registered by name, once, before the first read.
static void RegisterLayouts() {
    static const bool registrados = [] {
        Q_INIT_RESOURCE(URelatorio);
        return true;
    }();
    (void)registrados;
}

namespace quorvel {

namespace {

QByteArray ReadResource(const QString& nome) {
    QFile arquivo(nome);
    if (!arquivo.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Report layout %1 is missing").arg(nome));
    return arquivo.readAll();
}

using TBandHandler = void (TFormRelatorio::*)(TQRCustomBand&, bool&);

// A band prints only for a row whose field holds a value above zero; an empty value counts as none.
bool HoldsPositiveValue(const TStoreTable& tabela, const char* campo) {
    const TStoreField& field = FieldNamed(tabela, campo);
    return !field.IsNull() && field.AsFloat() > 0;
}

template <class T> T& Named(T& componente, const char* nome) {
    componente.SetName(QString::fromLatin1(nome));
    return componente;
}

} // namespace

TFormRelatorio::TFormRelatorio(TFormQuorvel& formQuorvel)
    : TReportForm(nullptr, QStringLiteral("TFormRelatorio"))
    , formQuorvel_(formQuorvel) {
    SetName(QStringLiteral("FormRelatorio"));
    RegisterLayouts();

    CDSDigitacao =
        &Named(CreateComponent<TDataSetComponent>(*this, &formQuorvel.ItemTable()), "CDSDigitacao");
    CDSLotes = &Named(CreateComponent<TDataSetComponent>(*this, &formQuorvel.LotTable()), "CDSLotes");

    const auto registra = [this](const char* nome, TBandHandler manipulador) {
        RegisterHandler<void(TQRCustomBand&, bool&)>(
            QString::fromLatin1(nome), [this, manipulador](TQRCustomBand& banda, bool& imprime) {
                (this->*manipulador)(banda, imprime);
            });
    };
    registra("ChildBand1BeforePrint", &TFormRelatorio::ChildBand1BeforePrint);
    registra("QRChildBand1BeforePrint", &TFormRelatorio::QRChildBand1BeforePrint);
    registra("QRSubDetail1BeforePrint", &TFormRelatorio::QRSubDetail1BeforePrint);
    registra("QRBand3BeforePrint", &TFormRelatorio::QRBand3BeforePrint);

    ReadLayout(ReadResource(QStringLiteral(":/layouts/QRLotes.layout")), *this);
    ReadLayout(ReadResource(QStringLiteral(":/layouts/QRItem.layout")), *this);
    QRLotes = &ReportNamed("QRLotes");
    QRItem = &ReportNamed("QRItem");

    // The filter components' order is the order of the save dialog's formats.
    QRPDFFilter1 = &Named(CreateComponent<TQRPDFFilter>(*this), "QRPDFFilter1");
    QRPDFFilter1->SetCompressionOn(false);

    QRHTMLFilter1 = &Named(CreateComponent<TQRHTMLFilter>(*this), "QRHTMLFilter1");
    THTMLExportOptions& html = QRHTMLFilter1->Options();
    html.MultiPage = false;
    html.PageLinks = false;
    html.FinalPage = 0;
    html.FirstLastLinks = false;
    html.Concat = false;
    html.ConcatCount = 1;
    html.LinkFontName = QStringLiteral("Arial");
    html.LinkFontSize = 12;

    QRRTFFilter1 = &Named(CreateComponent<TQRRTFFilter>(*this), "QRRTFFilter1");
}

TFormRelatorio::~TFormRelatorio() = default;

TQuickRep& TFormRelatorio::ReportNamed(const char* nome) const {
    auto* relatorio = dynamic_cast<TQuickRep*>(FindComponent(QString::fromLatin1(nome)));
    if (!relatorio) throw Exception(QStringLiteral("Report %1 is missing").arg(QLatin1String(nome)));
    return *relatorio;
}

TQRLabel& TFormRelatorio::LabelNamed(const char* nome) const {
    auto* rotulo = dynamic_cast<TQRLabel*>(FindComponent(QString::fromLatin1(nome)));
    if (!rotulo) throw Exception(QStringLiteral("Label %1 is missing").arg(QLatin1String(nome)));
    return *rotulo;
}

TQuickRep& TFormRelatorio::LayoutFor(const QString& tipoPregao) const {
    return tipoPregao == QLatin1String("M") ? *QRItem : *QRLotes;
}

QString TFormRelatorio::BoxText(const char* nome) const {
    const auto* caixa = formQuorvel_.findChild<const TDBEdit*>(QString::fromLatin1(nome));
    return caixa ? caixa->text().trimmed() : QString();
}

void TFormRelatorio::ChildBand1BeforePrint(TQRCustomBand&, bool&) {
    // The lot layout's auction line carries the sigla alone.
    LabelNamed("LbNroPregao").SetCaption(QStringLiteral("Pregão: ") + BoxText("DBEdit1"));
    LabelNamed("LbFornecedor").SetCaption(QStringLiteral("Fornecedor: ") + formQuorvel_.SupplierName());
}

void TFormRelatorio::QRChildBand1BeforePrint(TQRCustomBand&, bool&) {
    LabelNamed("LbNroPregaoM")
        .SetCaption(QStringLiteral("Pregão: ") + BoxText("DBEdit1") + QStringLiteral(" - ") +
                    BoxText("DBEdit2") + QLatin1Char('/') + BoxText("DBEdit3"));
    LabelNamed("LbFornecedorM").SetCaption(QStringLiteral("Fornecedor: ") + formQuorvel_.SupplierName());
}

void TFormRelatorio::QRSubDetail1BeforePrint(TQRCustomBand&, bool& printBand) {
    printBand = HoldsPositiveValue(formQuorvel_.ItemTable(), "totitem");
}

void TFormRelatorio::QRBand3BeforePrint(TQRCustomBand&, bool& printBand) {
    // In item mode valor holds the unit price: unpriced items are left out.
    printBand = HoldsPositiveValue(formQuorvel_.ItemTable(), "valor");
}

void RunReport(TFormQuorvel& formQuorvel, TReportOrder ordem, const QString& tipoPregao,
               const TReportAction& saida) {
    TStoreTable& itens = formQuorvel.ItemTable();
    // Always, also after an error: the grid goes back to numitem order and the report form goes. The
    // store's orders are total, so the order before does not matter and is not sorted for.
    const auto restaura = [&] { formQuorvel.OrdenaPorNumItem(); };
    try {
        const QString tipoAtual = itens.Active() ? FieldNamed(itens, "tipoprega").AsQString() : QString();
        if (ordem == TReportOrder::Description) {
            itens.SetIndexFieldNames(QStringLiteral("descr_item"));
            itens.SetIndexName(QStringLiteral("CDSDigitacaoIndex1"));
        } else if (tipoAtual == QLatin1String("M")) {
            itens.SetIndexFieldNames(QStringLiteral("numitem"));
            itens.SetIndexName(QStringLiteral("CDSDigitacaoIndex2"));
        } else {
            itens.SetIndexFieldNames(QStringLiteral("numitem;nuitem"));
            itens.SetIndexName(QStringLiteral("CDSDigitacaoIndex3"));
        }
        const std::unique_ptr<TFormRelatorio> formRelatorio = std::make_unique<TFormRelatorio>(formQuorvel);
        // The report walks both tables record by record; the window's grids and boxes catch up once at
        // the end instead of following every record. The lot selection still filters the items: it is
        // the lot table's own scroll event, which suspended controls do not silence.
        const SuspendedControls quietos{&itens, &formQuorvel.LotTable()};
        saida(formRelatorio->LayoutFor(tipoPregao));
    } catch (...) {
        restaura();
        throw;
    }
    restaura();
}

} // namespace quorvel
