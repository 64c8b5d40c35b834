#pragma once

#include "platform/FileLock.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>

namespace quorvel {

class ProposalFileWriter;
class ProposalReportRows;
class TRecordWindows;
class TStoreField;
class TStoreTable;

// The supplier's registration data as read from "config.ini".
struct SupplierData {
    QString razaoSocial;
    QString identificador;
    std::int32_t tipoEmpresa = 0;
};

// How a proposal opened for a report only is read: a window of rows at a time from its file (what
// a file of the program's own form allows), or whole.
struct ReportReading {
    bool whole = false;
    // Rows a window holds: a few hundred kilobytes of them.
    std::uint32_t windowRows = 512;
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
    // Opens a proposal for reporting only: no lock, no supplier data, and the file is never written
    // back. The tables then look as a whole load leaves them (numitem order; in lot mode the lots
    // built, each with its total, and the first selected), but unless `leitura` asks for the whole
    // file, the item table holds only a window of the rows: the next ones in the order of its index
    // as the report walks them (ReportWindows), or the selected lot's. A file whose rows cannot be
    // read that way is loaded whole. The store's errors pass unchanged.
    void OpenForReport(const QString& arquivo, ReportReading leitura = {});
    // The walk over every item row of a proposal opened for a report a window at a time in item
    // mode, which the report's item walk follows; null otherwise (the item table holds its rows, or
    // the lot selection moves its window).
    TRecordWindows* ReportWindows() const;
    // "Salvar Dados"'s write: when the item table's data changed since its file was read or written
    // (or the file is gone), a copy of it is written to the file on a thread of its own, and `ended`
    // runs on that thread once it is written or has failed. True when a write was started; nothing
    // without an open file. A write still pending is finished first (its error is thrown here).
    bool StartProposalFileWrite(std::function<void()> ended);
    // A write was started whose outcome FinishProposalFileWrite has not collected yet.
    bool ProposalFileWritePending() const noexcept;
    // Waits for the pending write, if any: its failure is thrown here (the data then counts as not
    // written), its success makes the file hold the data as it was when the write started.
    void FinishProposalFileWrite();
    // Closes the item table, which writes the file when its data changed; the lock stays. A pending
    // write is finished first.
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
    // some item of some lot has no price (or a price of zero or less). The lot table ends on its first
    // lot. When neither table's rows changed since the last run, the rows already hold their lots'
    // values and the answer is the last one: nothing is walked. When every change since then was a
    // post of item rows, only the lots of those rows are walked again.
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
    // BuildLots and PropagaValorLotes for the rows of a report read a window at a time: each lot's
    // rows are shown in turn for its first row's texts and its total.
    void BuildReportLots();
    // The lot table made anew by `fill`, with both tables' handlers told that lots are being built;
    // both tables end on their first row.
    void MakeLotTable(const std::function<void(TStoreTable& itens, TStoreTable& lotes)>& fill);
    // The walk of PropagaValorLotes over the selected lot's rows; true when one of them has no price.
    bool PropagateIntoSelectedLot();
    // Walks every lot, or only the lots of `lotes` when given; records what the walk left.
    void WalkLots(const std::set<std::int64_t>* lotes);

    // Both tables' content versions at one moment.
    struct Versions {
        std::uint64_t items = 0;
        std::uint64_t lots = 0;
        friend bool operator==(const Versions&, const Versions&) = default;
    };
    Versions CurrentVersions() const;

    // What the last walk of PropagaValorLotes left: the versions after it (nothing when no walk
    // counts, as after a load) and the lots of which some item had no price.
    std::optional<Versions> propagado;
    std::set<std::int64_t> lotesSemPreco;
    // The item posts since that walk: the versions after the last one and the lots they changed.
    // It stays valid only while every stored change is such a post, each one followed by its own
    // roll-up; anything else (a delete, a load, an edit of the lot table) clears it.
    std::optional<Versions> acompanhado;
    std::set<std::int64_t> lotesAlterados;
    // The versions when the item post now running began (taken before it).
    Versions antesDoPost;
    // True while rows are posted whose roll-up would give their lot the total it has already (the
    // total sums quantity times price, and these posts change neither): the values of
    // PropagaValorLotes, whose lot was brought up to date first, and the supplier data of
    // CarregaDadosFornecedor, whose pass ends with one roll-up.
    bool rollUpSuspenso = false;

    std::unique_ptr<TStoreTable> CDSDigitacao;
    std::unique_ptr<TStoreTable> CDSLotes;
    // The item table's fields that the handlers read or write at every move and post, found once
    // when they are declared (a declared field stays the same object while the table lives).
    struct ItemFields {
        TStoreField* qtde = nullptr;
        TStoreField* precoIni = nullptr;
        TStoreField* totitem = nullptr;
        TStoreField* tipoprega = nullptr;
        TStoreField* valor = nullptr;
    };
    ItemFields campos;
    QString executableFolder;
    QString arquivo;
    SupplierData fornecedor;
    // Length of the item table's change log when its file was last read or written: the data
    // changed since then when the log grew.
    std::size_t alteracoesGravadas = 0;
    // The same length for the write still pending.
    std::size_t alteracoesEmGravacao = 0;
    // The lock file beside the open proposal, held from its opening until another file is opened or
    // the record set goes (after the table wrote the file back), across the reopening of an export.
    std::unique_ptr<FileLock> proposalLock;
    // "Salvar Dados"'s writes, off the caller's thread.
    std::unique_ptr<ProposalFileWriter> gravador;
    // The rows of a proposal opened for a report a window at a time (after the tables, which it
    // refers to, so that it goes first); true while the report's item walk follows them.
    std::unique_ptr<ProposalReportRows> reportRows;
    bool reportWalksWindows = false;
};

} // namespace quorvel
