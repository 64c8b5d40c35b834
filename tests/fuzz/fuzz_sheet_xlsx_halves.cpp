// Feeds arbitrary bytes as a worksheet part, or as a shared strings part, to the reading in two
// halves, cut at the tag nearest the place the first two bytes name (the lowest bit of the first
// choosing the part): whenever the halves give a result, reading the part in one pass gives the
// same, and a sheet has the readers' shape.
#include "SheetFuzzChecks.h"

#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/XlsxSharedStrings.h"
#include "sheet/XlsxWorksheet.h"
#include "sheet/XmlPartReader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace {

using namespace quorvel;

void Worksheet(std::span<const char> part, std::size_t from, const SheetLimits& limits) {
    const QString name = QStringLiteral("xl/worksheets/sheet1.xml");
    const std::vector<QString> strings = {QStringLiteral("um"), QStringLiteral("dois")};
    const std::size_t cut = FindRowTag(part, from);
    if (cut == std::string_view::npos) return;
    fuzzing::Check(cut < part.size(), "a row tag lies inside the part");
    SheetCollector halves(limits);
    if (!ReadWorksheetInHalves(name, part, cut, halves, strings)) {
        fuzzing::Check(halves.Take().rows.empty(), "a cut declined leaves the sheet as it was");
        return;
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
}

void SharedStrings(std::span<const char> part, std::size_t from, const SheetLimits& limits) {
    const QString name = QStringLiteral("xl/sharedStrings.xml");
    const std::size_t cut = FindStringTag(part, from);
    if (cut == std::string_view::npos) return;
    SheetCollector halves(limits);
    const std::optional<std::vector<QString>> inHalves = ReadSharedStringsInHalves(name, part, cut, halves);
    if (!inHalves) return;
    std::optional<std::vector<QString>> whole;
    try {
        SheetCollector sheet(limits);
        XmlPartReader xml(name, {{part, 0, true}}, limits);
        whole = ReadSharedStrings(xml, sheet);
    } catch (const ESheetError&) {
    }
    fuzzing::Check(whole.has_value(), "strings read in halves read in one pass");
    fuzzing::Check(*whole == *inHalves, "the halves give the one pass's strings");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const SheetLimits limits = fuzzing::FuzzLimits();
    const std::span<const char> part(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t from = (std::size_t{data[0]} | std::size_t{data[1]} << 8) % (part.size() + 1);
    if (data[0] & 1)
        SharedStrings(part, from, limits);
    else
        Worksheet(part, from, limits);
    return 0;
}
