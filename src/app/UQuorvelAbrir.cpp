#include "app/UQuorvel.h"

#include "app/proposal/ProposalRecordSet.h"
#include "platform/Dialogs.h"
#include "platform/ScopeExit.h"

#include "ui_UQuorvel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPalette>

namespace quorvel {
namespace {

QString FileInUseMessage(const QString& arquivo, const LockHolder& dono) {
    QString processo = QStringLiteral("pelo processo %1").arg(dono.pid);
    if (!dono.program.isEmpty() || !dono.host.isEmpty())
        processo += QStringLiteral(" (%1 em %2)").arg(dono.program, dono.host);
    return QStringLiteral("O arquivo %1 já está aberto para edição %2. Feche-o lá antes de abri-lo aqui.")
        .arg(QDir::toNativeSeparators(arquivo), processo);
}

} // namespace

void TFormQuorvel::BtnAbreXMLClick() {
    CompleteSave();
    proposta->CloseBeforeOpening();
    const std::optional<QString> escolhido = Dialogs().OpenFile(FileDialogOptions{});
    if (!escolhido) return;
    OpenChosenFile(*escolhido);
}

void TFormQuorvel::OpenGivenFile(const QString& arquivo) {
    CompleteSave();
    proposta->CloseBeforeOpening();
    // The file box shows the full path, as the open dialog gives it.
    OpenChosenFile(QDir::cleanPath(QFileInfo(arquivo).absoluteFilePath()));
}

void TFormQuorvel::OpenChosenFile(const QString& escolhido) {
    std::optional<LockHolder> dono;
    {
        // The file box shows the path the record set took, also when the file then cannot be read.
        const ScopeExit mostra([this] { ui->EdArquivo->setText(proposta->FileName()); });
        dono = proposta->OpenFile(escolhido);
    }
    if (dono) {
        Dialogs().MessageBox(FileInUseMessage(escolhido, *dono), QStringLiteral("Atenção!"),
                             MessageIcon::Warning, MessageButtons::Ok);
        return;
    }

    CarregaDadosFornecedor();

    if (proposta->IsLotMode()) proposta->BuildLots();
    AdjustToMode();
}

void TFormQuorvel::AdjustToMode() {
    const bool lote = proposta->IsLotMode();
    ui->Panel4->setVisible(lote);
    // Lot mode paints the item grid in the tool-tip colour, item mode in the ordinary window colour.
    QPalette palette = ui->DBGrid1->palette();
    palette.setColor(QPalette::Base,
                     QApplication::palette().color(lote ? QPalette::ToolTipBase : QPalette::Base));
    ui->DBGrid1->setPalette(palette);
    SetPriceTitle(lote ? QStringLiteral("Valor Inicial") : QStringLiteral("Valor Item"));
    if (lote) PropagaValorLotes(kQuietlyUnpriced);
}

} // namespace quorvel
