#include "app/proposal/SupplierConfig.h"

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/NumberParse.h"

#include <limits>

namespace quorvel {

QString ConfigIniPath(const QString& executableFolder) {
    const QString beside = executableFolder + QStringLiteral("config.ini");
    if (FileExists(beside) || DirectoryWritable(executableFolder)) return beside;
    return UserConfigFolder() + QStringLiteral("quorvel/config.ini");
}

int StrToInt(const QString& text) {
    const std::optional<std::int64_t> value = ParseWholeNumber(
        QStringView(text).trimmed(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    if (!value) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return static_cast<int>(*value);
}

} // namespace quorvel
