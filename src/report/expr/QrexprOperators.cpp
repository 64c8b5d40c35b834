#include "report/expr/QrexprElements.h"

#include "report/expr/QrexprMessages.h"
#include "report/expr/QrexprText.h"

namespace quorvel {

namespace msg = qrexpr_messages;

namespace {

QString OperandText(const TQREvResult& value) {
    switch (value.Kind) {
    case TQREvResultType::resInt:
        return qrexpr_text::IntToText(value.IntResult);
    case TQREvResultType::resDouble:
        return qrexpr_text::FloatToText(value.DblResult);
    case TQREvResultType::resBool:
        return value.BooResult ? msg::TrueText() : msg::FalseText();
    default:
        return value.StrResult;
    }
}

QString ComparisonSymbol(TQREvOperator op) {
    switch (op) {
    case TQREvOperator::opLess:
        return QStringLiteral("<");
    case TQREvOperator::opLessOrEqual:
        return QStringLiteral("<=");
    case TQREvOperator::opGreater:
        return QStringLiteral(">");
    default:
        return QStringLiteral(">=");
    }
}

QString ArithmeticWord(TQREvOperator op) {
    switch (op) {
    case TQREvOperator::opPlus:
        return msg::WordAdd();
    case TQREvOperator::opMinus:
        return msg::WordSubtract();
    case TQREvOperator::opMul:
        return msg::WordMultiply();
    default:
        return msg::WordDivide();
    }
}

TQREvResult CannotOperate(TQREvOperator op, const QString& kindWord) {
    return TQREvResult::Error(msg::CannotOperate().arg(ArithmeticWord(op), kindWord));
}

TQREvResult NotCompatible(const QString& symbol, const QString& kindWord) {
    return TQREvResult::Error(msg::OperatorNotCompatible().arg(symbol, kindWord));
}

QString LogicalSymbol(TQREvOperator op) {
    return op == TQREvOperator::opOr ? QStringLiteral("OR") : QStringLiteral("AND");
}

template <class T> TQREvResult Compare(TQREvOperator op, const T& l, const T& r) {
    switch (op) {
    case TQREvOperator::opLess:
        return TQREvResult::Bool(l < r);
    case TQREvOperator::opLessOrEqual:
        return TQREvResult::Bool(l <= r);
    case TQREvOperator::opGreater:
        return TQREvResult::Bool(l > r);
    case TQREvOperator::opGreaterOrEqual:
        return TQREvResult::Bool(l >= r);
    case TQREvOperator::opEqual:
        return TQREvResult::Bool(l == r);
    default:
        return TQREvResult::Bool(l != r);
    }
}

bool IsComparison(TQREvOperator op) {
    return op <= TQREvOperator::opUnequal;
}

// Integer arithmetic that leaves the 32-bit range continues in double precision instead of wrapping.
TQREvResult IntegerOperation(TQREvOperator op, std::int32_t l, std::int32_t r) {
    if (IsComparison(op)) return Compare(op, l, r);
    std::int32_t result = 0;
    switch (op) {
    case TQREvOperator::opPlus:
        if (__builtin_add_overflow(l, r, &result)) return TQREvResult::Double(double(l) + double(r));
        return TQREvResult::Int(result);
    case TQREvOperator::opMinus:
        if (__builtin_sub_overflow(l, r, &result)) return TQREvResult::Double(double(l) - double(r));
        return TQREvResult::Int(result);
    case TQREvOperator::opMul:
        if (__builtin_mul_overflow(l, r, &result)) return TQREvResult::Double(double(l) * double(r));
        return TQREvResult::Int(result);
    case TQREvOperator::opDiv:
        if (r == 0) return TQREvResult::Error(msg::CannotDivideByZero());
        return TQREvResult::Double(double(l) / double(r));
    case TQREvOperator::opOr:
        return TQREvResult::Int(l | r);
    default:
        return TQREvResult::Int(l & r);
    }
}

TQREvResult DoubleOperation(TQREvOperator op, double l, double r) {
    if (IsComparison(op)) return Compare(op, l, r);
    switch (op) {
    case TQREvOperator::opPlus:
        return TQREvResult::Double(l + r);
    case TQREvOperator::opMinus:
        return TQREvResult::Double(l - r);
    case TQREvOperator::opMul:
        return TQREvResult::Double(l * r);
    case TQREvOperator::opDiv:
        if (r == 0.0) return TQREvResult::Error(msg::CannotDivideByZero());
        return TQREvResult::Double(l / r);
    default:
        return NotCompatible(LogicalSymbol(op), msg::WordNumeric());
    }
}

TQREvResult StringOperation(TQREvOperator op, const QString& l, const QString& r) {
    // QString compares by UTF-16 code units, that is by character codes.
    if (IsComparison(op)) return Compare(op, l, r);
    switch (op) {
    case TQREvOperator::opPlus:
        return TQREvResult::String(l + r);
    case TQREvOperator::opOr:
    case TQREvOperator::opAnd:
        return NotCompatible(LogicalSymbol(op), msg::WordString());
    default:
        return CannotOperate(op, msg::WordString());
    }
}

TQREvResult BooleanOperation(TQREvOperator op, bool l, bool r) {
    switch (op) {
    case TQREvOperator::opEqual:
        return TQREvResult::Bool(l == r);
    case TQREvOperator::opUnequal:
        return TQREvResult::Bool(l != r);
    case TQREvOperator::opOr:
        return TQREvResult::Bool(l || r);
    case TQREvOperator::opAnd:
        return TQREvResult::Bool(l && r);
    default:
        if (IsComparison(op)) return NotCompatible(ComparisonSymbol(op), msg::WordBoolean());
        return CannotOperate(op, msg::WordBoolean());
    }
}

} // namespace

TQREvResult QREvApplyOperator(TQREvOperator op, TQREvResult left, TQREvResult right) {
    if (left.IsError()) return left;
    if (right.IsError()) return right;
    if (left.Kind != right.Kind) {
        if (left.IsNumeric() && right.IsNumeric()) {
            return DoubleOperation(op, left.Kind == TQREvResultType::resInt ? left.IntResult : left.DblResult,
                                   right.Kind == TQREvResultType::resInt ? right.IntResult : right.DblResult);
        }
        return StringOperation(op, OperandText(left), OperandText(right));
    }
    switch (left.Kind) {
    case TQREvResultType::resInt:
        return IntegerOperation(op, left.IntResult, right.IntResult);
    case TQREvResultType::resDouble:
        return DoubleOperation(op, left.DblResult, right.DblResult);
    case TQREvResultType::resString:
        return StringOperation(op, left.StrResult, right.StrResult);
    default:
        return BooleanOperation(op, left.BooResult, right.BooResult);
    }
}

TQREvResult TQREvElementOperator::Value(TQRFiFo& fiFo) {
    TQREvResult left = fiFo.NextValue();
    TQREvResult right = fiFo.NextValue();
    return QREvApplyOperator(op_, std::move(left), std::move(right));
}

} // namespace quorvel
