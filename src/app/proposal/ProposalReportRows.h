#pragma once

#include "report/engine/DataSetComponent.h"
#include "store/RowValues.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quorvel {

class PacketRowFile;
class TStoreTable;

// A proposal that is only reported, read from its file a window of rows at a time instead of held
// whole. The scan keeps, for every current item row, where it lies in the file, its place in the
// item number's order and its lot (about three dozen bytes with the row file's); the item table is then given
// one window of rows at a time — the next rows of the order its index names, or the rows of one lot — so that
// the report of any number of items runs in about the same memory.
//
// The table's own index orders a window's rows, which come with ties in record order: a window
// orders, breaks ties and sums exactly as the whole table does over the same rows.
class ProposalReportRows final : public TRecordWindows {
public:
    // Scans `fileName` for the item table `itens` (declared and closed), whose windows hold up to
    // `windowRows` rows. Null when the file is not one this reading serves: its rows are not read
    // again from the file (it was read whole), or its item numbers or lots are missing or not whole
    // numbers. The store's errors pass unchanged.
    static std::unique_ptr<ProposalReportRows> Scan(const QString& fileName, TStoreTable& itens,
                                                    std::uint32_t windowRows);
    // No rows yet: Scan gives the rows of a file.
    ProposalReportRows(TStoreTable& itens, std::uint32_t windowRows);
    ~ProposalReportRows() override;
    ProposalReportRows(const ProposalReportRows&) = delete;
    ProposalReportRows& operator=(const ProposalReportRows&) = delete;

    // True when some current row has no lot (lot mode does not serve it).
    bool SomeRowWithoutLot() const noexcept;
    // Lots are not asked for (item mode): what is kept of them goes.
    void ForgetLots();
    // The lots in the order of their first rows by item number (each lot once).
    std::vector<std::int64_t> LotsInItemOrder();
    // The item table on the rows of lot `id` (none for a lot without rows), on its first.
    void ShowLot(std::int64_t id);

    // The item table on the first window in item number order (the order of its opening).
    void ShowFirstByNumber();

    // The walk over every row in the order of the item table's index field names (the record set
    // names an index after the same fields).
    void ShowFirst() override;
    bool ShowNext() override;
    bool ShowPrior() override;
    int RecordCount() const override;

private:
    // One order of the rows: their positions in versions_.
    struct Order {
        QString fieldNames;
        std::vector<std::uint32_t> positions;
    };

    // The rows in the order of `fieldNames` (the item number's order is made by the scan; another is
    // made the first time it is asked for, from the rows read again).
    const Order& OrderFor(const QString& fieldNames);
    Order OrderByReadKeys(const QString& fieldNames);
    // The item table on the entries at `positions`.
    void Load(std::span<const std::uint32_t> positions);
    void ShowWindow(std::size_t window, bool onLast);
    // Groups the entries by lot, the first time lots are asked for.
    void GroupLots();

    TStoreTable& itens_;
    std::uint32_t windowRows_;
    std::unique_ptr<PacketRowFile> file_;
    // The current rows in record order (the order ties are broken in): their stored versions and
    // their lots (none once forgotten).
    std::vector<std::uint32_t> versions_;
    std::vector<std::int64_t> lotes_;
    bool semLote_ = false;
    Order porNumero_;
    std::unique_ptr<Order> outraOrdem_;
    // The walk: its order and the window the table shows.
    const Order* ordem_ = nullptr;
    std::size_t janela_ = 0;
    // Lots: entry positions grouped by lot, and where each lot's group starts.
    std::vector<std::uint32_t> porLote_;
    std::vector<std::pair<std::int64_t, std::uint32_t>> inicioDoLote_;
};

} // namespace quorvel
