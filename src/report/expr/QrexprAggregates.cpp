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

void TQREvSumFunction::Reset() {
    sum_ = TQREvResult::Int(0);
    started_ = false;
}

void TQREvSumFunction::Aggregate() {
    if (sum_.IsError()) return;
    if (ArgCount() != 1) {
        sum_ = WrongArguments("SUM");
        return;
    }
    const TQREvResult& value = Arg(0);
    if (value.IsError()) {
        sum_ = value;
    } else if (!value.IsNumeric()) {
        sum_ = WrongArguments("SUM");
    } else {
        sum_ = started_ ? AddNumbers(sum_, value) : value;
        started_ = true;
    }
}

TQREvResult TQREvSumFunction::Calculate() {
    if (ArgCount() != 1) return WrongArguments("SUM");
    return sum_;
}

void TQREvCountFunction::Aggregate() {
    if (ArgCount() == 0) ++count_;
}

TQREvResult TQREvCountFunction::Calculate() {
    if (ArgCount() != 0) return TQREvResult::Error(QStringLiteral("COUNT - ") + msg::TooManyArguments());
    return TQREvResult::Int(count_);
}

void TQREvExtremeFunction::Reset() {
    held_ = TQREvResult::Int(0);
    started_ = false;
}

void TQREvExtremeFunction::Aggregate() {
    if (held_.IsError()) return;
    const char* name = keep_ == Keep::Greater ? "MAX" : "MIN";
    if (ArgCount() != 1) {
        held_ = WrongArguments(name);
        return;
    }
    const TQREvResult& value = Arg(0);
    if (value.IsError()) {
        held_ = value;
        return;
    }
    if (!started_) {
        held_ = value;
        started_ = true;
        return;
    }
    const std::optional<int> order = Order(value, held_);
    if (!order) {
        held_ = WrongArguments(name);
        return;
    }
    if ((keep_ == Keep::Greater && *order > 0) || (keep_ == Keep::Smaller && *order < 0)) held_ = value;
}

TQREvResult TQREvExtremeFunction::Calculate() {
    if (ArgCount() != 1) return WrongArguments(keep_ == Keep::Greater ? "MAX" : "MIN");
    return held_;
}

void TQREvAverageFunction::Reset() {
    sum_ = 0.0;
    count_ = 0;
    average_ = TQREvResult::Double(0.0);
}

void TQREvAverageFunction::Aggregate() {
    if (average_.IsError()) return;
    if (ArgCount() != 1) {
        average_ = WrongArguments("AVERAGE");
        return;
    }
    const TQREvResult& value = Arg(0);
    if (value.IsError()) {
        average_ = value;
        return;
    }
    if (!value.IsNumeric()) {
        average_ = WrongArguments("AVERAGE");
        return;
    }
    sum_ += AsDouble(value);
    ++count_;
    average_ = TQREvResult::Double(sum_ / count_);
}

TQREvResult TQREvAverageFunction::Calculate() {
    if (ArgCount() != 1) return WrongArguments("AVERAGE");
    return average_;
}

} // namespace quorvel
