#include "report/expr/QrexprFunctions.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/NumberFormat.h"
#include "report/expr/QrexprMessages.h"
#include "report/expr/QrexprText.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace quorvel {

namespace msg = qrexpr_messages;

namespace {

using Kind = TQREvResultType;

TQREvResult WrongArguments(const char* name) {
    return TQREvResult::Error(msg::WrongArguments().arg(QLatin1String(name)));
}

// The one string argument of UPPER, LOWER and PRETTY, or the error to answer with.
std::optional<TQREvResult> CheckTextArgument(const std::vector<TQREvResult>& args, const char* name) {
    if (args.empty()) return TQREvResult::Error(msg::MissingArgument().arg(QLatin1String(name)));
    if (args[0].IsError()) return TQREvResult::Error(args[0].StrResult);
    if (args.size() != 1 || args[0].Kind != Kind::resString) return WrongArguments(name);
    return std::nullopt;
}

// Rounds half to even into the 32-bit range; false for values outside it.
bool RoundToInt(const TQREvResult& value, std::int64_t& out) {
    if (value.Kind == Kind::resInt) {
        out = value.IntResult;
        return true;
    }
    const double rounded = std::nearbyint(value.DblResult);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        return false;
    out = static_cast<std::int64_t>(rounded);
    return true;
}

// At most three sections separated by ";" and every quoted literal closed.
bool IsWellFormedMask(const QString& mask) {
    int sections = 1;
    QChar quote;
    for (const QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            ++sections;
        }
    }
    return quote.isNull() && sections <= 3;
}

TQRFunctionLibrary MakeBuiltInLibrary() {
    TQRFunctionLibrary library;
    const QString vendor = QStringLiteral("Built-in");
    auto add = [&](TQREvFunctionClass functionClass, const char* name, const char* argumentCode,
                   const char* syntax, const char* description) {
        library.Add(TQRLibraryEntry{QLatin1String(name), QLatin1String(syntax) + QLatin1String(description),
                                    vendor, QLatin1String(argumentCode), functionClass});
    };
    add(QREvCreateFunction<TQREvIfFunction>, "IF", "5BVV", "IF(<Exp>, <X>, <Y>)|",
        "Returns <X> or <Y> depending on the boolean expression <Exp>");
    add(QREvCreateFunction<TQREvStrFunction>, "STR", "7N", "STR(<X>)|", "Convert a numeric <X> to a string");
    add(QREvCreateFunction<TQREvUpperFunction>, "UPPER", "7S", "UPPER(<X>)|",
        "Converts a string to upper case letters");
    add(QREvCreateFunction<TQREvLowerFunction>, "LOWER", "7S", "LOWER(<X>)|",
        "Converts a string to lower case letters");
    add(QREvCreateFunction<TQREvPrettyFunction>, "PRETTY", "7S", "PRETTY(<X>)|",
        "Makes the first character upper case and the rest lower case");
    add(QREvCreateFunction<TQREvTimeFunction>, "TIME", "1", "TIME|", "Return current time as a string");
    add(QREvCreateFunction<TQREvDateFunction>, "DATE", "1", "DATE|", "Return current date as a string");
    add(QREvCreateFunction<TQREvCopyFunction>, "COPY", "7SNN", "COPY(<X>, <St>,<Len>)|",
        "Returns a substring of string X");
    add(QREvCreateFunction<TQREvSumFunction>, "SUM", "3N", "SUM(<X>)|", "Sums the numeric <X>");
    add(QREvCreateFunction<TQREvCountFunction>, "COUNT", "3", "COUNT|", "Increments for each iteration");
    add(QREvCreateFunction<TQREvMaxFunction>, "MAX", "3V", "MAX(<X>)|", "Returns the highest <X>");
    add(QREvCreateFunction<TQREvMinFunction>, "MIN", "3V", "MIN(<X>)|", "Returns the lowest <X>");
    add(QREvCreateFunction<TQREvAverageFunction>, "AVERAGE", "3N", "AVERAGE(<X>)|",
        "Returns the average of numeric <X>");
    add(QREvCreateFunction<TQREvTrue>, "TRUE", "5", "TRUE|", "boolean value");
    add(QREvCreateFunction<TQREvFalse>, "FALSE", "5", "FALSE|", "boolean value");
    add(QREvCreateFunction<TQREvIntFunction>, "INT", "2N", "INT(<X>)|", "Returns the integer part of <X>");
    add(QREvCreateFunction<TQREvFracFunction>, "FRAC", "2N", "FRAC(<X>)|",
        "Returns the fractional part of <X>");
    add(QREvCreateFunction<TQREvSQRTFunction>, "SQRT", "2N", "SQRT(<X>)|", "Returns square root of <X>");
    add(QREvCreateFunction<TQREvDivFunction>, "DIV", "2NN", "DIV(<X>, <Y>) | ",
        "Integer division of <X> by <Y>");
    add(QREvCreateFunction<TQREvTypeOfFunction>, "TYPEOF", "6N", "TYPEOF(<Exp>)|",
        "Returns the data type of <Exp>");
    add(QREvCreateFunction<TQREvFormatNumericFunction>, "FORMATNUMERIC", "7SN", "FORMATNUMERIC(<F>,<N>)|",
        "Formats numeric <N> using the mask in <F>");
    return library;
}

} // namespace

