#include "app/TableAccess.h"
#include "app/UQuorvel.h"

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "store/StoreErrors.h"

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

// A device or a FIFO is no proposal: reading it would never end, or wait for ever.
void RefuseIrregularFile(const QString& arquivo) {
    if (KindOfPath(arquivo) == PathKind::Other)
        throw EDatabaseError(QStringLiteral("O arquivo \"%1\" não pôde ser lido: não é um arquivo comum")
                                 .arg(QDir::toNativeSeparators(arquivo)));
}

} // namespace

bool TFormQuorvel::IsLotMode() const {
    return CDSDigitacao->Active() && FieldNamed(*CDSDigitacao, "tipoprega").AsQString() == QLatin1String("L");
}

void TFormQuorvel::OrdenaPorNumItem() {
    CDSDigitacao->SetIndexFieldNames(QStringLiteral("numitem"));
    CDSDigitacao->SetIndexName(QStringLiteral("CDSDigitacaoIndex2"));
}

void TFormQuorvel::CDSDigitacaoBeforeOpen(TStoreTable&) {
    OrdenaPorNumItem();
}

void TFormQuorvel::OpenItemTable() {
    RefuseIrregularFile(CDSDigitacao->FileName());
    try {
        CDSDigitacao->Open();
    } catch (const EStoreError& e) {
        // The store's bare code tells the user nothing: say which file could not be read, what is
        // wrong with it and where the reader stopped.
        throw EDatabaseError(
            QStringLiteral("O arquivo \"%1\" não pôde ser lido: %2")
                .arg(QDir::toNativeSeparators(CDSDigitacao->FileName()), DescribeStoreError(e)));
    }
    alteracoesGravadas = CDSDigitacao->Data().changeLog.size();
}

void TFormQuorvel::BtnAbreXMLClick() {
    CloseBeforeOpening();
    const std::optional<QString> escolhido = Dialogs().OpenFile(FileDialogOptions{});
    if (!escolhido) return;
    OpenChosenFile(*escolhido);
}

void TFormQuorvel::OpenGivenFile(const QString& arquivo) {
    CloseBeforeOpening();
    // The file box shows the full path, as the open dialog gives it.
    OpenChosenFile(QDir::cleanPath(QFileInfo(arquivo).absoluteFilePath()));
}

void TFormQuorvel::CloseBeforeOpening() {
    // A price still being typed is posted, and in lot mode every row receives its lot's current
    // total, before the table closes and writes the file: nothing typed is lost by opening another.
    if (CDSDigitacao->Active()) {
        PostPending();
        PropagaValorLotes(kQuietlyUnpriced);
    }

    CDSDigitacao->SetFilter(QString());
    CDSDigitacao->SetFiltered(false);
    CDSDigitacao->Close();
    proposalLock.reset();
}

void TFormQuorvel::OpenChosenFile(const QString& escolhido) {
    RefuseIrregularFile(escolhido);
    // Another window or tool editing the same file would lose one of the two edits: refuse it.
    auto lock = std::make_unique<FileLock>(escolhido);
    if (lock->TryLock() == FileLock::Result::InUse) {
        Dialogs().MessageBox(FileInUseMessage(escolhido, lock->Holder()), QStringLiteral("Atenção!"),
                             MessageIcon::Warning, MessageButtons::Ok);
        return;
    }

    ui->EdArquivo->setText(escolhido);
    CDSDigitacao->SetFileName(ui->EdArquivo->text());
    OpenItemTable();
    proposalLock = std::move(lock);

    CarregaDadosFornecedor();

    if (IsLotMode()) BuildLots();
    AdjustToMode();
}

void TFormQuorvel::AdjustToMode() {
    const bool lote = IsLotMode();
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
