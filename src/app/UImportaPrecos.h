#pragma once

#include "sheet/PriceImport.h"

#include <QDialog>

#include <memory>

namespace Ui {
class FormImportaPrecos;
}

namespace quorvel {

// What importing a sheet's prices would do, shown before anything changes: the number of prices and
// brands, the rows in error (row, column, reason), the rows whose item the proposal lacks and the
// items the sheet does not name. "Importar" accepts the dialog only when no row is in error; it
// otherwise names the first and keeps the dialog open. "Cancelar" (or Escape) changes nothing.
class TFormImportaPrecos : public QDialog {
    Q_OBJECT

public:
    TFormImportaPrecos(const PriceImportPlan& plan, QWidget* parent = nullptr);
    ~TFormImportaPrecos() override;

    Ui::FormImportaPrecos& Form() { return *ui; }

    void BtnImportarClick();

private:
    std::unique_ptr<Ui::FormImportaPrecos> ui;
    const PriceImportPlan& plan_;
};

} // namespace quorvel
