#include "report/expr/QrexprResult.h"

#include "platform/Exceptions.h"
#include "report/expr/QrexprMessages.h"
#include "report/expr/QrexprText.h"

#include <cmath>
#include <limits>

namespace quorvel {

namespace msg = qrexpr_messages;

namespace {

// Cuts to the longest text a result holds, never between the halves of a surrogate pair.
QString Cut(const QString& text) {
    if (text.size() <= kQREvMaxStringLength) return text;
    const bool splitsPair = text[kQREvMaxStringLength - 1].isHighSurrogate();
    return text.left(kQREvMaxStringLength - (splitsPair ? 1 : 0));
}

[[noreturn]] void RaiseNotA(const QString& word) {
    throw EConvertError(msg::NotAValue().arg(word));
}

[[noreturn]] void RaiseError(const TQREvResult& result) {
    throw EQRError(msg::ErrorInExpression().arg(result.StrResult));
}

} // namespace

TQREvResult TQREvResult::String(const QString& text) {
    TQREvResult r;
    r.Kind = TQREvResultType::resString;
    r.StrResult = Cut(text);
    return r;
}

TQREvResult TQREvResult::Error(const QString& message) {
    TQREvResult r;
    r.Kind = TQREvResultType::resError;
    r.StrResult = Cut(message);
    return r;
}

QString QREvResultToString(const TQREvResult& result) {
    switch (result.Kind) {
    case TQREvResultType::resInt:
        return qrexpr_text::IntToText(result.IntResult);
    case TQREvResultType::resDouble:
        return qrexpr_text::FloatToText(result.DblResult);
    case TQREvResultType::resString:
        return result.StrResult;
    case TQREvResultType::resBool:
        return result.BooResult ? msg::TrueText() : msg::FalseText();
    case TQREvResultType::resError:
        break;
    }
    RaiseError(result);
}

std::int32_t QREvResultToInt(const TQREvResult& result) {
    if (result.Kind == TQREvResultType::resInt) return result.IntResult;
    if (result.Kind == TQREvResultType::resDouble) {
        // nearbyint rounds in the default mode, to nearest with halves to the even neighbour.
        const double rounded = std::nearbyint(result.DblResult);
        if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
            rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
            return static_cast<std::int32_t>(rounded);
    }
    RaiseNotA(msg::WordNumeric());
}

double QREvResultToFloat(const TQREvResult& result) {
    if (result.Kind == TQREvResultType::resInt) return result.IntResult;
    if (result.Kind == TQREvResultType::resDouble) return result.DblResult;
    RaiseNotA(msg::WordNumeric());
}

bool QREvResultToBoolean(const TQREvResult& result) {
    if (result.Kind == TQREvResultType::resBool) return result.BooResult;
    if (result.Kind == TQREvResultType::resString) {
        if (result.StrResult.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) return true;
        if (result.StrResult.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) return false;
    }
    RaiseNotA(msg::WordBoolean());
}

QVariant QREvResultToVariant(const TQREvResult& result) {
    switch (result.Kind) {
    case TQREvResultType::resInt:
        return QVariant(result.IntResult);
    case TQREvResultType::resDouble:
        return QVariant(result.DblResult);
    case TQREvResultType::resString:
        return QVariant(result.StrResult);
    case TQREvResultType::resBool:
        return QVariant(result.BooResult);
    case TQREvResultType::resError:
        break;
    }
    RaiseError(result);
}

} // namespace quorvel
