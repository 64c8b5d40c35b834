#pragma once

#include <cstdint>

namespace quorvel {

// Horizontal alignment of a text in its box, as controls store it and export filters receive it.
enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

} // namespace quorvel
