#pragma once

#include "platform/Exceptions.h"

#include <QString>

namespace quorvel {

// Numeric codes of the store's coded errors (EStoreError) raised by the table itself. Decoding
// errors of the datapacket reader carry their own codes.
inline constexpr int kStoreErrorOutOfRange = 0x2701;    // a value does not fit its field
inline constexpr int kStoreErrorBadExpression = 0x2EA1; // a filter or aggregate that cannot be parsed
inline constexpr int kStoreErrorTooManyKeys = 0x2EA2;   // an order with more than 16 fields
inline constexpr int kStoreErrorReadOnlyTable = 0x2EA3; // the table refuses this kind of change

// The store's messages, each with its arguments in place.
namespace StoreMessages {
QString MissingDataPacket();
QString FieldNotFound(const QString& field);
QString TypeMismatch(const QString& field, const QString& expected, const QString& actual);
QString SizeMismatch(const QString& field, int expected, int actual);
QString DataSetClosed();
QString NotEditing();
QString FieldReadOnly(const QString& field);
QString InvalidFloat(const QString& text, const QString& field);
QString InvalidInteger(const QString& text, const QString& field);
QString InvalidBoolean(const QString& text, const QString& field);
QString IndexNotFound(const QString& index);
QString NoFieldsDefined();
QString FieldRequired(const QString& field);
QString IntegerOutOfRange(long long value, const QString& field, long long low, long long high);
} // namespace StoreMessages

[[noreturn]] void RaiseDatabaseError(const QString& message);
[[noreturn]] void RaiseStoreError(int code);

} // namespace quorvel
