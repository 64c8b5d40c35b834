#pragma once

#include "store/Packet.h"

namespace quorvel {

// One value of a record or of an aggregate: NULL (std::monostate) or a typed value, in the same
// form the datapacket keeps it, so records are stored without conversion.
using TStoreValue = FieldValue;

inline bool IsNullValue(const TStoreValue& value) noexcept {
    return std::holds_alternative<std::monostate>(value);
}

} // namespace quorvel
