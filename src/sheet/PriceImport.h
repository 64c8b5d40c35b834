#pragma once

#include "sheet/Sheet.h"

#include "store/Decimal.h"

#include <QString>

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class TStoreTable;

// An item of the proposal as the sheet names it: Lote (id_item), Item (numitem), Subitem (nuitem,
// which an item may lack).
struct ItemKey {
    std::int64_t lote = 0;
    std::int64_t item = 0;
    std::optional<std::int64_t> subitem;
    friend auto operator<=>(const ItemKey&, const ItemKey&) = default;
};
// "Lote 1, Item 2, Subitem 3" ("Subitem vazio" when it has none).
QString DescribeItem(const ItemKey& key);

// What one row of the sheet changes in its item: a new unit price (exact, four places), a new brand
// (code-page text as the item stores it), or both.
struct PriceUpdate {
    ItemKey key;
    int sheetRow = 0;
    std::optional<TDecimal> price;
    std::optional<std::string> brand;
};

// A row of the sheet that cannot be imported: its number, the heading of the column at fault and
// why, as in "linha 7, Preço Unitário: '12,5,0' não é um número".
struct SheetRowError {
    int row = 0;
    QString column;
    QString reason;
    QString Message() const;
};

// A row whose item the proposal does not have.
struct UnknownItem {
    int row = 0;
    ItemKey key;
};

// What importing a sheet into a proposal would do, worked out before anything changes.
struct PriceImportPlan {
    // The changes, in the proposal's numitem, nuitem order; rows that would change nothing are left
    // out (an empty cell leaves its value as it is).
    std::vector<PriceUpdate> updates;
    int prices = 0; // updates that set a price
    int brands = 0; // updates that set a brand
    std::vector<SheetRowError> errors;
    std::vector<UnknownItem> notInProposal;
    std::vector<ItemKey> notInSheet; // current items no row names, in numitem, nuitem order

    bool HasErrors() const noexcept { return !errors.empty(); }
};

// Reads an import sheet against the item table's stored rows. The heading row is the first row with
// the headings Lote, Item and Subitem and at least one of Preço Unitário and Marca, found with letter
// case and accents ignored, in any order; other columns are ignored. Rows below it are matched to
// items by (Lote, Item, Subitem); where the sheet has a Material column, a row's material must be the
// item's. A price is a number, taken to the nearest 0.0001 (a half to the even neighbour), or a
// Brazilian text ("1.234,5", "R$ 12,50") of at most four decimals; a negative price is refused. A
// brand is a text of at most the field's width. Throws ESheetError, and so refuses the whole sheet,
// when it has no heading row, repeats a heading, or names another auction in its "Pregão" row.
PriceImportPlan PlanPriceImport(const Sheet& sheet, const TStoreTable& items);

// Where an import's changes are posted: the proposal's item table with the handlers that typing
// runs (before and after post, the lot roll-up), so that the change log records every edit.
class PriceImportTarget {
public:
    virtual ~PriceImportTarget() = default;
    // Posts one item's new price and/or brand, as typing them into its row and posting would.
    virtual void PostItem(const PriceUpdate& update) = 0;
    // Runs once after the last post (in lot mode the copy of the lots' values into their items).
    virtual void Finish() = 0;
};

// Posts every change of the plan in order, then finishes. A plan with any row in error is refused
// whole, before the first post, with an ESheetError naming the first.
void ApplyPriceImport(const PriceImportPlan& plan, PriceImportTarget& target);

} // namespace quorvel
