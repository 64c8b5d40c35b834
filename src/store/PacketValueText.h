#pragma once

#include "store/Packet.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quorvel {

// Appends the file's text form of a non-text value: integers in decimal, "TRUE"/"FALSE", floating
// point with up to 16 significant digits, exact decimals with all their places, dates as YYYYMMDD,
// times as HH:MM:SSsss (seconds × 1000 + milliseconds in five digits), date-times as date "T" time
// (the date alone at midnight). Appends nothing for NULL or for text and binary kinds.
void AppendScalarText(std::string& out, const FieldDef& field, FieldKind kind, const FieldView& value);

// The value text of any value as the XML form carries it before escaping: text as it stands
// (wide text as UTF-8), binary as Base64, other kinds as AppendScalarText. "" for NULL.
std::string FieldValueText(const FieldDef& field, const FieldView& value);

// For each stored row (0-based), the 1-based position of the version it replaced according to the
// change log's modification entries, or 0. Only earlier versions count, so following the chain always
// ends.
std::vector<std::uint32_t> ReplacedVersions(const Datapacket& packet);
// The same for `versionCount` stored rows and the change log alone.
std::vector<std::uint32_t> ReplacedVersions(std::span<const ChangeLogEntry> changeLog,
                                            std::size_t versionCount);

} // namespace quorvel
