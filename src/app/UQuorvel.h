#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class FormQuorvel;
}

namespace quorvel {

// The main window: the whole working surface of the program. It owns the proposal's item table,
// the lot table built from it in lot mode, their data sources and the supplier data, and hosts
// the buttons that save, export, print and register the supplier.
class TFormQuorvel : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormQuorvel(QWidget* parent = nullptr);
    ~TFormQuorvel() override;

    Ui::FormQuorvel& Form() { return *ui; }

    void FormCreate();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CentreOnScreen();

    std::unique_ptr<Ui::FormQuorvel> ui;
    bool centred = false;
};

} // namespace quorvel
