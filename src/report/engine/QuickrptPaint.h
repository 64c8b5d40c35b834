#pragma once

#include "platform/CanvasTypes.h"

namespace quorvel {

class TCustomQuickRep;
class TQRFrame;

// Draws a frame into a rectangle of the page store's canvas (device pixels) and, while the report
// exports, hands the filter the frame's shapes: first the background of an opaque printable (when
// background is given), then one rectangle for a frame on all four sides, else one line per side.
void QRPaintFrame(const TQRFrame& frame, TCustomQuickRep& report, const TRect& rect,
                  const TColor* background = nullptr);

} // namespace quorvel
