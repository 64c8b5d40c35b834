#pragma once

#include "store/Decimal.h"
#include "store/StoreValue.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

class TStoreTable;

// The kind of a declared field. Kinds fall into families (all integers; float and currency;
// string and fixed string; wide strings; long text and blobs; dates and times; each other kind on
// its own); a declared field binds only to a loaded field of the same family.
enum class TFieldType {
    Unknown,
    String,
    FixedChar,
    WideString,
    FixedWideChar,
    ShortInt,
    SmallInt,
    Integer,
    LargeInt,
    Byte,
    Word,
    LongWord,
    AutoInc,
    Boolean,
    Float,
    Currency,
    BCD,
    FMTBcd,
    Date,
    Time,
    DateTime,
    TimeStamp,
    Memo,
    WideMemo,
    Blob,
    Graphic,
    Bytes,
    VarBytes,
    DataSet,
    ADT,
    Array,
};

// A declared field binds only to a loaded field of the same family.
enum class FieldFamily : std::uint8_t {
    None,
    Integer,
    Float,
    String,
    WideString,
    LongData, // long text and blobs
    DateTime, // dates, times and both
    Boolean,
    Decimal,
    FormattedDecimal,
    Bytes,
    VarBytes,
    DataSet,
    Struct,
    Array,
};

// The kind's name as messages show it ("Integer", "BCD", "FixedChar", ...).
QString FieldTypeName(TFieldType type);
FieldFamily FieldTypeFamily(TFieldType type) noexcept;
bool IsNumericType(TFieldType type) noexcept;
bool IsStringType(TFieldType type) noexcept;
bool IsIntegerType(TFieldType type) noexcept;
// The declared kind that a stored field of the file corresponds to.
TFieldType FieldTypeOf(const FieldDef& def) noexcept;

// Stored fields hold the table's columns; calculated fields are computed per record by
// OnCalcFields; aggregate fields hold an expression maintained over the visible rows.
enum class TFieldClass { Data, Calculated, Aggregate };

enum class TFieldAlignment { Left, Right, Center };

// A field of a table: the application reads and writes the current record through it. Values are
// single-byte code-page text (AsString) or typed numbers; AsQString, DisplayText and Text are the
// same texts as QString for the user interface. Every operation takes the table's lock.
class TStoreField {
public:
    TStoreField(const TStoreField&) = delete;
    TStoreField& operator=(const TStoreField&) = delete;

    TStoreTable& DataSet() const noexcept { return *table_; }
    const QString& FieldName() const noexcept { return name_; }
    TFieldType DataType() const noexcept { return type_; }
    TFieldClass FieldClass() const noexcept { return class_; }
    bool IsCalculated() const noexcept { return class_ == TFieldClass::Calculated; }
    bool IsAggregate() const noexcept { return class_ == TFieldClass::Aggregate; }
    // Position among the table's fields.
    int Index() const noexcept { return index_; }

    // Width of strings and binary fields (after binding: possibly the loaded width); 0 otherwise.
    int Size() const noexcept { return size_; }
    // Decimal places and significant digits of an exact decimal.
    int DecimalPlaces() const noexcept { return decimals_; }
    int Precision() const noexcept { return precision_; }

    const QString& DisplayLabel() const noexcept { return displayLabel_.isEmpty() ? name_ : displayLabel_; }
    void SetDisplayLabel(const QString& label) { displayLabel_ = label; }
    const QString& DisplayFormat() const noexcept { return displayFormat_; }
    void SetDisplayFormat(const QString& format) { displayFormat_ = format; }
    const QString& EditFormat() const noexcept { return editFormat_; }
    void SetEditFormat(const QString& format) { editFormat_ = format; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const noexcept { return required_; }
    void SetRequired(bool required) { required_ = required; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    // The characters a list column shows of the field: set explicitly, or from its kind (a string's
    // width, room for the digits of a number, a date or a time).
    int DisplayWidth() const noexcept;
    void SetDisplayWidth(int width) noexcept { displayWidth_ = width; }
    TFieldAlignment Alignment() const noexcept;
    void SetAlignment(TFieldAlignment alignment) {
        alignment_ = alignment;
        alignmentSet_ = true;
    }
    // True when the table accepts a new value for this field in its current state.
    bool CanModify() const;

    // Aggregate fields: the expression ("Sum(qtde*preco_ini)") and whether it is maintained.
    const QString& Expression() const noexcept { return expression_; }
    bool Active() const noexcept { return active_; }
    void SetActive(bool active);

    // Reading the active record (the current record, the edit buffer, or the record being
    // calculated). NULL reads as 0, "" or false.
    bool IsNull() const;
    TStoreValue Value() const;
    std::string AsString() const;
    QString AsQString() const;
    std::int32_t AsInteger() const;
    std::int64_t AsLargeInt() const;
    double AsFloat() const;
    TDecimal AsDecimal() const;
    bool AsBoolean() const;
    // The text shown to the user: through the display format for numbers; "" for NULL.
    QString DisplayText() const;
    // The text shown while editing: through the edit format, else the display format.
    QString Text() const;

    // Writing the active record; the table must be in edit or insert state (calculated fields
    // also while OnCalcFields runs).
    void SetValue(const TStoreValue& value);
    void SetAsString(std::string_view text);
    void SetAsQString(const QString& text);
    void SetAsInteger(std::int64_t value);
    void SetAsFloat(double value);
    void SetAsDecimal(const TDecimal& value);
    void SetAsBoolean(bool value);
    // Parses edit text as the user typed it (same rules as SetAsQString).
    void SetText(const QString& text);
    void Clear();

private:
    friend class TStoreTable;
    TStoreField(TStoreTable& table, QString name, TFieldType type, TFieldClass fieldClass);
    // The value in the form this field stores (kind, width, places); raises the conversion errors.
    FieldValue ToStoredForm(const TStoreValue& value) const;
    FieldKind StoredKind() const;
    QString FormatText(const QString& format) const;

    TStoreTable* table_;
    QString name_;
    TFieldType type_;
    TFieldClass class_;
    int index_ = 0;
    int size_ = 0;
    int declaredSize_ = 0;
    int decimals_ = 0;
    int precision_ = 0;
    QString displayLabel_;
    QString displayFormat_;
    QString editFormat_;
    bool readOnly_ = false;
    bool required_ = false;
    bool visible_ = true;
    TFieldAlignment alignment_ = TFieldAlignment::Left;
    int displayWidth_ = -1; // -1: from the kind
    bool alignmentSet_ = false;
    QString expression_;
    bool active_ = true;
    bool dynamic_ = false; // made from the loaded field list because none was declared

    // Binding, set while the table is open.
    int column_ = -1;    // stored column in the datapacket (Data fields)
    int calcSlot_ = -1;  // slot in the calculated-value buffer (Calculated fields)
    int aggregate_ = -1; // slot in the aggregate list (Aggregate fields)
};

} // namespace quorvel
