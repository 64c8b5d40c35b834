#pragma once

#include "platform/Exceptions.h"

#include <QString>

namespace quorvel {

// The numeric codes of the store's coded errors (EStoreError), raised by the datapacket readers
// and by the table itself. Each code has one description for the user (StoreErrorDescription).
enum class StoreErrorCode : int {
    OutOfRange = 0x2701,    // a value does not fit its field
    FieldWidth = 0x2702,    // a text or binary field without width, or a subtype that is no text
    FieldType = 0x2710,     // a field without type or with an unknown one
    TooManyTables = 0x2A04, // more nested tables than a document may hold
    BadExpression = 0x2EA1, // a filter or aggregate that cannot be parsed
    TooManyKeys = 0x2EA2,   // an order with more than 16 fields
    TooLarge = 0x2EA4,      // a file whose content would take far more memory than its size explains
    Malformed = 0x4005,     // the document's structure is broken or it ends too early
};

// The language of a description: the program speaks Portuguese to its user, the command-line tools
// speak English.
enum class MessageLanguage { Portuguese, English };

// What a code means, as a clause that completes "… não pôde ser lido: " (or "Cannot read …: "). Codes
// the store does not know get a generic text.
QString StoreErrorDescription(int code, MessageLanguage language = MessageLanguage::Portuguese);
inline QString StoreErrorDescription(StoreErrorCode code,
                                     MessageLanguage language = MessageLanguage::Portuguese) {
    return StoreErrorDescription(static_cast<int>(code), language);
}

// The description of e followed by its code and, when the error came from a reader, the byte
// position where it stopped: "o documento … (erro 16389, posição 4096)", in English "the content …
// (error 16389, offset 4096)".
QString DescribeStoreError(const EStoreError& e, MessageLanguage language = MessageLanguage::Portuguese);

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
[[noreturn]] void RaiseStoreError(StoreErrorCode code, long long offset = -1);

} // namespace quorvel
