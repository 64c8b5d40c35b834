#include "app/UQuorvel.h"

#include "app/proposal/TableAccess.h"

#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "ui/DBGrid.h"

#include "ui_UQuorvel.h"

#include <QTimer>

namespace quorvel {

void TFormQuorvel::Timer1Timer() {
    TextoBusca.clear();
}

namespace {

// One keystroke of the incremental search: extends the search text, moves to the first row whose
// field begins with it (letters compared without regard to case) and restarts the timer that
// forgets the text one second after the last keystroke.
void SearchKeystroke(TStoreTable& table, const char* campo, QChar key, QString& textoBusca, QTimer& timer) {
    textoBusca.append(key);
    table.Locate(QString::fromLatin1(campo), TStoreValue(QStringToCp1252(textoBusca)),
                 TLocateOption::CaseInsensitive | TLocateOption::PartialKey);
    timer.stop();
    timer.start();
}

// The name of the field under the grid's current column; empty when it shows none.
QString SelectedFieldName(const TDBGrid& grid) {
    const TStoreField* field = grid.SelectedField();
    return field != nullptr ? field->FieldName() : QString();
}

bool ReadyForSearch(const TStoreTable& table) {
    return table.Active() && table.State() == TTableState::Browse && table.RecordCount() > 0;
}

} // namespace

void TFormQuorvel::DBGrid1KeyPress(QChar& key) {
    if (!ReadyForSearch(ItemTable())) return;
    const QString campo = SelectedFieldName(*ui->DBGrid1);
    if (campo != QLatin1String("material") && campo != QLatin1String("descr_item") &&
        campo != QLatin1String("qtde"))
        return;
    SearchKeystroke(ItemTable(), "descr_item", key, TextoBusca, *Timer1);
}

void TFormQuorvel::DBGrid2KeyPress(QChar& key) {
    if (!ReadyForSearch(LotTable())) return;
    const QString campo = SelectedFieldName(*ui->DBGrid2);
    if (campo != QLatin1String("descr_lote") && campo != QLatin1String("valor")) return;
    SearchKeystroke(LotTable(), "descr_lote", key, TextoBusca, *Timer1);
}

void TFormQuorvel::PropagaValorLotes(bool aviso) {
    const bool faltaPreco = proposta->PropagaValorLotes();
    if (aviso && faltaPreco)
        Dialogs().MessageBox(QStringLiteral("Existem preços de itens que não foram digitados. VERIFIQUE"),
                             QStringLiteral("AVISO"), MessageIcon::Information, MessageButtons::Ok);
}

} // namespace quorvel
