// Feeds arbitrary bytes as a worksheet part to the reading in two halves, cut at the row tag nearest
// the place the first two bytes name: whenever the halves give a sheet, reading the part in one pass
// gives the same sheet, and it has the readers' shape.
#include "SheetFuzzChecks.h"

#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/XlsxWorksheet.h"
#include "sheet/XmlPartReader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel;
    if (size < 2) return 0;
    const QString name = QStringLiteral("xl/worksheets/sheet1.xml");
    const std::vector<QString> strings = {QStringLiteral("um"), QStringLiteral("dois")};
    const SheetLimits limits = fuzzing::FuzzLimits();
    const std::span<const char> part(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t from = (std::size_t{data[0]} | std::size_t{data[1]} << 8) % (part.size() + 1);
    const std::size_t cut = FindRowTag(part, from);
    if (cut == std::string_view::npos) return 0;
    fuzzing::Check(cut < part.size(), "a row tag lies inside the part");

    SheetCollector halves(limits);
    if (!ReadWorksheetInHalves(name, part, cut, halves, strings)) {
        fuzzing::Check(halves.Take().rows.empty(), "a cut declined leaves the sheet as it was");
        return 0;
    }
    const Sheet inHalves = halves.Take();
    std::optional<Sheet> whole;
    try {
        SheetCollector sheet(limits);
        XmlPartReader xml(name, {{part, 0, true}}, limits);
        ReadWorksheet(xml, sheet, strings);
        whole = sheet.Take();
    } catch (const ESheetError&) {
    }
    fuzzing::Check(whole.has_value(), "a part read in halves reads in one pass");
    fuzzing::Check(fuzzing::SameCells(*whole, inHalves), "the halves give the one pass's sheet");
    fuzzing::CheckShape(inHalves, limits);
    return 0;
}
