#include "app/UImportaPrecos.h"
#include "app/UQuorvel.h"

#include "app/proposal/ProposalPriceImport.h"
#include "app/proposal/ProposalRecordSet.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "sheet/ItemSheet.h"
#include "sheet/PriceImport.h"
#include "sheet/SheetFile.h"
#include "store/StoreTable.h"

#include <QFileInfo>

namespace quorvel {

namespace {

const QString kSheetFilter = QStringLiteral("Planilha Excel (*.xlsx);;Planilha OpenDocument (*.ods);;"
                                            "Texto separado por ponto e vírgula (*.csv)");
const QString kSheetExtensions[] = {QStringLiteral("xlsx"), QStringLiteral("ods"), QStringLiteral("csv")};

// The round trip works on an open proposal; without one the action stops after saying so.
void RequireOpenProposal(const TStoreTable& itens, const QString& acao) {
    if (itens.Active()) return;
    Dialogs().MessageBox(
        QStringLiteral("Não existe arquivo XML aberto. Antes de %1, favor abrir o arquivo XML").arg(acao),
        QStringLiteral("Aviso"), MessageIcon::Stop, MessageButtons::Ok);
    throw EAbort();
}

} // namespace

void TFormQuorvel::btnExpPlanilhaClick() {
    RequireOpenProposal(ItemTable(), QStringLiteral("exportar a planilha"));
    // A price still being typed goes into the sheet too.
    proposta->PostPending();
    FileDialogOptions opcoes;
    opcoes.title = QStringLiteral("Exportar Planilha");
    opcoes.filter = kSheetFilter;
    opcoes.fileName = QFileInfo(proposta->FileName()).completeBaseName() + QStringLiteral(".xlsx");
    opcoes.defaultExtension = QStringLiteral("xlsx");
    opcoes.overwrite = FileDialogOptions::Overwrite::Prompt;
    const std::optional<SaveFileChoice> escolha = Dialogs().SaveFile(opcoes);
    if (!escolha) return;
    QString destino = escolha->fileName;
    // A name without one of the sheet extensions takes the one of the chosen filter.
    if (!SheetFormatOfName(destino) && escolha->filterIndex >= 1 && escolha->filterIndex <= 3)
        destino += QLatin1Char('.') + kSheetExtensions[escolha->filterIndex - 1];
    const Sheet planilha = BuildItemSheet(ItemTable());
    WriteSheetFile(destino, planilha);
    Dialogs().MessageBox(QStringLiteral("Planilha exportada com sucesso!"), QStringLiteral("Aviso"),
                         MessageIcon::Information, MessageButtons::Ok);
}

void TFormQuorvel::btnImpPrecosClick() {
    RequireOpenProposal(ItemTable(), QStringLiteral("importar os preços"));
    proposta->PostPending();
    FileDialogOptions opcoes;
    opcoes.title = QStringLiteral("Importar Preços");
    opcoes.filter = QStringLiteral("Planilhas (*.xlsx *.ods *.csv);;") + kSheetFilter;
    const std::optional<QString> escolhido = Dialogs().OpenFile(opcoes);
    if (!escolhido) return;
    // A sheet that cannot be read, or names another auction, is refused whole by the error display.
    const PriceImportPlan plano = PlanPriceImport(ReadSheetFile(*escolhido), ItemTable());
    TFormImportaPrecos resumo(plano, this);
    if (resumo.exec() != QDialog::Accepted) return;
    // Posted as typing posts them; the file is written by the usual close, as after typing.
    ProposalPriceImport destino(*proposta);
    ApplyPriceImport(plano, destino);
}

} // namespace quorvel
