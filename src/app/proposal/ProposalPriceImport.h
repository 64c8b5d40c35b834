#pragma once

#include "app/proposal/TableAccess.h"
#include "sheet/PriceImport.h"

#include <map>
#include <optional>

namespace quorvel {

class ProposalRecordSet;

// The price import posted into an open proposal exactly as typing posts it: each item row is put in
// edit state, given its new price and brand, and posted, so that BeforePost, AfterPost and the lot
// roll-up run and the change log records the edit. In lot mode each row's lot is selected first (the
// item table then shows that lot's rows, and the roll-up credits it), and Finish runs
// PropagaValorLotes once; the first lot is selected again at the end. The bound controls stay quiet
// while the target lives.
class ProposalPriceImport final : public PriceImportTarget {
public:
    explicit ProposalPriceImport(ProposalRecordSet& proposta);

    void PostItem(const PriceUpdate& update) override;
    void Finish() override;

private:
    void SelectLot(std::int64_t lote);
    void IndexVisibleRows();

    ProposalRecordSet& proposta_;
    SuspendedControls quietos_;
    std::optional<std::int64_t> loteAtual_;
    bool indexado_ = false;
    // The record number of each item row the item table shows now, by its key.
    std::map<ItemKey, int> linhas_;
};

} // namespace quorvel
