#include "app/FornecedorConfig.h"

#include "platform/Exceptions.h"

#include <limits>

namespace quorvel {

QString ConfigIniPath(const QString& executableFolder) {
    return executableFolder + QStringLiteral("config.ini");
}

int StrToInt(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok, 10);
    const bool plainDigits = !trimmed.isEmpty() && !trimmed.contains(QLatin1Char(' '));
    if (!ok || !plainDigits || value < std::numeric_limits<int>::min() ||
        value > std::numeric_limits<int>::max())
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return static_cast<int>(value);
}

} // namespace quorvel
