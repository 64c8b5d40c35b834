#pragma once

#include "sheet/Sheet.h"
#include "sheet/SheetLimits.h"

#include <span>

namespace quorvel {

// Readers of the first table of a spreadsheet file held in memory. Files are untrusted: every size,
// count and index is checked, and anything the reader cannot take ends in an ESheetError with a
// message that says what is wrong and where, after bounded time and memory.

// An Office Open XML workbook: its first sheet, with shared, inline and formula texts, numbers,
// booleans and error values (as texts).
Sheet ReadXlsx(std::span<const char> bytes, const SheetLimits& limits = {});
// An OpenDocument spreadsheet: the first table of content.xml, with repeated rows and cells.
Sheet ReadOds(std::span<const char> bytes, const SheetLimits& limits = {});
// Text separated by ";" or "," (whichever the first line uses more), in UTF-8 (with or without a
// byte-order mark) or else Windows-1252, quoted as spreadsheets quote. Every cell is a text; the
// apostrophe that keeps a formula-like text a text is taken away.
Sheet ReadCsv(std::span<const char> bytes, const SheetLimits& limits = {});

} // namespace quorvel
