#include "store/PacketBinaryFormat.h"

namespace quorvel::binary_packet {

std::uint32_t CountSizeForWidth(int width) {
    if (width <= 254) return 1;
    if (width <= 65535) return 2;
    return 4;
}

std::uint32_t TypeCode(PacketType type, int width) {
    switch (type) {
    case PacketType::I1:
        return Code(1, 1);
    case PacketType::I2:
        return Code(1, 2);
    case PacketType::I4:
        return Code(1, 4);
    case PacketType::I8:
        return Code(1, 8);
    case PacketType::UI1:
        return Code(2, 1);
    case PacketType::UI2:
        return Code(2, 2);
    case PacketType::UI4:
        return Code(2, 4);
    case PacketType::UI8:
        return Code(2, 8);
    case PacketType::Boolean:
        return Code(3, 2);
    case PacketType::R8:
        return Code(4, 8);
    case PacketType::R10:
        return Code(4, 10);
    case PacketType::Fixed:
        return Code(5, 8);
    case PacketType::FixedFMT:
        return Code(18, 8);
    case PacketType::Date:
        return Code(6, 4);
    case PacketType::Time:
        return Code(7, 4);
    case PacketType::DateTime:
        return Code(8, 8);
    case PacketType::SQLDateTime:
        return Code(17, 8);
    case PacketType::String:
        return Code(9, CountSizeForWidth(width), kVariable);
    case PacketType::StringUni:
        return Code(10, CountSizeForWidth(width), kVariable);
    case PacketType::BinHex:
        return Code(11, 4, kVariable);
    case PacketType::Struct:
        return Code(12, 0);
    case PacketType::Nested:
        return Code(14, 0);
    case PacketType::IntArray:
        return Code(1, 4, kArray);
    case PacketType::UIntArray:
        return Code(2, 4, kArray);
    }
    return Code(9, 4, kVariable);
}

bool TypeFromCode(std::uint32_t code, PacketType& type) {
    const std::uint32_t kind = (code >> 16) & 0x3F;
    const std::uint32_t size = code & 0xFFFF;
    if ((code & kArray) != 0) {
        if ((code & kVariable) != 0) return false;
        if (kind == 1)
            type = PacketType::IntArray;
        else if (kind == 2)
            type = PacketType::UIntArray;
        else
            return false;
        return size == 4;
    }
    const bool variable = (code & kVariable) != 0;
    switch (kind) {
    case 1:
    case 2: {
        if (variable) return false;
        const bool s = kind == 1;
        if (size == 1)
            type = s ? PacketType::I1 : PacketType::UI1;
        else if (size == 2)
            type = s ? PacketType::I2 : PacketType::UI2;
        else if (size == 4)
            type = s ? PacketType::I4 : PacketType::UI4;
        else if (size == 8)
            type = s ? PacketType::I8 : PacketType::UI8;
        else
            return false;
        return true;
    }
    case 3:
        type = PacketType::Boolean;
        return variable || size == 2;
    case 4:
        if (variable) return false;
        if (size == 8)
            type = PacketType::R8;
        else if (size == 10)
            type = PacketType::R10;
        else
            return false;
        return true;
    case 5:
        type = PacketType::Fixed;
        return true;
    case 18:
        type = PacketType::FixedFMT;
        return true;
    case 6:
        type = PacketType::Date;
        return true;
    case 7:
        type = PacketType::Time;
        return true;
    case 8:
        type = PacketType::DateTime;
        return true;
    case 17:
        type = PacketType::SQLDateTime;
        return true;
    case 9:
        type = PacketType::String;
        return variable;
    case 10:
        type = PacketType::StringUni;
        return variable;
    case 11:
        type = PacketType::BinHex;
        return variable;
    case 12:
        type = PacketType::Struct;
        return true;
    case 14:
        type = PacketType::Nested;
        return true;
    default:
        return false;
    }
}

int IntegerSize(PacketType type) {
    switch (type) {
    case PacketType::I1:
    case PacketType::UI1:
        return 1;
    case PacketType::I2:
    case PacketType::UI2:
        return 2;
    case PacketType::I4:
    case PacketType::UI4:
        return 4;
    default:
        return 8;
    }
}

} // namespace quorvel::binary_packet
