#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>

namespace quorvel {

// Which member of a result holds the value; the order is part of the stored form.
enum class TQREvResultType { resInt, resDouble, resString, resBool, resError };

// The longest text a result holds; longer texts are cut when they are put into a result.
inline constexpr qsizetype kQREvMaxStringLength = 255;

// A tagged value produced by an expression. For resError, StrResult holds the message. Numeric
// results never touch the text member, so they are built and copied without allocating.
struct TQREvResult {
    TQREvResultType Kind = TQREvResultType::resInt;
    std::int32_t IntResult = 0;
    double DblResult = 0.0;
    QString StrResult;
    bool BooResult = false;

    static TQREvResult Int(std::int32_t value) {
        TQREvResult r;
        r.IntResult = value;
        return r;
    }
    static TQREvResult Double(double value) {
        TQREvResult r;
        r.Kind = TQREvResultType::resDouble;
        r.DblResult = value;
        return r;
    }
    static TQREvResult String(const QString& text);
    static TQREvResult Bool(bool value) {
        TQREvResult r;
        r.Kind = TQREvResultType::resBool;
        r.BooResult = value;
        return r;
    }
    static TQREvResult Error(const QString& message);

    bool IsError() const noexcept { return Kind == TQREvResultType::resError; }
    bool IsNumeric() const noexcept {
        return Kind == TQREvResultType::resInt || Kind == TQREvResultType::resDouble;
    }
};

// An object holding one result; a function's argument list is a list of these.
struct TQREvResultClass {
    TQREvResult EvResult;
};

// Conversions of a result. The texts of numbers follow the user's locale. Failures raise:
// an error result "Error in expression : %s" (EQRError), a wrong kind "Not a %s value"
// (EConvertError).
QString QREvResultToString(const TQREvResult& result);
std::int32_t QREvResultToInt(const TQREvResult& result);
double QREvResultToFloat(const TQREvResult& result);
bool QREvResultToBoolean(const TQREvResult& result);
QVariant QREvResultToVariant(const TQREvResult& result);

} // namespace quorvel
