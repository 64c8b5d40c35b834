#include "app/TableAccess.h"
#include "app/UQuorvel.h"

#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "platform/Files.h"

#include "ui_UQuorvel.h"

#include <QDir>

namespace quorvel {

void TFormQuorvel::PostPending() {
    if (CDSDigitacao->Active() && IsEditing(*CDSDigitacao)) CDSDigitacao->Post();
}

void TFormQuorvel::WriteProposalFile() {
    TStoreTable& itens = *CDSDigitacao;
    if (!itens.Active() || itens.FileName().isEmpty()) return;
    const std::size_t alteracoes = itens.Data().changeLog.size();
    if (alteracoes == alteracoesGravadas && FileExists(itens.FileName())) return;
    itens.SaveToFile();
    alteracoesGravadas = alteracoes;
}

void TFormQuorvel::BitBtn3Click() {
    if (ui->EdArquivo->text().trimmed().isEmpty()) return;
    PostPending();
    if (RazaoSocial.trimmed().isEmpty() || Identificador.trimmed().isEmpty()) BtnConfigClick();
    PropagaValorLotes(kWarnUnpriced);
    // The proposal reaches the disk now, not only at the next close of the item table: a failed
    // write stops here with the store's error, so "Dados Salvos !!!" is never shown for unsaved data.
    WriteProposalFile();
    Dialogs().MessageBox(QStringLiteral("Dados Salvos !!!"), QStringLiteral("Aviso"), MessageIcon::Stop,
                         MessageButtons::Ok);
}

QString TFormQuorvel::SelecionaPastaDestino() {
    const std::optional<QString> pasta =
        Dialogs().SelectDirectory(QStringLiteral("Selecione a pasta de destino"), executableFolder);
    return pasta.value_or(QString());
}

void TFormQuorvel::btnExpArquivoClick() {
    BitBtn3Click();
    const QString arquivo = ui->EdArquivo->text();
    if (arquivo.trimmed().isEmpty()) return;
    const bool itensAbertos = CDSDigitacao->Active();
    const bool lotesAbertos = CDSLotes->Active();

    const QString pasta = SelecionaPastaDestino();
    if (pasta.isEmpty() || !DirectoryExists(pasta)) return;
    const QString destino = QDir(pasta).filePath(ExtractFileName(arquivo));

    // The lot table comes back first: its first lot sets the item table's filter, which the item
    // table then keeps when it loads the file just written.
    const auto reabre = [&] {
        if (lotesAbertos && !CDSLotes->Active()) CDSLotes->Open();
        if (itensAbertos && !CDSDigitacao->Active()) OpenItemTable();
    };
    try {
        CDSDigitacao->Close();
        CDSLotes->Close();
        bool copiar = true;
        if (FileExists(destino))
            copiar =
                Dialogs().MessageBox(QStringLiteral("O arquivo exportado já existe no local selecionado!\n"
                                                    "Deseja substituir o arquivo?"),
                                     QStringLiteral("Atenção!"), MessageIcon::Question,
                                     MessageButtons::YesNo) == DialogAnswer::Yes;
        if (copiar) {
            if (CopyFileReplacing(arquivo, destino))
                Dialogs().MessageBox(QStringLiteral("Arquivo exportado com sucesso!"),
                                     QStringLiteral("Aviso"), MessageIcon::Information, MessageButtons::Ok);
            else
                Dialogs().MessageBox(
                    QStringLiteral("O arquivo não pode ser exportado para o local selecionado!"),
                    QStringLiteral("Falha ao exportar"), MessageIcon::Stop, MessageButtons::Ok);
        }
    } catch (...) {
        // The tables come back also after a failure; a second failure there is shown on its own.
        RunGuarded(reabre);
        throw;
    }
    reabre();
}

} // namespace quorvel
