#pragma once

#include "store/Packet.h"

#include <string>

namespace quorvel {

enum class DumpRows { Current, AllVersions };

// The dump of a datapacket as one JSON object (UTF-8): "fields" in file order, "params" as their text
// values, and "rows" (the current rows, or every stored version with its "RowState").
std::string DatapacketToJson(const Datapacket& packet, DumpRows rows);

} // namespace quorvel
