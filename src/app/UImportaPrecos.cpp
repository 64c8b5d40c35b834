#include "app/UImportaPrecos.h"

#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"

#include "ui_UImportaPrecos.h"

namespace quorvel {

namespace {

QString Details(const PriceImportPlan& plan) {
    QStringList linhas;
    if (!plan.errors.empty()) {
        linhas << QStringLiteral("Linhas com erro:");
        for (const SheetRowError& erro : plan.errors)
            linhas << erro.Message();
    }
    if (!plan.notInProposal.empty()) {
        if (!linhas.isEmpty()) linhas << QString();
        linhas << QStringLiteral("Não estão na proposta:");
        for (const UnknownItem& item : plan.notInProposal)
            linhas << QStringLiteral("linha %1: %2").arg(item.row).arg(DescribeItem(item.key));
    }
    if (!plan.notInSheet.empty()) {
        if (!linhas.isEmpty()) linhas << QString();
        linhas << QStringLiteral("Fora da planilha:");
        for (const ItemKey& key : plan.notInSheet)
            linhas << DescribeItem(key);
    }
    return linhas.join(QLatin1Char('\n'));
}

} // namespace

TFormImportaPrecos::TFormImportaPrecos(const PriceImportPlan& plan, QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormImportaPrecos>())
    , plan_(plan) {
    ui->setupUi(this);
    ui->LbResumo->setText(
        QStringLiteral("%1 preços e %2 marcas a importar").arg(plan.prices).arg(plan.brands));
    ui->MemoDetalhes->setPlainText(Details(plan));
    connect(ui->BtnImportar, &QPushButton::clicked, this, GuardedSlot([this] { BtnImportarClick(); }));
    connect(ui->BtnCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

TFormImportaPrecos::~TFormImportaPrecos() = default;

void TFormImportaPrecos::BtnImportarClick() {
    if (plan_.HasErrors()) {
        Dialogs().MessageBox(QStringLiteral("A planilha tem linhas com erro; nada será importado enquanto "
                                            "houver erro. Primeiro erro: %1")
                                 .arg(plan_.errors.front().Message()),
                             QStringLiteral("Atenção!"), MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    accept();
}

} // namespace quorvel
