#pragma once

#include "platform/ByteWriter.h"
#include "platform/MetafileFormat.h"

#include <cstdint>

// Metafile fields shared by the metafile writer and the conversion to the older format.
namespace quorvel::emf {

// Rectangles and sizes as the metafile formats lay them out: 32-bit little-endian fields.
inline void WriteRect(ByteWriter& out, const RectL& r) {
    out.I32LE(r.left);
    out.I32LE(r.top);
    out.I32LE(r.right);
    out.I32LE(r.bottom);
}
inline void WriteSize(ByteWriter& out, const SizeL& s) {
    out.I32LE(s.cx);
    out.I32LE(s.cy);
}

inline constexpr std::uint32_t Align4(std::uint32_t n) noexcept {
    return (n + 3) & ~3u;
}

} // namespace quorvel::emf
