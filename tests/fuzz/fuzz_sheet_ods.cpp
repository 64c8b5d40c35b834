// Feeds arbitrary bytes to the OpenDocument reader. Whatever it accepts has the readers' shape and
// comes back cell for cell through the writer (texts as a file keeps them).
#include "SheetFuzzChecks.h"

#include "sheet/SheetError.h"
#include "sheet/SheetReaders.h"
#include "sheet/SheetWriters.h"

#include <cstdint>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel;
    const SheetLimits limits = fuzzing::FuzzLimits();
    Sheet sheet;
    try {
        sheet = ReadOds(std::span<const char>(reinterpret_cast<const char*>(data), size), limits);
    } catch (const ESheetError&) {
        return 0;
    }
    fuzzing::CheckShape(sheet, limits);
    std::size_t cells = 0;
    for (const SheetRow& row : sheet.rows)
        cells += row.cells.size();
    // A sheet of many repeated cells is written out one cell at a time: past this it could exceed
    // the allowance that its compact form stayed within.
    if (cells > 10000) return 0;
    const std::string written = WriteOds(sheet);
    const Sheet again = ReadOds(std::span<const char>(written.data(), written.size()), limits);
    fuzzing::Check(fuzzing::SameCells(again, fuzzing::AsWritten(sheet)),
                   "the written sheet reads back the same");
    return 0;
}
