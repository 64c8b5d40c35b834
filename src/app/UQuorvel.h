#pragma once

#include "platform/FileLock.h"

#include <QMainWindow>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

class QTimer;

namespace Ui {
class FormQuorvel;
}

namespace quorvel {

class TStoreTable;
class TStoreField;
class TDataSource;

// The main window: the whole working surface of the program. It owns the proposal's item table
// CDSDigitacao (loaded from and written back to the proposal file), the lot table CDSLotes (built in
// memory in lot mode), their data sources and the supplier data read from "config.ini", and hosts
// the buttons that save, export, print and register the supplier.
class TFormQuorvel : public QMainWindow {
    Q_OBJECT

public:
    // executableFolder is where "config.ini" lives (ending with a separator); the program passes the
    // folder of its executable, tests a temporary folder.
    explicit TFormQuorvel(QString executableFolder, QWidget* parent = nullptr);
    ~TFormQuorvel() override;

    Ui::FormQuorvel& Form() { return *ui; }
    const QString& ExecutableFolder() const { return executableFolder; }

    // The proposal record set, for the report, the command-line tool and tests.
    TStoreTable& ItemTable() const { return *CDSDigitacao; }
    TStoreTable& LotTable() const { return *CDSLotes; }
    // Characters typed so far for the incremental search of both grids.
    const QString& SearchText() const { return TextoBusca; }
    // Supplier data as last read from "config.ini"; the headless report sets the name it prints.
    const QString& SupplierName() const { return RazaoSocial; }
    void SetSupplierName(const QString& name) { RazaoSocial = name; }
    std::int32_t SupplierType() const { return TipoEmpresa; }

    // Window and file.
    void FormCreate();
    void FormClose();
    void BtnAbreXMLClick();
    void CDSDigitacaoBeforeOpen(TStoreTable& dataSet);
    void OrdenaPorNumItem();
    void CDSLotesBeforeScroll(TStoreTable& dataSet);
    void CDSLotesAfterScroll(TStoreTable& dataSet);
    void Timer1Timer();

    // Price and brand entry.
    void DBGrid1KeyPress(QChar& key);
    void DBGrid2KeyPress(QChar& key);
    void CDSDigitacaoBeforeInsert(TStoreTable& dataSet);
    void CDSLotesBeforeInsert(TStoreTable& dataSet);
    void CDSDigitacaoCalcFields(TStoreTable& dataSet);
    void CDSDigitacaoBeforePost(TStoreTable& dataSet);
    void CDSDigitacaoAfterPost(TStoreTable& dataSet);
    // aviso: whether an item left without a price is reported (kWarnUnpriced, by "Salvar Dados")
    // or passed over in silence (kQuietlyUnpriced, after opening a file).
    static constexpr bool kWarnUnpriced = true;
    static constexpr bool kQuietlyUnpriced = false;
    void PropagaValorLotes(bool aviso);

    // Supplier registration.
    void BtnConfigClick();
    void CarregaDadosFornecedor();

    // Saving and exporting.
    void BitBtn3Click();
    void btnExpArquivoClick();
    QString SelecionaPastaDestino();

    // Report.
    void BitBtn1Click();
    // `quorvel FILE`: opens FILE exactly as "Abrir" does when its dialog answers FILE (a relative
    // name is taken from the current folder).
    void OpenGivenFile(const QString& arquivo);
    // Opens a proposal file for reporting only, as "Abrir" does but without the supplier
    // registration: the rows stay in memory and the file is never written back. The store's errors
    // pass unchanged.
    void OpenProposalForReport(const QString& arquivo);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void DeclareItemFields();
    void DeclareLotFields();
    void ConnectControls();
    void BindGrids();
    void CentreOnScreen();

    // "Abrir" before and after its dialog: the open file is written back and closed; then the
    // chosen file is locked, loaded and shown in the mode it asks for.
    void CloseBeforeOpening();
    void OpenChosenFile(const QString& escolhido);
    bool IsLotMode() const;
    void BuildLots();
    void AdjustToMode();
    void SetPriceTitle(const QString& titulo);
    void UpdateLotValue();
    void PostPending();
    void OpenItemTable();
    void WriteProposalFile();

    std::unique_ptr<TStoreTable> CDSDigitacao;
    std::unique_ptr<TStoreTable> CDSLotes;
    std::unique_ptr<TDataSource> DSDigitacao;
    std::unique_ptr<TDataSource> DSLotes;
    QTimer* Timer1 = nullptr;
    // Emptied by Timer1.
    QString TextoBusca;
    QString RazaoSocial;
    QString Identificador;
    std::int32_t TipoEmpresa = 0;

    std::unique_ptr<Ui::FormQuorvel> ui;
    QString executableFolder;
    bool centred = false;
    // Length of the item table's change log when its file was last read or written: the data
    // changed since then when the log grew.
    std::size_t alteracoesGravadas = 0;
    // The lock file beside the open proposal, held from its opening until another file is opened or
    // the window is destroyed (after the table wrote the file back), across the reopening of an export.
    std::unique_ptr<FileLock> proposalLock;
};

} // namespace quorvel
