#pragma once

#include "platform/MetafileFormat.h"

#include <QByteArray>

#include <cstdint>
#include <cstring>

// Little-endian helpers shared by the metafile writer and reader.
namespace quorvel::emf {

inline void AppendU16(QByteArray& out, std::uint16_t value) {
    const char bytes[2] = {char(value & 0xFF), char(value >> 8)};
    out.append(bytes, 2);
}
inline void AppendU32(QByteArray& out, std::uint32_t value) {
    const char bytes[4] = {char(value & 0xFF), char(value >> 8 & 0xFF), char(value >> 16 & 0xFF),
                           char(value >> 24)};
    out.append(bytes, 4);
}
inline void AppendI32(QByteArray& out, std::int32_t value) {
    AppendU32(out, std::uint32_t(value));
}
inline void AppendRect(QByteArray& out, const RectL& r) {
    AppendI32(out, r.left);
    AppendI32(out, r.top);
    AppendI32(out, r.right);
    AppendI32(out, r.bottom);
}
inline void AppendSize(QByteArray& out, const SizeL& s) {
    AppendI32(out, s.cx);
    AppendI32(out, s.cy);
}
inline void AppendF32(QByteArray& out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    AppendU32(out, bits);
}
inline void PadTo4(QByteArray& out) {
    while (out.size() % 4 != 0)
        out.append('\0');
}
inline void PutU32(QByteArray& out, qsizetype offset, std::uint32_t value) {
    out[offset] = char(value & 0xFF);
    out[offset + 1] = char(value >> 8 & 0xFF);
    out[offset + 2] = char(value >> 16 & 0xFF);
    out[offset + 3] = char(value >> 24);
}
inline constexpr std::uint32_t Align4(std::uint32_t n) noexcept {
    return (n + 3) & ~3u;
}

} // namespace quorvel::emf
