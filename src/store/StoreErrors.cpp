#include "store/StoreErrors.h"

namespace quorvel {

namespace {

QString EnglishDescription(int code) {
    switch (static_cast<StoreErrorCode>(code)) {
    case StoreErrorCode::OutOfRange:
        return QStringLiteral("a value does not fit the field it is meant for");
    case StoreErrorCode::FieldWidth:
        return QStringLiteral(
            "a text or binary field is declared without a width, or with an invalid subtype");
    case StoreErrorCode::FieldType:
        return QStringLiteral("a field is declared without a type, or with an unknown one");
    case StoreErrorCode::TooManyTables:
        return QStringLiteral("the document has more nested tables than allowed");
    case StoreErrorCode::BadExpression:
        return QStringLiteral("a filter or sum expression could not be read");
    case StoreErrorCode::TooManyKeys:
        return QStringLiteral("an order uses more than 16 fields");
    case StoreErrorCode::TooLarge:
        return QStringLiteral("the content would take far more memory than the file's size explains");
    case StoreErrorCode::Malformed:
        return QStringLiteral("the content is not a well-formed data packet, or it ends before the end of "
                              "the document");
    }
    return QStringLiteral("unknown failure of the data store");
}

QString PortugueseDescription(int code) {
    // A switch without default: a code added to the enum without its description does not compile.
    switch (static_cast<StoreErrorCode>(code)) {
    case StoreErrorCode::OutOfRange:
        return QStringLiteral("um valor não cabe no campo a que se destina");
    case StoreErrorCode::FieldWidth:
        return QStringLiteral("a declaração de um campo de texto ou binário não informa a largura, ou "
                              "informa um subtipo inválido");
    case StoreErrorCode::FieldType:
        return QStringLiteral("a declaração de um campo não informa o tipo, ou informa um tipo desconhecido");
    case StoreErrorCode::TooManyTables:
        return QStringLiteral("o documento tem mais tabelas aninhadas do que o permitido");
    case StoreErrorCode::BadExpression:
        return QStringLiteral("uma expressão de filtro ou de soma não pôde ser interpretada");
    case StoreErrorCode::TooManyKeys:
        return QStringLiteral("uma ordenação usa mais de 16 campos");
    case StoreErrorCode::TooLarge:
        return QStringLiteral("o conteúdo ocuparia muito mais memória do que o tamanho do arquivo justifica");
    case StoreErrorCode::Malformed:
        return QStringLiteral("o conteúdo não é um pacote de dados bem formado ou termina antes do fim do "
                              "documento");
    }
    return QStringLiteral("falha desconhecida do armazenamento de dados");
}

} // namespace

QString StoreErrorDescription(int code, MessageLanguage language) {
    return language == MessageLanguage::English ? EnglishDescription(code) : PortugueseDescription(code);
}

QString DescribeStoreError(const EStoreError& e, MessageLanguage language) {
    const bool english = language == MessageLanguage::English;
    QString text = StoreErrorDescription(e.ErrorCode(), language) +
                   (english ? QStringLiteral(" (error %1") : QStringLiteral(" (erro %1")).arg(e.ErrorCode());
    if (e.Offset() >= 0)
        text += (english ? QStringLiteral(", offset %1") : QStringLiteral(", posição %1")).arg(e.Offset());
    return text + QLatin1Char(')');
}

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

void RaiseStoreError(StoreErrorCode code, long long offset) {
    throw EStoreError(static_cast<int>(code), offset);
}

} // namespace quorvel
