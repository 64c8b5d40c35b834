// Data-field texts: the display text of a field, or its value through a mask.

#include "report/Qrctrls.h"

#include "platform/CodePage.h"
#include "platform/DateTimeFormat.h"
#include "platform/NumberFormat.h"
#include "report/DataSetComponent.h"
#include "store/DecimalText.h"
#include "store/Packet.h"
#include "store/StoreField.h"
#include "store/StoreTable.h"

namespace quorvel {

namespace {

bool IsMemoType(TFieldType type) {
    return type == TFieldType::Memo || type == TFieldType::WideMemo || type == TFieldType::Blob ||
           type == TFieldType::Graphic;
}

bool IsMaskedInteger(TFieldType type) {
    switch (type) {
    case TFieldType::ShortInt:
    case TFieldType::SmallInt:
    case TFieldType::Integer:
    case TFieldType::Byte:
    case TFieldType::Word:
    case TFieldType::AutoInc:
        return true;
    default:
        return false;
    }
}

bool IsMaskedNumber(TFieldType type) {
    return type == TFieldType::Float || type == TFieldType::Currency || type == TFieldType::BCD ||
           type == TFieldType::FMTBcd;
}

bool IsDateTimeType(TFieldType type) {
    return type == TFieldType::Date || type == TFieldType::Time || type == TFieldType::DateTime ||
           type == TFieldType::TimeStamp;
}

QString Masked(const QString& mask, const NumberDigits& digits) {
    return Cp1252ToQString(FormatNumber(QStringToCp1252(mask), digits, FormatSettings::Current()));
}

QDateTime DateTimeOf(const TStoreValue& value) {
    const auto* stored = std::get_if<TDateTimeValue>(&value);
    if (!stored) return {};
    int year = 0;
    int month = 0;
    int day = 0;
    DateFromDays(stored->days, year, month, day);
    return QDateTime(QDate(year, month, day), QTime::fromMSecsSinceStartOfDay(stored->msec));
}

// A field's text split into its lines as a memo shows them.
QStringList TextLines(const QString& text) {
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normal.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace

TQRDBText::TQRDBText(TComponent* owner)
    : TQRCustomLabel(owner) {}

TQRDBText::~TQRDBText() = default;

void TQRDBText::SetDataSet(TDataSetComponent* dataSet) {
    dataSet_ = dataSet;
    if (dataSet) FreeNotification(*dataSet);
}

void TQRDBText::SetDataField(const QString& field) {
    dataField_ = field;
    if (!IsPrinting() && !IsLoading()) SetDesignCaption(field.isEmpty() ? Name() : field);
}

void TQRDBText::Notification(TComponent& component, TOperation operation) {
    TQRCustomLabel::Notification(component, operation);
    if (operation == TOperation::opRemove && &component == dataSet_) dataSet_ = nullptr;
}

void TQRDBText::Loaded() {
    TQRCustomLabel::Loaded();
    SetDesignCaption(dataField_.isEmpty() ? Name() : dataField_);
}

void TQRDBText::Prepare() {
    TQRCustomLabel::Prepare();
    memoField_ = false;
    fieldIndex_ = -1;
    fieldName_.clear();
    TStoreTable* table = dataSet_ ? dataSet_->Table() : nullptr;
    if (const TStoreField* field = table ? table->FindField(dataField_) : nullptr) {
        fieldIndex_ = field->Index();
        fieldName_ = field->FieldName();
        memoField_ = IsMemoType(field->DataType());
    }
    if (memoField_) SetPrintText(QString());
    InvalidateLines();
}

void TQRDBText::UnPrepare() {
    TQRCustomLabel::UnPrepare();
    fieldIndex_ = -1;
    fieldName_.clear();
    memoField_ = false;
    SetDesignCaption(dataField_.isEmpty() ? Name() : dataField_);
}

TStoreField* TQRDBText::CurrentField() {
    if (fieldIndex_ < 0 || !dataSet_) return nullptr;
    TStoreTable* table = dataSet_->Table();
    if (!table || !dataSet_->Active()) return nullptr;
    // The table may have made its fields anew (closed and opened again): take the field by its index
    // when it is still the one that was found, else by its name.
    if (fieldIndex_ < table->FieldCount()) {
        TStoreField& field = table->Fields(fieldIndex_);
        if (field.FieldName() == fieldName_) return &field;
    }
    return table->FindField(fieldName_);
}

void TQRDBText::TakeFieldText() {
    TStoreField* field = nullptr;
    try {
        field = CurrentField();
        if (!field) {
            SetPrintText(QString());
            if (memoField_) MutableLines().clear();
            return;
        }
        const TFieldType type = field->DataType();
        if (memoField_) {
            MutableLines() = TextLines(field->AsQString());
            return;
        }
        if (mask_.isEmpty() || IsStringType(type)) {
            SetPrintText(field->DisplayText());
        } else if (field->IsNull()) {
            // A masked field without a value prints nothing rather than a made-up zero or date.
            if (IsMaskedInteger(type) || IsMaskedNumber(type) || IsDateTimeType(type))
                SetPrintText(QString());
        } else if (IsMaskedInteger(type)) {
            SetPrintText(Masked(mask_, NumberDigits::FromInteger(field->AsLargeInt())));
        } else if (IsMaskedNumber(type)) {
            const TStoreValue value = field->Value();
            if (const auto* decimal = std::get_if<TDecimal>(&value))
                SetPrintText(Masked(mask_, DecimalDigits(*decimal)));
            else
                SetPrintText(Masked(mask_, NumberDigits::FromDouble(field->AsFloat())));
        } else if (IsDateTimeType(type)) {
            SetPrintText(FormatDateTime(mask_, DateTimeOf(field->Value())));
        }
    } catch (const Exception&) {
        SetPrintText(QString());
    }
}

void TQRDBText::GetFieldString(QString& text) {
    TakeFieldText();
    text = memoField_ ? Lines().join(QLatin1String("\r\n")) : PrintText();
}

void TQRDBText::Print(int ofsX, int ofsY) {
    if (!IsEnabled()) return;
    if (!IsPrinting()) Prepare();
    // A text continued on a further page is the one it began with (the record has not moved): taking
    // and formatting it anew would cost the whole text on every page, so the lines are kept and the
    // printing goes on from where the last page stopped.
    if (PrintFinished()) TakeFieldText();
    TQRCustomLabel::Print(ofsX, ofsY);
}

void TQRDBText::GetExpandedHeight(double& height) {
    TakeFieldText();
    FormattedHeight(height);
}

} // namespace quorvel
