#pragma once

#include "sheet/Sheet.h"

#include <QString>

#include <array>

namespace quorvel {

class TStoreTable;

// The columns of the item sheet, in the order the export writes them.
enum class ItemColumn {
    Lote,          // id_item
    Item,          // numitem
    Subitem,       // nuitem
    Material,      // material
    Descricao,     // descr_item
    Especificacao, // compl_descr
    Unidade,       // upsigl
    Quantidade,    // qtde
    Preco,         // preco_ini
    Marca,         // marca
};
inline constexpr int kItemColumnCount = 10;

// The column's heading: "Lote", "Item", …, "Preço Unitário", "Marca".
QString ItemColumnCaption(ItemColumn column);
// The first cell of the row that names the auction: "Pregão".
QString AuctionCaption();

// The item sheet of a proposal: a row naming the auction ("Pregão", sigla, convit, anoc of the first
// item), the row of column headings, then one row per current item of the table in numitem, nuitem
// order, whatever the table's order and filter: the key columns as numbers, quantity and unit price
// (empty when the item has none) as numbers with four decimals shown, the rest as texts. Reads the
// stored rows only, so an edit not yet posted is not part of it.
Sheet BuildItemSheet(const TStoreTable& items);

} // namespace quorvel
