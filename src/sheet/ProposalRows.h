#pragma once

#include "store/Packet.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvel {

// The item table's stored fields that the sheets read and write, located once in a datapacket.
// Missing fields are refused with an ESheetError naming the first.
struct ProposalColumns {
    explicit ProposalColumns(const Datapacket& data);

    int idItem, numitem, nuitem, material, descrItem, complDescr, upsigl, qtde, precoIni, marca;
    int sigla, convit, anoc;
};

// Values of a row for the sheets: texts in the user's characters (from the code page), numbers as
// they are.
QString TextOf(const PacketRow& row, int column);
std::optional<std::int64_t> IntegerOf(const PacketRow& row, int column);
std::optional<TDecimal> DecimalOf(const PacketRow& row, int column);

// The current rows of the item table in numitem, nuitem order (an empty number first), rows with
// the same numbers in the order they are stored.
std::vector<int> ItemsInNumberOrder(const Datapacket& data, const ProposalColumns& columns);

} // namespace quorvel