int TQRLibraryEntry::Group() const {
    if (ArgumentCode.isEmpty() || !ArgumentCode[0].isDigit()) return 0;
    return ArgumentCode[0].digitValue();
}

const TQRLibraryEntry* TQRLibrary::Find(QStringView name) const {
    for (const TQRLibraryEntry& entry : entries_)
        if (QStringView(entry.Name).compare(name, Qt::CaseInsensitive) == 0) return &entry;
    return nullptr;
}

std::unique_ptr<TQREvElement> TQRFunctionLibrary::GetFunction(QStringView name) const {
    if (const TQRLibraryEntry* entry = Find(name)) return entry->FunctionClass();
    return std::make_unique<TQREvElementError>(msg::UnknownFunction().arg(name));
}

TQRFunctionLibrary& QRFunctionLibrary() {
    static TQRFunctionLibrary library = MakeBuiltInLibrary();
    return library;
}

void RegisterQRFunction(TQREvFunctionClass functionClass, const QString& name, const QString& description,
                        const QString& vendor, const QString& argumentCode) {
    QRFunctionLibrary().Add(TQRLibraryEntry{name, description, vendor, argumentCode, functionClass});
}

QString QRFunctionGroupName(int group) {
    switch (group) {
    case 1:
        return QStringLiteral("Date and time");
    case 2:
        return QStringLiteral("Math");
    case 3:
        return QStringLiteral("Statistical");
    case 5:
        return QStringLiteral("Logical");
    case 6:
        return QStringLiteral("Other");
    case 7:
        return QStringLiteral("String");
    default:
        return QString();
    }
}

TQREvResult TQREvIfFunction::Calculate() {
    if (ArgCount() != 3 || Arg(0).Kind != Kind::resBool) return WrongArguments("IF");
    return Arg(0).BooResult ? Arg(1) : Arg(2);
}

TQREvResult TQREvStrFunction::Calculate() {
    if (ArgCount() != 1) return TQREvResult::Error(msg::ConversionError());
    const TQREvResult& value = Arg(0);
    switch (value.Kind) {
    case Kind::resInt:
        return TQREvResult::String(qrexpr_text::IntToText(value.IntResult));
    case Kind::resDouble:
        return TQREvResult::String(qrexpr_text::FloatToText(value.DblResult));
    case Kind::resBool:
        return TQREvResult::String(value.BooResult ? msg::TrueText() : msg::FalseText());
    case Kind::resError:
        return value;
    case Kind::resString:
        break;
    }
    return TQREvResult::Error(msg::ConversionError());
}

TQREvResult TQREvUpperFunction::Calculate() {
    if (auto fault = CheckTextArgument(ArgList(), "UPPER")) return *fault;
    return TQREvResult::String(QLocale().toUpper(Arg(0).StrResult));
}

TQREvResult TQREvLowerFunction::Calculate() {
    if (auto fault = CheckTextArgument(ArgList(), "LOWER")) return *fault;
    return TQREvResult::String(QLocale().toLower(Arg(0).StrResult));
}

TQREvResult TQREvPrettyFunction::Calculate() {
    if (auto fault = CheckTextArgument(ArgList(), "PRETTY")) return *fault;
    const QString& text = Arg(0).StrResult;
    // A character written as a surrogate pair is one character.
    const qsizetype first = text.size() >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate() ? 2 : 1;
    const QLocale locale;
    return TQREvResult::String(locale.toUpper(text.left(first)) + locale.toLower(text.mid(first)));
}

TQREvResult TQREvTimeFunction::Calculate() {
    if (ArgCount() != 0) return TQREvResult::Error(msg::TooManyArguments());
    return TQREvResult::String(
        QLocale().toString(QTime::currentTime(), FormatSettings::Current().LongTimeFormat));
}

TQREvResult TQREvDateFunction::Calculate() {
    if (ArgCount() != 0) return TQREvResult::Error(msg::TooManyArguments());
    return TQREvResult::String(
        QLocale().toString(QDate::currentDate(), FormatSettings::Current().ShortDateFormat));
}

TQREvResult TQREvCopyFunction::Calculate() {
    if (ArgCount() != 3 || Arg(0).Kind != Kind::resString || Arg(1).Kind != Kind::resInt ||
        Arg(2).Kind != Kind::resInt)
        return WrongArguments("COPY");
    // Positions count whole characters, so a surrogate pair is never split.
    const QList<uint> characters = Arg(0).StrResult.toUcs4();
    const qsizetype start = std::max<std::int64_t>(Arg(1).IntResult, 1) - 1;
    const std::int64_t length = Arg(2).IntResult;
    if (length <= 0 || start >= characters.size()) return TQREvResult::String(QString());
    const qsizetype count = std::min<std::int64_t>(length, characters.size() - start);
    return TQREvResult::String(
        QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.data() + start), count));
}

