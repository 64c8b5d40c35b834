#pragma once

#include "sheet/Sheet.h"
#include "sheet/SheetLimits.h"

#include <QString>

#include <optional>
#include <span>
#include <string>

namespace quorvel {

enum class SheetFormat { Xlsx, Ods, Csv };

// The format a file name asks for by its extension (any letter case), or none.
std::optional<SheetFormat> SheetFormatOfName(const QString& path);

Sheet ReadSheet(std::span<const char> bytes, SheetFormat format, const SheetLimits& limits = {});
std::string WriteSheet(const Sheet& sheet, SheetFormat format);

// Reads a sheet file in the format its extension names. A file that is not a regular file, is larger
// than the limits allow, or has another extension is refused with an ESheetError before it is read.
Sheet ReadSheetFile(const QString& path, const SheetLimits& limits = {});
// Writes the sheet in the format the extension names, replacing the file atomically.
void WriteSheetFile(const QString& path, const Sheet& sheet);

} // namespace quorvel
