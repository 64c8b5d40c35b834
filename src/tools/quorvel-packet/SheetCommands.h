#pragma once

#include <string>
#include <vector>

namespace quorvel {

// The spreadsheet round trip of quorvel-packet. Each returns the exit status; a failure that
// concerns one file is thrown as Exception whose message starts with that file's name.

// export-sheet PROPOSAL OUT: the proposal's items as a sheet, in the format OUT's extension names.
int ExportSheet(const std::vector<std::string>& args);
// import-prices PROPOSAL SHEET --dry-run: what importing SHEET's prices and brands into PROPOSAL
// would change, and every row in error.
int ImportPrices(const std::vector<std::string>& args);

} // namespace quorvel
