#pragma once

#include <cstdint>

namespace quorvel {

// How a window stays among the others: plainly, or above every other window of the desktop.
enum class TFormStyle : std::uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

// The state a window is shown in.
enum class TWindowState : std::uint8_t { wsNormal, wsMinimized, wsMaximized };

} // namespace quorvel
