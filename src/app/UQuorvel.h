#pragma once

#include "app/proposal/ProposalRecordSet.h"

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>

class QTimer;

namespace Ui {
class FormQuorvel;
}

namespace quorvel {

class TDataSource;

// The main window: the whole working surface of the program. It owns the proposal's record set (the
// item table CDSDigitacao, loaded from and written back to the proposal file, the lot table CDSLotes,
// the supplier data read from "config.ini"), binds its controls to it through the data sources, and
// hosts the buttons that save, export, print and register the supplier.
class TFormQuorvel : public QMainWindow {
    Q_OBJECT

public:
    // executableFolder is where "config.ini" lives (ending with a separator); the program passes the
    // folder of its executable, tests a temporary folder.
    explicit TFormQuorvel(QString executableFolder, QWidget* parent = nullptr);
    ~TFormQuorvel() override;

    Ui::FormQuorvel& Form() { return *ui; }
    const QString& ExecutableFolder() const { return proposta->ExecutableFolder(); }

    // The proposal record set, for the report and tests.
    ProposalRecordSet& RecordSet() const { return *proposta; }
    TStoreTable& ItemTable() const { return proposta->ItemTable(); }
    TStoreTable& LotTable() const { return proposta->LotTable(); }
    // Characters typed so far for the incremental search of both grids.
    const QString& SearchText() const { return TextoBusca; }
    // Supplier data as last read from "config.ini".
    const QString& SupplierName() const { return proposta->Supplier().razaoSocial; }
    std::int32_t SupplierType() const { return proposta->Supplier().tipoEmpresa; }

    // Window and file.
    void FormCreate();
    void FormClose();
    void BtnAbreXMLClick();
    void Timer1Timer();

    // Price and brand entry.
    void DBGrid1KeyPress(QChar& key);
    void DBGrid2KeyPress(QChar& key);
    // aviso: whether an item left without a price is reported (kWarnUnpriced, by "Salvar Dados")
    // or passed over in silence (kQuietlyUnpriced, after opening a file).
    static constexpr bool kWarnUnpriced = true;
    static constexpr bool kQuietlyUnpriced = false;
    void PropagaValorLotes(bool aviso);

    // Supplier registration.
    void BtnConfigClick();
    void CarregaDadosFornecedor();

    // Saving and exporting. "Salvar Dados" hands the file's write to a thread of its own when there
    // is something to write; CompleteSave waits for that write, if any, and shows "Dados Salvos !!!"
    // for it (a failed write throws the store's error instead). It runs by itself when the write
    // ends, and before anything else that needs the file written: another save, an export, an open,
    // the window's close.
    void BitBtn3Click();
    void CompleteSave();
    void btnExpArquivoClick();
    QString SelecionaPastaDestino();

    // The price round trip: the items out to a spreadsheet, prices and brands back from one.
    void btnExpPlanilhaClick();
    void btnImpPrecosClick();

    // Report.
    void BitBtn1Click();
    // `quorvel FILE`: opens FILE exactly as "Abrir" does when its dialog answers FILE (a relative
    // name is taken from the current folder).
    void OpenGivenFile(const QString& arquivo);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ConnectControls();
    void BindGrids();
    void CentreOnScreen();

    // "Abrir" after its dialog: the chosen file is locked, loaded and shown in the mode it asks for.
    void OpenChosenFile(const QString& escolhido);
    void AdjustToMode();
    void ShowSavedMessage();
    void SetPriceTitle(const QString& titulo);

    std::unique_ptr<ProposalRecordSet> proposta;
    std::unique_ptr<TDataSource> DSDigitacao;
    std::unique_ptr<TDataSource> DSLotes;
    QTimer* Timer1 = nullptr;
    // Emptied by Timer1.
    QString TextoBusca;

    std::unique_ptr<Ui::FormQuorvel> ui;
    bool centred = false;
};

} // namespace quorvel
