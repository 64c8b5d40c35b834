// Feeds arbitrary bytes to the workbook reader: every input ends in an ESheetError or in a sheet of
// the readers' shape.
#include "SheetFuzzChecks.h"

#include "sheet/SheetError.h"
#include "sheet/SheetReaders.h"

#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel;
    const SheetLimits limits = fuzzing::FuzzLimits();
    try {
        fuzzing::CheckShape(
            ReadXlsx(std::span<const char>(reinterpret_cast<const char*>(data), size), limits), limits);
    } catch (const ESheetError&) {
    }
    return 0;
}
