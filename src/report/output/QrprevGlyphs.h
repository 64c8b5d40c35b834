#pragma once

#include <QIcon>

namespace quorvel {

// A printer, for the buttons that print (the style's standard pixmaps have none): a sheet going in
// at the top, the printer's body, and a printed sheet coming out at the front. Drawn at 16, 24 and
// 32 pixels.
QIcon PrinterGlyph();

} // namespace quorvel
