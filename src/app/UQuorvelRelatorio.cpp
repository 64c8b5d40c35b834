#include "app/TableAccess.h"
#include "app/UFormSelRelatorio.h"
#include "app/UQuorvel.h"

#include "ui_UQuorvel.h"

namespace quorvel {

void TFormQuorvel::BitBtn1Click() {
    TFormSelRelatorio formSelRelatorio(*this, this);
    formSelRelatorio.TipoPregao =
        CDSDigitacao->Active() ? FieldNamed(*CDSDigitacao, "tipoprega").AsQString() : QString();
    formSelRelatorio.exec();
}

void TFormQuorvel::OpenProposalForReport(const QString& arquivo) {
    CDSDigitacao->SetFilter(QString());
    CDSDigitacao->SetFiltered(false);
    CDSDigitacao->Close();
    ui->EdArquivo->setText(arquivo);
    CDSDigitacao->SetFileName(arquivo);
    // The store's own errors reach the caller, which words them for its reader.
    CDSDigitacao->Open();
    // Without a file name the table keeps its rows in memory when it closes.
    CDSDigitacao->SetFileName(QString());
    if (IsLotMode()) BuildLots();
    AdjustToMode();
}

} // namespace quorvel
