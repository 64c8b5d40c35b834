#pragma once

#include <QString>

// The evaluator's message texts. Texts with %1 are completed with QString::arg.
namespace quorvel::qrexpr_messages {

inline QString ErrorInExpression() {
    return QStringLiteral("Error in expression : %1");
}
inline QString Missing() {
    return QStringLiteral("Missing %1");
}
inline QString InvalidUseOfNot() {
    return QStringLiteral("Invalid use of NOT");
}
inline QString IllegalCharInNumeric() {
    return QStringLiteral("Illegal character in numeric contant");
}
inline QString UnknownFunction() {
    return QStringLiteral("Unknown function : %1");
}
inline QString EvaluatorNotPrepared() {
    return QStringLiteral("Evaluator not prepared");
}
inline QString NotAValue() {
    return QStringLiteral("Not a %1 value");
}
inline QString OperatorNotCompatible() {
    return QStringLiteral("Operator %1 is not compatible with %2 expressions");
}
inline QString CannotOperate() {
    return QStringLiteral("Cannot %1 %2 expressions");
}
inline QString CannotDivideByZero() {
    return QStringLiteral("Cannot divide by 0");
}
inline QString FieldOfUnknownType() {
    return QStringLiteral("Field %1 is of unknown type");
}
inline QString RecursiveCalls() {
    return QStringLiteral("Recursive calls not allowed");
}
inline QString TooManyArguments() {
    return QStringLiteral("Too many arguments");
}
inline QString WrongArguments() {
    return QStringLiteral("Wrong arguments for %1");
}
inline QString UnknownType() {
    return QStringLiteral("Unknown type");
}
inline QString MissingArgument() {
    return QStringLiteral("Missing argument for %1");
}
inline QString ConversionError() {
    return QStringLiteral("Conversion error");
}
inline QString DivisionByZero() {
    return QStringLiteral("Division by Zero");
}
inline QString InvalidFormat() {
    return QStringLiteral("Invalid format or value specified");
}
inline QString InvalidSqrtArgument() {
    return QStringLiteral("Invalid argument to SQRT function");
}

inline QString WordAdd() {
    return QStringLiteral("add");
}
inline QString WordSubtract() {
    return QStringLiteral("subtract");
}
inline QString WordMultiply() {
    return QStringLiteral("multiply");
}
inline QString WordDivide() {
    return QStringLiteral("divide");
}
inline QString WordBoolean() {
    return QStringLiteral("boolean");
}
inline QString WordString() {
    return QStringLiteral("string");
}
inline QString WordNumeric() {
    return QStringLiteral("numeric");
}
inline QString TrueText() {
    return QStringLiteral("True");
}
inline QString FalseText() {
    return QStringLiteral("False");
}

} // namespace quorvel::qrexpr_messages
