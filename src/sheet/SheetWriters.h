#pragma once

#include "sheet/Sheet.h"

#include <string>

namespace quorvel {

// Writers of a sheet as the bytes of a file. Numbers stay numbers, shown with their decimal places;
// texts stay texts (with line ends as one line feed and without control characters); rows keep their
// numbers. Each throws ESheetError when the sheet cannot be written.

// Office Open XML, through libxlsxwriter; headings bold, the columns' widths and entry formats, the
// top rows frozen.
std::string WriteXlsx(const Sheet& sheet);
// OpenDocument: a zip whose first entry is the uncompressed "mimetype", then the manifest and
// content.xml, with the same presentation.
std::string WriteOds(const Sheet& sheet);
// ";"-separated UTF-8 text with a byte-order mark and CR LF line ends, as spreadsheets in Brazil read
// it: numbers with a decimal comma and no grouping; texts quoted when they hold a separator, a comma,
// a quote or a line end; a text that would be taken for a formula starts with an apostrophe.
std::string WriteCsv(const Sheet& sheet);

} // namespace quorvel
