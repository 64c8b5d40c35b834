#include "app/UQuorvel.h"

#include "app/proposal/ProposalRecordSet.h"

#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
#include "store/StoreTable.h"

#include "ui_UQuorvel.h"

#include <QDir>

namespace quorvel {

void TFormQuorvel::BitBtn3Click() {
    if (ui->EdArquivo->text().trimmed().isEmpty()) return;
    // A save still being written is told (or its failure shown) before this one goes on.
    CompleteSave();
    proposta->PostPending();
    const SupplierData& fornecedor = proposta->Supplier();
    if (fornecedor.razaoSocial.trimmed().isEmpty() || fornecedor.identificador.trimmed().isEmpty())
        BtnConfigClick();
    PropagaValorLotes(kWarnUnpriced);
    // The proposal reaches the disk now, not only at the next close of the item table. It is written
    // on a thread of its own and the window goes on meanwhile; "Dados Salvos !!!" comes when the
    // file is written (CompleteSave), a failed write shows the store's error instead, so the message
    // is never shown for unsaved data.
    const bool escrevendo = proposta->StartProposalFileWrite([this] {
        QMetaObject::invokeMethod(this, GuardedSlot([this] { CompleteSave(); }), Qt::QueuedConnection);
    });
    if (!escrevendo) ShowSavedMessage();
}

void TFormQuorvel::CompleteSave() {
    if (!proposta->ProposalFileWritePending()) return;
    proposta->FinishProposalFileWrite();
    ShowSavedMessage();
}

void TFormQuorvel::ShowSavedMessage() {
    Dialogs().MessageBox(QStringLiteral("Dados Salvos !!!"), QStringLiteral("Aviso"), MessageIcon::Stop,
                         MessageButtons::Ok);
}

QString TFormQuorvel::SelecionaPastaDestino() {
    const std::optional<QString> pasta =
        Dialogs().SelectDirectory(QStringLiteral("Selecione a pasta de destino"), ExecutableFolder());
    return pasta.value_or(QString());
}

void TFormQuorvel::btnExpArquivoClick() {
    // The export copies the file as written: the save ends here, with its message, before anything
    // is chosen or copied.
    BitBtn3Click();
    CompleteSave();
    const QString arquivo = ui->EdArquivo->text();
    if (arquivo.trimmed().isEmpty()) return;
    TStoreTable& itens = ItemTable();
    TStoreTable& lotes = LotTable();
    const bool itensAbertos = itens.Active();
    const bool lotesAbertos = lotes.Active();

    const QString pasta = SelecionaPastaDestino();
    if (pasta.isEmpty() || !DirectoryExists(pasta)) return;
    const QString destino = QDir(pasta).filePath(ExtractFileName(arquivo));

    // The tables come back also after a failure, and a failure there is shown on its own. The lot
    // table comes back first: its first lot sets the item table's filter, which the item table then
    // keeps when it loads the file just written.
    const ScopeExit reabre([&] {
        RunGuarded([&] {
            if (lotesAbertos && !lotes.Active()) lotes.Open();
            if (itensAbertos && !itens.Active()) proposta->OpenItemTable();
        });
    });
    proposta->CloseItemTable();
    lotes.Close();
    bool copiar = true;
    if (FileExists(destino))
        copiar = Dialogs().MessageBox(QStringLiteral("O arquivo exportado já existe no local selecionado!\n"
                                                     "Deseja substituir o arquivo?"),
                                      QStringLiteral("Atenção!"), MessageIcon::Question,
                                      MessageButtons::YesNo) == DialogAnswer::Yes;
    if (!copiar) return;
    if (CopyFileReplacing(arquivo, destino))
        Dialogs().MessageBox(QStringLiteral("Arquivo exportado com sucesso!"), QStringLiteral("Aviso"),
                             MessageIcon::Information, MessageButtons::Ok);
    else
        Dialogs().MessageBox(QStringLiteral("O arquivo não pode ser exportado para o local selecionado!"),
                             QStringLiteral("Falha ao exportar"), MessageIcon::Stop, MessageButtons::Ok);
}

} // namespace quorvel
