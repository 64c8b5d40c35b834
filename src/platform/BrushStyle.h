#pragma once

#include "platform/Brush.h"

#include <cstdint>

namespace quorvel::draw {

// The metafile brush style that draws a canvas brush of the given style.
std::uint32_t BrushStyleCode(TBrushStyle style);

} // namespace quorvel::draw