TQREvResult TQREvTrue::Calculate() {
    if (ArgCount() != 0) return TQREvResult::Error(msg::TooManyArguments());
    return TQREvResult::Bool(true);
}

TQREvResult TQREvFalse::Calculate() {
    if (ArgCount() != 0) return TQREvResult::Error(msg::TooManyArguments());
    return TQREvResult::Bool(false);
}

TQREvResult TQREvIntFunction::Calculate() {
    if (ArgCount() == 1 && Arg(0).Kind == Kind::resInt) return Arg(0);
    if (ArgCount() == 1 && Arg(0).Kind == Kind::resDouble) {
        const double truncated = std::trunc(Arg(0).DblResult);
        if (truncated >= std::numeric_limits<std::int32_t>::min() &&
            truncated <= std::numeric_limits<std::int32_t>::max())
            return TQREvResult::Int(static_cast<std::int32_t>(truncated));
    }
    return WrongArguments("INT");
}

TQREvResult TQREvFracFunction::Calculate() {
    if (ArgCount() == 1 && Arg(0).Kind == Kind::resInt) return TQREvResult::Double(0.0);
    if (ArgCount() == 1 && Arg(0).Kind == Kind::resDouble) {
        const double value = Arg(0).DblResult;
        return TQREvResult::Double(value - std::trunc(value));
    }
    return WrongArguments("FRAC");
}

TQREvResult TQREvSQRTFunction::Calculate() {
    if (ArgCount() == 1 && Arg(0).IsNumeric()) {
        const double value = Arg(0).Kind == Kind::resInt ? Arg(0).IntResult : Arg(0).DblResult;
        if (value >= 0.0) return TQREvResult::Double(std::sqrt(value));
    }
    return TQREvResult::Error(msg::InvalidSqrtArgument());
}

TQREvResult TQREvDivFunction::Calculate() {
    std::int64_t dividend = 0;
    std::int64_t divisor = 0;
    if (ArgCount() != 2 || !Arg(0).IsNumeric() || !Arg(1).IsNumeric() || !RoundToInt(Arg(0), dividend) ||
        !RoundToInt(Arg(1), divisor))
        return WrongArguments("DIV");
    if (divisor == 0) return TQREvResult::Error(msg::DivisionByZero());
    const std::int64_t quotient = dividend / divisor;
    // Only the smallest integer divided by -1 leaves the range; it continues as a double.
    if (quotient > std::numeric_limits<std::int32_t>::max()) return TQREvResult::Double(double(quotient));
    return TQREvResult::Int(static_cast<std::int32_t>(quotient));
}

TQREvResult TQREvTypeOfFunction::Calculate() {
    if (ArgCount() != 1) return WrongArguments("TypeOf");
    switch (Arg(0).Kind) {
    case Kind::resInt:
        return TQREvResult::String(QStringLiteral("INTEGER"));
    case Kind::resDouble:
        return TQREvResult::String(QStringLiteral("FLOAT"));
    case Kind::resString:
        return TQREvResult::String(QStringLiteral("STRING"));
    case Kind::resBool:
        return TQREvResult::String(QStringLiteral("BOOLEAN"));
    case Kind::resError:
        break;
    }
    return TQREvResult::String(QStringLiteral("ERROR"));
}

TQREvResult TQREvFormatNumericFunction::Calculate() {
    if (ArgCount() != 2 || Arg(0).Kind != Kind::resString || !Arg(1).IsNumeric())
        return WrongArguments("FORMATNUMERIC");
    const QString& mask = Arg(0).StrResult;
    if (!IsWellFormedMask(mask) || (Arg(1).Kind == Kind::resDouble && !std::isfinite(Arg(1).DblResult)))
        return TQREvResult::Error(msg::InvalidFormat());
    const NumberDigits digits = Arg(1).Kind == Kind::resInt ? NumberDigits::FromInteger(Arg(1).IntResult)
                                                            : NumberDigits::FromDouble(Arg(1).DblResult);
    try {
        return TQREvResult::String(
            Cp1252ToQString(FormatNumber(QStringToCp1252(mask), digits, FormatSettings::Current())));
    } catch (const Exception&) {
        return TQREvResult::Error(msg::InvalidFormat());
    }
}

TQREvResult TQREvNotFunction::Calculate() {
    if (ArgCount() == 1 && Arg(0).IsError()) return Arg(0);
    if (ArgCount() == 1 && Arg(0).Kind == Kind::resBool) return TQREvResult::Bool(!Arg(0).BooResult);
    return TQREvResult::Error(msg::InvalidUseOfNot());
}

} // namespace quorvel
