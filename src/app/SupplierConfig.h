#pragma once

#include <QString>

namespace quorvel {

// The supplier's registration data lives in "config.ini" beside the program, in one section.
inline const QString kSupplierSection = QStringLiteral("FORNECEDOR");
inline const QString kCompanyNameKey = QStringLiteral("RAZAOSOCIAL");
inline const QString kIdentifierKey = QStringLiteral("IDENTIFICADOR");
inline const QString kCompanyTypeKey = QStringLiteral("TIPOEMPRESA");

// The settings file's path: the executable's folder (which ends with a separator) and the name.
QString ConfigIniPath(const QString& executableFolder);

// A whole decimal number of 32 bits with an optional sign and surrounding blanks; anything else,
// the empty text included, fails with EConvertError "'<text>' is not a valid integer value".
int StrToInt(const QString& text);

} // namespace quorvel
