#include "report/expr/Qrexpr.h"

#include "platform/Exceptions.h"
#include "report/expr/QrexprMessages.h"
#include "report/expr/QrexprParser.h"

namespace quorvel {

namespace msg = qrexpr_messages;

void TQREvDataSetList::Add(std::shared_ptr<TQREvDataSet> dataSet) {
    if (dataSet) items_.push_back(std::move(dataSet));
}

TQREvaluator::~TQREvaluator() {
    UnPrepare();
}

void TQREvaluator::BeginPrepare() {
    if (prepared_) UnPrepare();
    if (!entryOfGlobal_) {
        QRGlobalEnvironment().Prepare();
        holdsGlobalEnvironment_ = true;
    }
    fiFo_ = std::make_unique<TQRFiFo>();
}

void TQREvaluator::Prepare(const QString& expression) {
    BeginPrepare();
    QREvParse(expression.isEmpty() ? QStringLiteral("' '") : expression, *fiFo_, dataSets_.get(),
              environment_);
    prepared_ = true;
}

void TQREvaluator::PrepareConstant(const TQREvResult& value) {
    BeginPrepare();
    fiFo_->Put(std::make_unique<TQREvElementConstant>(value));
    prepared_ = true;
}

void TQREvaluator::UnPrepare() {
    fiFo_.reset();
    prepared_ = false;
    if (holdsGlobalEnvironment_) {
        holdsGlobalEnvironment_ = false;
        QRGlobalEnvironment().Unprepare();
    }
}

TQREvResult TQREvaluator::Value() {
    if (!prepared_) throw EQRError(msg::EvaluatorNotPrepared());
    fiFo_->Start();
    TQREvElement* first = fiFo_->Get();
    if (first == nullptr) return TQREvResult::Error(msg::ErrorInExpression().arg(QString()));
    return first->Value(*fiFo_);
}

void TQREvaluator::Reset() {
    if (!fiFo_) return;
    for (std::size_t i = 0; i < fiFo_->Count(); ++i)
        fiFo_->At(i)->Reset();
}

void TQREvaluator::DoAggregate() {
    if (!prepared_) throw EQRError(msg::EvaluatorNotPrepared());
    struct FlagScope {
        TQRFiFo& fiFo;
        ~FlagScope() { fiFo.SetAggregate(false); }
    } scope{*fiFo_};
    fiFo_->SetAggregate(true);
    Value();
}

TQREvResult TQREvaluator::Calculate(const QString& expression) {
    Prepare(expression);
    struct Unprepare {
        TQREvaluator& evaluator;
        ~Unprepare() { evaluator.UnPrepare(); }
    } scope{*this};
    return Value();
}

bool TQREvaluator::IsAggreg() const {
    if (!fiFo_) return false;
    for (std::size_t i = 0; i < fiFo_->Count(); ++i)
        if (fiFo_->At(i)->IsAggreg()) return true;
    return false;
}

void TQREvaluator::SetAggregate(bool aggregate) {
    if (fiFo_) fiFo_->SetAggregate(aggregate);
}

TQREvDataSetList& TQREvaluator::DataSets() {
    if (!dataSets_) dataSets_ = std::make_unique<TQREvDataSetList>();
    return *dataSets_;
}

void TQREvaluator::SetDataSets(const TQREvDataSetList& dataSets) {
    DataSets() = dataSets;
}

} // namespace quorvel
