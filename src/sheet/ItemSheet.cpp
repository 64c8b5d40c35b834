#include "sheet/ItemSheet.h"

#include "sheet/ProposalRows.h"
#include "sheet/SheetLimits.h"

#include "store/StoreTable.h"

namespace quorvel {
namespace {

constexpr int kQuantityDecimals = 4;
constexpr int kPriceDecimals = 4;

// A memo longer than a cell holds is shown cut, with an ellipsis: the sheet is a copy for reading
// and pricing; the proposal keeps the whole text.
QString FitCell(const QString& text) {
    const int limit = SheetLimits{}.maxCellChars;
    if (text.size() <= limit) return text;
    return text.left(limit - 1) + QChar(0x2026);
}

void AddInteger(SheetRow& row, ItemColumn column, std::optional<std::int64_t> value) {
    if (value) row.AddNumber(static_cast<int>(column), static_cast<double>(*value), 0);
}

void AddDecimal(SheetRow& row, ItemColumn column, std::optional<TDecimal> value, int decimals) {
    if (value) row.AddNumber(static_cast<int>(column), value->ToDouble(), decimals);
}

void AddText(SheetRow& row, ItemColumn column, const QString& text) {
    row.AddText(static_cast<int>(column), FitCell(text));
}

std::vector<SheetColumn> ItemColumns() {
    using Entry = SheetColumn::Entry;
    return {
        // The first column is wide enough for the bold "Pregão" of the auction row.
        {8, Entry::Any, -1},   {6, Entry::Any, -1},  {8, Entry::Any, -1},
        {12, Entry::Any, -1},  {50, Entry::Any, -1}, {50, Entry::Any, -1},
        {5, Entry::Any, -1},   {12, Entry::Any, -1}, {16, Entry::Number, kPriceDecimals},
        {24, Entry::Text, -1},
    };
}

} // namespace

QString ItemColumnCaption(ItemColumn column) {
    switch (column) {
    case ItemColumn::Lote:
        return QStringLiteral("Lote");
    case ItemColumn::Item:
        return QStringLiteral("Item");
    case ItemColumn::Subitem:
        return QStringLiteral("Subitem");
    case ItemColumn::Material:
        return QStringLiteral("Material");
    case ItemColumn::Descricao:
        return QStringLiteral("Descrição");
    case ItemColumn::Especificacao:
        return QStringLiteral("Especificação");
    case ItemColumn::Unidade:
        return QStringLiteral("Un.");
    case ItemColumn::Quantidade:
        return QStringLiteral("Qtde.");
    case ItemColumn::Preco:
        return QStringLiteral("Preço Unitário");
    case ItemColumn::Marca:
        return QStringLiteral("Marca");
    }
    return QString();
}

QString AuctionCaption() {
    return QStringLiteral("Pregão");
}

Sheet BuildItemSheet(const TStoreTable& items) {
    const Datapacket& data = items.Data();
    const ProposalColumns columns(data);
    const std::vector<int> order = ItemsInNumberOrder(data, columns);

    Sheet sheet;
    sheet.name = QStringLiteral("Itens");
    sheet.columns = ItemColumns();
    sheet.frozenRows = 2;
    sheet.fitToPageWidth = true;
    sheet.rows.reserve(order.size() + 2);

    SheetRow& auction = sheet.AddRow();
    auction.heading = true;
    auction.AddText(0, AuctionCaption());
    if (!order.empty()) {
        const PacketRow& first = data.rows[static_cast<std::size_t>(order.front())];
        auction.AddText(1, TextOf(first, columns.sigla).trimmed());
        if (const auto convit = IntegerOf(first, columns.convit))
            auction.AddNumber(2, static_cast<double>(*convit), 0);
        auction.AddText(3, TextOf(first, columns.anoc).trimmed());
    }

    SheetRow& heading = sheet.AddRow();
    heading.heading = true;
    for (int c = 0; c < kItemColumnCount; ++c)
        heading.AddText(c, ItemColumnCaption(static_cast<ItemColumn>(c)));

    for (const int index : order) {
        const PacketRow& item = data.rows[static_cast<std::size_t>(index)];
        SheetRow& row = sheet.AddRow();
        AddInteger(row, ItemColumn::Lote, IntegerOf(item, columns.idItem));
        AddInteger(row, ItemColumn::Item, IntegerOf(item, columns.numitem));
        AddInteger(row, ItemColumn::Subitem, IntegerOf(item, columns.nuitem));
        AddText(row, ItemColumn::Material, TextOf(item, columns.material));
        AddText(row, ItemColumn::Descricao, TextOf(item, columns.descrItem));
        AddText(row, ItemColumn::Especificacao, TextOf(item, columns.complDescr));
        AddText(row, ItemColumn::Unidade, TextOf(item, columns.upsigl));
        AddDecimal(row, ItemColumn::Quantidade, DecimalOf(item, columns.qtde), kQuantityDecimals);
        AddDecimal(row, ItemColumn::Preco, DecimalOf(item, columns.precoIni), kPriceDecimals);
        AddText(row, ItemColumn::Marca, TextOf(item, columns.marca));
    }
    return sheet;
}

} // namespace quorvel
