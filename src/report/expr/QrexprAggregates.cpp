#include "report/expr/QrexprFunctions.h"

#include "report/expr/QrexprMessages.h"

#include <optional>

namespace quorvel {

namespace msg = qrexpr_messages;

namespace {

using Kind = TQREvResultType;

double AsDouble(const TQREvResult& value) {
    return value.Kind == Kind::resInt ? value.IntResult : value.DblResult;
}

// Adds a numeric value to a running sum; integers continue as doubles once a double joins them or
// the sum leaves the 32-bit range.
TQREvResult AddNumbers(const TQREvResult& sum, const TQREvResult& value) {
    std::int32_t result = 0;
    if (sum.Kind == Kind::resInt && value.Kind == Kind::resInt &&
        !__builtin_add_overflow(sum.IntResult, value.IntResult, &result))
        return TQREvResult::Int(result);
    return TQREvResult::Double(AsDouble(sum) + AsDouble(value));
}

TQREvResult WrongArguments(const char* name) {
    return TQREvResult::Error(msg::WrongArguments().arg(QLatin1String(name)));
}

// Orders two values of comparable kinds: numbers numerically, strings by character codes, booleans
// with false first. Returns nothing for kinds that do not compare.
std::optional<int> Order(const TQREvResult& a, const TQREvResult& b) {
    if (a.IsNumeric() && b.IsNumeric()) {
        const double x = AsDouble(a);
        const double y = AsDouble(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.Kind != b.Kind) return std::nullopt;
    if (a.Kind == Kind::resString) return a.StrResult.compare(b.StrResult);
    if (a.Kind == Kind::resBool) return int(a.BooResult) - int(b.BooResult);
    return std::nullopt;
}

} // namespace

void TQREvFoldingFunction::Reset() {
    held_ = empty_;
    started_ = false;
    Restart();
}

TQREvResult TQREvFoldingFunction::WrongArguments() const {
    return quorvel::WrongArguments(name_);
}

void TQREvFoldingFunction::Aggregate() {
    if (held_.IsError()) return;
    if (ArgCount() != 1) {
        held_ = WrongArguments();
        return;
    }
    const TQREvResult& value = Arg(0);
    if (value.IsError()) {
        held_ = value;
        return;
    }
    held_ = Fold(held_, value, started_);
    started_ = true;
}

TQREvResult TQREvFoldingFunction::Calculate() {
    if (ArgCount() != 1) return WrongArguments();
    return held_;
}

TQREvResult TQREvSumFunction::Fold(const TQREvResult& held, const TQREvResult& value, bool started) {
    if (!value.IsNumeric()) return WrongArguments();
    return started ? AddNumbers(held, value) : value;
}

void TQREvCountFunction::Aggregate() {
    if (ArgCount() == 0) ++count_;
}

TQREvResult TQREvCountFunction::Calculate() {
    if (ArgCount() != 0) return TQREvResult::Error(QStringLiteral("COUNT - ") + msg::TooManyArguments());
    return TQREvResult::Int(count_);
}

TQREvResult TQREvExtremeFunction::Fold(const TQREvResult& held, const TQREvResult& value, bool started) {
    if (!started) return value;
    const std::optional<int> order = Order(value, held);
    if (!order) return WrongArguments();
    if ((keep_ == Keep::Greater && *order > 0) || (keep_ == Keep::Smaller && *order < 0)) return value;
    return held;
}

TQREvResult TQREvAverageFunction::Fold(const TQREvResult&, const TQREvResult& value, bool) {
    if (!value.IsNumeric()) return WrongArguments();
    sum_ += AsDouble(value);
    ++count_;
    return TQREvResult::Double(sum_ / count_);
}

} // namespace quorvel
