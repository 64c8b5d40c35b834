#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace quorvel {

class SheetCollector;
class XmlPartReader;

// The shared strings part of a workbook: its texts in order, phonetic reading aids left out, each
// charged to `sheet`'s character budget and held to a cell's length.

// Reads the whole part in one pass.
std::vector<QString> ReadSharedStrings(XmlPartReader& xml, SheetCollector& sheet);

// Where a part held in memory may be cut in two: the start of a string's tag at or after byte
// `from`, or else the last before it; npos when there is none.
std::size_t FindStringTag(std::span<const char> part, std::size_t from);

// Reads a part held in memory in two halves at once, cut at byte `cut`, as the worksheet's halves
// are read: when the cut is where a string starts, both halves read without fault and together they
// keep within the limits, their strings are given in order, as one pass gives them, with their
// characters charged to `sheet`. Otherwise nothing is given and `sheet` is left as it was: the part
// is then read in one pass, which also gives the message of any fault.
std::optional<std::vector<QString>> ReadSharedStringsInHalves(const QString& name, std::span<const char> part,
                                                              std::size_t cut, SheetCollector& sheet);

} // namespace quorvel
