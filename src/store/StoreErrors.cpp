#include "store/StoreErrors.h"

namespace quorvel {

namespace StoreMessages {
QString MissingDataPacket() {
    return QStringLiteral("Missing data provider or data packet");
}
QString FieldNotFound(const QString& field) {
    return QStringLiteral("Field '%1' not found").arg(field);
}
QString TypeMismatch(const QString& field, const QString& expected, const QString& actual) {
    return QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
        .arg(field, expected, actual);
}
QString SizeMismatch(const QString& field, int expected, int actual) {
    return QStringLiteral("Size mismatch for field '%1', expecting: %2 actual: %3")
        .arg(field)
        .arg(expected)
        .arg(actual);
}
QString DataSetClosed() {
    return QStringLiteral("Cannot perform this operation on a closed dataset");
}
QString NotEditing() {
    return QStringLiteral("Dataset not in edit or insert mode");
}
QString FieldReadOnly(const QString& field) {
    return QStringLiteral("Field '%1' cannot be modified").arg(field);
}
QString InvalidFloat(const QString& text, const QString& field) {
    return QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(text, field);
}
QString InvalidInteger(const QString& text, const QString& field) {
    return QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, field);
}
QString InvalidBoolean(const QString& text, const QString& field) {
    return QStringLiteral("'%1' is not a valid boolean value for field '%2'").arg(text, field);
}
QString IndexNotFound(const QString& index) {
    return QStringLiteral("Index '%1' not found").arg(index);
}
QString NoFieldsDefined() {
    return QStringLiteral("No fields defined.  Cannot create dataset");
}
QString FieldRequired(const QString& field) {
    return QStringLiteral("Field '%1' must have a value").arg(field);
}
QString IntegerOutOfRange(long long value, const QString& field, long long low, long long high) {
    return QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
        .arg(value)
        .arg(field)
        .arg(low)
        .arg(high);
}
} // namespace StoreMessages

void RaiseDatabaseError(const QString& message) {
    throw EDatabaseError(message);
}

void RaiseStoreError(int code) {
    throw EStoreError(code);
}

} // namespace quorvel
