#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// The INI text rules behind TIniFile, on the file's bytes (single-byte code-page text), so they can be
// checked without touching the disk. Lines end with CR LF, LF or CR; section and key names are found
// without regard to letter case and with surrounding blanks ignored; the first of duplicates wins;
// lines starting with ";" are comments. A value is everything after the key's first "=", exactly.

std::optional<std::string> IniFindValue(std::string_view text, std::string_view section,
                                        std::string_view key);
bool IniHasSection(std::string_view text, std::string_view section);

// Whether a name or value can be written without changing the file's structure.
bool IniValidSectionName(std::string_view name);
bool IniValidKeyName(std::string_view name);
bool IniValidValue(std::string_view value);

// The text with key set to value: an existing key keeps its line (and its own spelling), a new key
// follows the last entry of its section, a new section goes at the end after a blank line. The text's
// own line ending is kept (CR LF for a text without one) and the result ends with a line break.
// Names and value must be valid.
std::string IniWithValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value);

} // namespace quorvel
