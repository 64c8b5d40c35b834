#include "store/PacketBinaryFormat.h"

#include "store/PacketTypeTable.h"

namespace quorvel::binary_packet {

std::uint32_t CountSizeForWidth(int width) {
    if (width <= 254) return 1;
    if (width <= 65535) return 2;
    return 4;
}

std::uint32_t TypeCode(PacketType type, int width) {
    const PacketTypeRow& row = PacketTypeRowOf(type);
    switch (row.form) {
    case BinaryForm::Variable:
        return Code(row.binaryKind, row.binarySize != 0 ? row.binarySize : CountSizeForWidth(width),
                    kVariable);
    case BinaryForm::Array:
        return Code(row.binaryKind, row.binarySize, kArray);
    default:
        return Code(row.binaryKind, row.binarySize);
    }
}

bool TypeFromCode(std::uint32_t code, PacketType& type) {
    const std::uint32_t kind = (code >> 16) & 0x3F;
    const std::uint32_t size = code & 0xFFFF;
    const bool variable = (code & kVariable) != 0;
    const bool array = (code & kArray) != 0;
    for (const PacketTypeRow& row : kPacketTypes) {
        if (row.binaryKind != kind || (row.form == BinaryForm::Array) != array) continue;
        switch (row.form) {
        case BinaryForm::Exact:
            if (variable || size != row.binarySize) continue;
            type = row.type;
            return true;
        case BinaryForm::AnySize:
            type = row.type;
            return true;
        case BinaryForm::Variable:
            type = row.type;
            return variable;
        case BinaryForm::ExactOrCount:
            type = row.type;
            return variable || size == row.binarySize;
        case BinaryForm::Array:
            type = row.type;
            return !variable && size == row.binarySize;
        }
    }
    return false;
}

int IntegerSize(PacketType type) {
    const PacketTypeRow& row = PacketTypeRowOf(type);
    const bool integer = row.kind == FieldKind::Integer || row.kind == FieldKind::Unsigned;
    return integer ? row.binarySize : 8;
}

} // namespace quorvel::binary_packet
