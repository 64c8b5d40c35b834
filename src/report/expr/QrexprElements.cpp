#include "report/expr/QrexprElements.h"

#include "platform/Exceptions.h"
#include "report/expr/Qrexpr.h"
#include "report/expr/QrexprMessages.h"

namespace quorvel {

namespace msg = qrexpr_messages;

TQREvResult TQRFiFo::NextValue() {
    TQREvElement* element = Get();
    if (element == nullptr) return TQREvResult::Error(msg::ErrorInExpression().arg(QString()));
    return element->Value(*this);
}

TQREvResult TQREvElementFunction::Value(TQRFiFo& fiFo) {
    args_.clear();
    for (TQREvElement* element = fiFo.Get();
         element != nullptr && element->Kind() != TQREvElementKind::ArgumentEnd; element = fiFo.Get())
        args_.push_back(element->Value(fiFo));
    if (fiFo.Aggregate()) Aggregate();
    TQREvResult result = Calculate();
    args_.clear();
    return result;
}

TQREvResult TQREvElementDataField::Value(TQRFiFo&) {
    // A data set that fails to read reports through an error result: evaluation itself raises only
    // for an unprepared evaluator.
    try {
        switch (dataSet_->FieldKind(field_)) {
        case TQREvFieldKind::String:
        case TQREvFieldKind::DateTime:
            return TQREvResult::String(dataSet_->FieldText(field_));
        case TQREvFieldKind::Integer:
            return TQREvResult::Int(dataSet_->FieldInteger(field_));
        case TQREvFieldKind::Float:
            return TQREvResult::Double(dataSet_->FieldFloat(field_));
        case TQREvFieldKind::Boolean:
            return TQREvResult::Bool(dataSet_->FieldBoolean(field_));
        case TQREvFieldKind::Unknown:
            break;
        }
        return TQREvResult::Error(msg::FieldOfUnknownType().arg(dataSet_->FieldName(field_)));
    } catch (const Exception& e) {
        return TQREvResult::Error(e.Message());
    }
}

TQREvResult TQREvElementWrapper::Value(TQRFiFo&) {
    if (const std::shared_ptr<TQREvEmbeddedFunction> entry = entry_.lock()) return entry->Value();
    return TQREvResult::Error(msg::UnknownFunction().arg(name_));
}

bool UpdateConstant(TQREvElement* element, const TQREvResult& value) {
    if (element == nullptr) return false;
    if (element->Kind() == TQREvElementKind::Constant) {
        static_cast<TQREvElementConstant*>(element)->SetValue(value);
        return true;
    }
    if (element->Kind() == TQREvElementKind::String && value.Kind == TQREvResultType::resString) {
        static_cast<TQREvElementString*>(element)->SetText(value.StrResult);
        return true;
    }
    return false;
}

} // namespace quorvel
