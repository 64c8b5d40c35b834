#pragma once

#include "platform/FileLock.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace quorvel {

class TStoreTable;

// The supplier's registration data as read from "config.ini".
struct SupplierData {
    QString razaoSocial;
    QString identificador;
    std::int32_t tipoEmpresa = 0;
};

// The proposal without its window: the item table CDSDigitacao (loaded from and written back to the
// proposal file, under the file's lock), the lot table CDSLotes (built in memory in lot mode), the
// handlers that run around every post (the copy of the price into valor in item mode, the lot
// roll-up), the lot build and selection, PropagaValorLotes and the supplier data written into the
// rows. The main window binds its controls to these tables; the headless tools use them as they are.
// Nothing here shows a window or asks a question.
class ProposalRecordSet {
public:
    // executableFolder is where "config.ini" lives (ending with a separator).
    explicit ProposalRecordSet(QString executableFolder);
    ~ProposalRecordSet();
    ProposalRecordSet(const ProposalRecordSet&) = delete;
    ProposalRecordSet& operator=(const ProposalRecordSet&) = delete;

    TStoreTable& ItemTable() const { return *CDSDigitacao; }
    TStoreTable& LotTable() const { return *CDSLotes; }
    const QString& ExecutableFolder() const { return executableFolder; }
    // The proposal file last chosen (its full path), kept after the table closes; empty before any.
    const QString& FileName() const { return arquivo; }

    // The supplier data as last read from "config.ini"; the headless report sets the name it prints.
    const SupplierData& Supplier() const { return fornecedor; }
    void SetSupplierName(const QString& name) { fornecedor.razaoSocial = name; }

    // True while a file is open whose current row's tipoprega is "L".
    bool IsLotMode() const;
    // numitem order, by field list and then by the name CDSDigitacaoIndex2 (the name wins).
    void OrdenaPorNumItem();
    // Posts the item row being edited, if any (with its handlers).
    void PostPending();

    // Opening: the open file is written back and closed (a pending price posted and, in lot mode,
    // every row given its lot's value first) and its lock released; then `escolhido` is locked and
    // loaded in numitem order. Returns the holder of the lock, loading nothing, when another process
    // edits the file. A file that cannot be read ends in EDatabaseError naming it, with the item
    // table closed and FileName already the new path.
    void CloseBeforeOpening();
    std::optional<LockHolder> OpenFile(const QString& escolhido);
    // The lot table anew from the item rows: one row per distinct id_item, in id_item order, from the
    // lot's first item row in numitem order; both tables end on their first row.
    void BuildLots();
    // Loads a proposal for reporting only: no lock, no supplier data, and the rows stay in memory
    // (the file is never written back). The store's errors pass unchanged.
    void OpenForReport(const QString& arquivo);
    // Writes the item table to its file now when its data changed since it was read or written (or
    // the file is gone); nothing without an open file.
    void WriteProposalFile();
    // Closes the item table, which writes the file when its data changed; the lock stays.
    void CloseItemTable();
    // Closes the item table without writing anything: what changed since the file was read is lost.
    void DiscardChanges();
    // Opens the item table again on FileName (after an export closed it), in numitem order.
    void OpenItemTable();

    // Reads "config.ini" into Supplier() (an invalid "TIPOEMPRESA" ends in EConvertError before any
    // row changes) and writes it into the visible item rows, each posted with its handlers; in lot
    // mode with a lot selected, into the rows of every lot in turn, and the lot and row stay where
    // they were.
    void CarregaDadosFornecedor();

    // Copies each lot's value into its rows (lot mode only; item mode returns false at once). True when
    // some item of some lot has no price (or a price of zero or less).
    bool PropagaValorLotes();

    // The handlers of the two tables.
    void CDSDigitacaoBeforeOpen(TStoreTable& dataSet);
    void CDSDigitacaoBeforeInsert(TStoreTable& dataSet);
    void CDSLotesBeforeInsert(TStoreTable& dataSet);
    void CDSDigitacaoCalcFields(TStoreTable& dataSet);
    void CDSDigitacaoBeforePost(TStoreTable& dataSet);
    void CDSDigitacaoAfterPost(TStoreTable& dataSet);
    void CDSLotesBeforeScroll(TStoreTable& dataSet);
    void CDSLotesAfterScroll(TStoreTable& dataSet);

private:
    void DeclareItemFields();
    void DeclareLotFields();
    void UpdateLotValue();

    std::unique_ptr<TStoreTable> CDSDigitacao;
    std::unique_ptr<TStoreTable> CDSLotes;
    QString executableFolder;
    QString arquivo;
    SupplierData fornecedor;
    // Length of the item table's change log when its file was last read or written: the data
    // changed since then when the log grew.
    std::size_t alteracoesGravadas = 0;
    // The lock file beside the open proposal, held from its opening until another file is opened or
    // the record set goes (after the table wrote the file back), across the reopening of an export.
    std::unique_ptr<FileLock> proposalLock;
};

} // namespace quorvel
