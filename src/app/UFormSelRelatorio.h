#pragma once

#include "app/proposal/URelatorio.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class FormSelRelatorio;
}

namespace quorvel {

class ProposalRecordSet;

// The report-selection dialog: the order of the items and two actions, preview and print. Neither
// action closes it, so several reports can be run before "Cancelar" (or Escape) leaves it. It reaches
// the proposal's tables through the record set and owns none of them.
class TFormSelRelatorio : public QDialog {
    Q_OBJECT

public:
    explicit TFormSelRelatorio(ProposalRecordSet& proposta, QWidget* parent = nullptr);
    ~TFormSelRelatorio() override;

    Ui::FormSelRelatorio& Form() { return *ui; }

    // The auction type code of the proposal, set by the main window before the dialog is shown.
    QString TipoPregao;

    // Both btTela and btImpr: previews when btTela holds the keyboard focus, prints otherwise.
    void btTelaClick();

    // What the two actions do with the chosen layout: the report's preview and its print. Tests put
    // their own in to look at the pages.
    TReportAction PreviewAction;
    TReportAction PrintAction;

private:
    std::unique_ptr<Ui::FormSelRelatorio> ui;
    ProposalRecordSet& proposta;
};

} // namespace quorvel
