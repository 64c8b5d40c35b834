#include "app/proposal/URelatorio.h"

#include "app/proposal/ProposalRecordSet.h"
#include "app/proposal/TableAccess.h"

#include "platform/Exceptions.h"
#include "platform/ScopeExit.h"
#include "report/Quickrpt.h"
#include "report/controls/Qrctrls.h"
#include "report/export/QrexportRtf.h"
#include "report/export/Qrpdffilt.h"
#include "report/export/Qrwebfilt.h"
#include "store/StoreTable.h"

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

// A field's text as a bound box shows it, without surrounding blanks: empty while the table is closed
// or has no row.
QString ShownText(const TStoreTable& tabela, const char* campo) {
    if (!tabela.Active() || tabela.IsEmpty()) return {};
    return FieldNamed(tabela, campo).DisplayText().trimmed();
}

template <class T> T& Named(T& componente, const char* nome) {
    componente.SetName(QString::fromLatin1(nome));
    return componente;
}

} // namespace

TFormRelatorio::TFormRelatorio(ProposalRecordSet& proposta)
    : TReportForm(nullptr, QStringLiteral("TFormRelatorio"))
    , proposta_(proposta) {
    SetName(QStringLiteral("FormRelatorio"));
    RegisterLayouts();

    CDSDigitacao = &Named(CreateComponent<TDataSetComponent>(*this, &proposta.ItemTable()), "CDSDigitacao");
    CDSLotes = &Named(CreateComponent<TDataSetComponent>(*this, &proposta.LotTable()), "CDSLotes");
    // Item rows read a window at a time are walked window after window.
    CDSDigitacao->SetWindows(proposta.ReportWindows());

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

void TFormRelatorio::TakeAuctionNumber() {
    const TStoreTable& itens = proposta_.ItemTable();
    sigla_ = ShownText(itens, "sigla");
    convit_ = ShownText(itens, "convit");
    anoc_ = ShownText(itens, "anoc");
}

void TFormRelatorio::ChildBand1BeforePrint(TQRCustomBand&, bool&) {
    // The lot layout's auction line carries the sigla alone.
    LabelNamed("LbNroPregao").SetCaption(QStringLiteral("Pregão: ") + sigla_);
    LabelNamed("LbFornecedor").SetCaption(QStringLiteral("Fornecedor: ") + proposta_.Supplier().razaoSocial);
}

void TFormRelatorio::QRChildBand1BeforePrint(TQRCustomBand&, bool&) {
    LabelNamed("LbNroPregaoM")
        .SetCaption(QStringLiteral("Pregão: ") + sigla_ + QStringLiteral(" - ") + convit_ + QLatin1Char('/') +
                    anoc_);
    LabelNamed("LbFornecedorM").SetCaption(QStringLiteral("Fornecedor: ") + proposta_.Supplier().razaoSocial);
}

void TFormRelatorio::QRSubDetail1BeforePrint(TQRCustomBand&, bool& printBand) {
    printBand = HoldsPositiveValue(proposta_.ItemTable(), "totitem");
}

void TFormRelatorio::QRBand3BeforePrint(TQRCustomBand&, bool& printBand) {
    // In item mode valor holds the unit price: unpriced items are left out.
    printBand = HoldsPositiveValue(proposta_.ItemTable(), "valor");
}

void RunReport(ProposalRecordSet& proposta, TReportOrder ordem, const QString& tipoPregao,
               const TReportAction& saida) {
    TStoreTable& itens = proposta.ItemTable();
    // Always, also after an error: the grid goes back to numitem order and the report form goes. The
    // store's orders are total, so the order before does not matter and is not sorted for.
    const ScopeExit restaura([&] { proposta.OrdenaPorNumItem(); });
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
    const std::unique_ptr<TFormRelatorio> formRelatorio = std::make_unique<TFormRelatorio>(proposta);
    formRelatorio->TakeAuctionNumber();
    // The report walks both tables record by record; the window's grids and boxes catch up once at
    // the end instead of following every record. The lot selection still filters the items: it is
    // the lot table's own scroll event, which suspended controls do not silence.
    const SuspendedControls quietos{&itens, &proposta.LotTable()};
    saida(formRelatorio->LayoutFor(tipoPregao));
}

} // namespace quorvel
