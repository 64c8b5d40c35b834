#pragma once

#include <QString>

#include <cstddef>
#include <span>
#include <vector>

namespace quorvel {

class SheetCollector;
class XmlPartReader;

// The rows of a workbook's worksheet part: numbers, shared texts (taken from `strings`), inline
// texts, formula results, booleans and error values.

// Reads the whole part in one pass.
void ReadWorksheet(XmlPartReader& xml, SheetCollector& sheet, const std::vector<QString>& strings);

// Where a part held in memory may be cut in two: the start of the first row tag at or after byte
// `from`, or else of the last one before it; npos when the part has no row tag at all. A tag found
// this way may still lie inside a comment or outside the sheet's data: the reading below finds out.
std::size_t FindRowTag(std::span<const char> part, std::size_t from);

// Reads a part held in memory in two halves at once, cut at byte `cut`: the rows before it on a
// thread of its own, the rest on this one, with each half within the readers' limits. When the cut
// is where a row of the sheet's data starts, both halves read without fault and together they keep
// within the limits, their rows go into `sheet`, as reading the part in one pass would give them,
// and the result is true. Otherwise `sheet` is left as it was and the result is false: the part is
// then read in one pass, which also gives the message of any fault.
bool ReadWorksheetInHalves(const QString& name, std::span<const char> part, std::size_t cut,
                           SheetCollector& sheet, const std::vector<QString>& strings);

} // namespace quorvel
