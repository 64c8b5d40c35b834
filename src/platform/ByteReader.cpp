#include "platform/ByteReader.h"

namespace quorvel {

EByteRangeError::EByteRangeError(std::size_t offset, std::size_t wanted, std::size_t available)
    : Exception(QStringLiteral("Unexpected end of data at offset %1: %2 bytes needed, %3 left")
                    .arg(offset)
                    .arg(wanted)
                    .arg(available))
    , offset_(offset) {}

} // namespace quorvel
