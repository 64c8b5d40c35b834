#pragma once

#include <QDialog>

#include <memory>

class QButtonGroup;

namespace Ui {
class FormDadosForn;
}

namespace quorvel {

// The supplier registration dialog: edits company name, identifier and company type in
// "config.ini". While the data in the file is incomplete the dialog cannot be left until valid data
// was saved ("Cancelar" stays disabled and every close attempt is refused).
class TFormDadosForn : public QDialog {
    Q_OBJECT

public:
    // settingsPath is the full path of "config.ini".
    explicit TFormDadosForn(QString settingsPath, QWidget* parent = nullptr);
    ~TFormDadosForn() override;

    Ui::FormDadosForn& Form() { return *ui; }

    void FormShow();
    void BitBtn1Click();
    bool FormCloseQuery() const;

    // The radio group's item index: 0..2, or -1 when nothing is selected. Setting clamps: below -1
    // selects nothing, above 2 selects the last item.
    int TipoEmpresaIndex() const;
    void SetTipoEmpresaIndex(int index);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::FormDadosForn> ui;
    QButtonGroup* tipoEmpresa = nullptr;
    QString settingsPath;
};

} // namespace quorvel
