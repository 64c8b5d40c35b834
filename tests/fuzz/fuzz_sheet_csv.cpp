// Feeds arbitrary bytes to the CSV reader. Whatever it accepts has the readers' shape and comes back
// cell for cell through the writer: separators, quotes, encodings and formula guards included.
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
        sheet = ReadCsv(std::span<const char>(reinterpret_cast<const char*>(data), size), limits);
    } catch (const ESheetError&) {
        return 0;
    }
    fuzzing::CheckShape(sheet, limits);
    const std::string written = WriteCsv(sheet);
    const Sheet again = ReadCsv(std::span<const char>(written.data(), written.size()), limits);
    fuzzing::Check(fuzzing::SameCells(again, fuzzing::AsWritten(sheet)),
                   "the written sheet reads back the same");
    return 0;
}
