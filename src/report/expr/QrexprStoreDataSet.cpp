#include "report/expr/QrexprDataSet.h"

#include "store/StoreTable.h"

namespace quorvel {

void TQREvDataSetList::Add(TStoreTable& table) {
    items_.push_back(std::make_shared<TQRStoreDataSet>(table));
}

QString TQRStoreDataSet::Name() const {
    return table_.Name;
}

int TQRStoreDataSet::FindField(QStringView name) const {
    const TStoreField* field = table_.FindField(name.toString());
    return field == nullptr ? -1 : field->Index();
}

QString TQRStoreDataSet::FieldName(int field) const {
    return table_.Fields(field).FieldName();
}

TQREvFieldKind TQRStoreDataSet::FieldKind(int field) const {
    switch (table_.Fields(field).DataType()) {
    case TFieldType::String:
    case TFieldType::FixedChar:
    case TFieldType::WideString:
    case TFieldType::FixedWideChar:
        return TQREvFieldKind::String;
    case TFieldType::ShortInt:
    case TFieldType::Byte:
    case TFieldType::SmallInt:
    case TFieldType::Word:
    case TFieldType::Integer:
    case TFieldType::AutoInc:
        return TQREvFieldKind::Integer;
    case TFieldType::Float:
    case TFieldType::Currency:
    case TFieldType::BCD:
    case TFieldType::FMTBcd:
        return TQREvFieldKind::Float;
    case TFieldType::Boolean:
        return TQREvFieldKind::Boolean;
    case TFieldType::Date:
    case TFieldType::Time:
    case TFieldType::DateTime:
    case TFieldType::TimeStamp:
        return TQREvFieldKind::DateTime;
    default:
        return TQREvFieldKind::Unknown;
    }
}

QString TQRStoreDataSet::FieldText(int field) const {
    return table_.Fields(field).AsQString();
}

std::int32_t TQRStoreDataSet::FieldInteger(int field) const {
    return table_.Fields(field).AsInteger();
}

double TQRStoreDataSet::FieldFloat(int field) const {
    return table_.Fields(field).AsFloat();
}

bool TQRStoreDataSet::FieldBoolean(int field) const {
    return table_.Fields(field).AsBoolean();
}

} // namespace quorvel
