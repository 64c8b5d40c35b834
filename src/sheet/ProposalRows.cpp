#include "sheet/ProposalRows.h"

#include "sheet/SheetError.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <string>

namespace quorvel {
namespace {

int Column(const Datapacket& data, const char* name) {
    const int column = data.FieldIndex(name);
    if (column < 0)
        throw ESheetError(QStringLiteral("a proposta não tem o campo '%1'").arg(QLatin1String(name)));
    return column;
}

} // namespace

ProposalColumns::ProposalColumns(const Datapacket& data)
    : idItem(Column(data, "id_item"))
    , numitem(Column(data, "numitem"))
    , nuitem(Column(data, "nuitem"))
    , material(Column(data, "material"))
    , descrItem(Column(data, "descr_item"))
    , complDescr(Column(data, "compl_descr"))
    , upsigl(Column(data, "upsigl"))
    , qtde(Column(data, "qtde"))
    , precoIni(Column(data, "preco_ini"))
    , marca(Column(data, "marca"))
    , sigla(Column(data, "sigla"))
    , convit(Column(data, "convit"))
    , anoc(Column(data, "anoc")) {}

QString TextOf(const PacketRow& row, int column) {
    const FieldView value = row.values[static_cast<std::size_t>(column)];
    if (const auto* text = std::get_if<std::string_view>(&value)) return Cp1252ToQString(*text);
    if (const auto* wide = std::get_if<std::u16string_view>(&value)) return Utf16ToQString(*wide);
    if (const auto* number = std::get_if<std::int64_t>(&value)) return QString::number(*number);
    return QString();
}

std::optional<std::int64_t> IntegerOf(const PacketRow& row, int column) {
    const FieldView value = row.values[static_cast<std::size_t>(column)];
    if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
    return std::nullopt;
}

std::optional<TDecimal> DecimalOf(const PacketRow& row, int column) {
    const FieldView value = row.values[static_cast<std::size_t>(column)];
    if (const auto* decimal = std::get_if<TDecimal>(&value)) return *decimal;
    return std::nullopt;
}

std::vector<int> ItemsInNumberOrder(const Datapacket& data, const ProposalColumns& columns) {
    using Key = std::pair<std::optional<std::int64_t>, std::optional<std::int64_t>>;
    std::vector<std::pair<Key, int>> keyed;
    for (std::size_t i = 0; i < data.rows.size(); ++i) {
        const PacketRow& row = data.rows[i];
        if (IsCurrentRow(row.rowState))
            keyed.push_back(
                {{IntegerOf(row, columns.numitem), IntegerOf(row, columns.nuitem)}, static_cast<int>(i)});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int> rows;
    rows.reserve(keyed.size());
    for (const auto& entry : keyed)
        rows.push_back(entry.second);
    return rows;
}

} // namespace quorvel
