#include "report/expr/QrexprText.h"

#include "platform/CodePage.h"
#include "platform/FormatSettings.h"
#include "platform/NumberFormat.h"
#include "platform/NumberParse.h"

#include <limits>

namespace quorvel::qrexpr_text {

QString FloatToText(double value) {
    return Cp1252ToQString(FloatToPlainText(value, FormatSettings::Current()));
}

QString IntToText(std::int32_t value) {
    return QString::number(value);
}

bool TextToFloat(QStringView text, double& value) {
    const std::optional<double> parsed =
        ParsePlainNumber(text.trimmed(), FormatSettings::Current().DecimalSeparator);
    if (!parsed) return false;
    value = *parsed;
    return true;
}

bool TextToInt(QStringView text, std::int32_t& value) {
    const std::optional<std::int64_t> parsed = ParseWholeNumber(
        text.trimmed(), std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    if (!parsed) return false;
    value = static_cast<std::int32_t>(*parsed);
    return true;
}

} // namespace quorvel::qrexpr_text
