#pragma once

#include <QString>

namespace quorvel {

// The supplier's registration data lives in "config.ini", in one section.
inline const QString kSupplierSection = QStringLiteral("FORNECEDOR");
inline const QString kCompanyNameKey = QStringLiteral("RAZAOSOCIAL");
inline const QString kIdentifierKey = QStringLiteral("IDENTIFICADOR");
inline const QString kCompanyTypeKey = QStringLiteral("TIPOEMPRESA");

// The settings file's path. It stays beside the program (executableFolder, which ends with a
// separator) when that folder is writable or already holds one, as a copied, portable program
// keeps it; an installed program, whose folder the user cannot write, keeps it in the user's
// settings folder instead: $XDG_CONFIG_HOME/quorvel/config.ini.
QString ConfigIniPath(const QString& executableFolder);

// A whole decimal number of 32 bits with an optional sign and surrounding blanks; anything else,
// the empty text included, fails with EConvertError "'<text>' is not a valid integer value".
int StrToInt(const QString& text);

} // namespace quorvel
