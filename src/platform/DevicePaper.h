#pragma once

#include "platform/Printer.h"

#include <QPageSize>

#include <optional>

namespace quorvel {

// The paper of a device-mode record as Qt's page sizes, for the printers over the print queues.

// The driver code of a page size: the classic paper numbering Qt's page sizes carry, DMPAPER_USER
// for a custom size, 0 for an invalid one or a size without a code.
int PaperCode(const QPageSize& size);

// The paper a device-mode record asks for, if it asks for one: a listed paper code wins over the
// length and width, as a driver takes them.
std::optional<QPageSize> RequestedPaper(const TDeviceMode& mode);

// Fills the record's paper fields (code, width and length in tenths of a millimetre, portrait) from
// a page size.
void DescribePaper(const QPageSize& size, TDeviceMode& mode);

} // namespace quorvel
