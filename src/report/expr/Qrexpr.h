#pragma once

#include "report/expr/QrexprDataSet.h"
#include "report/expr/QrexprElements.h"
#include "report/expr/QrexprFunctions.h"
#include "report/expr/QrexprResult.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace quorvel {

class TQREvEnvironment;

// Turns an expression text into a list of elements once (Prepare) and computes its value from
// that list as often as needed, reading data-set fields and environment entries at that moment.
class TQREvaluator {
public:
    TQREvaluator() = default;
    ~TQREvaluator();
    TQREvaluator(const TQREvaluator&) = delete;
    TQREvaluator& operator=(const TQREvaluator&) = delete;

    // Parsing never raises: every fault becomes an error element that surfaces when evaluated.
    void Prepare(const QString& expression);
    void UnPrepare();
    // Raises EQRError "Evaluator not prepared" when not prepared.
    TQREvResult Value();
    // Clears the accumulated state of every aggregate of the list.
    void Reset();
    // Evaluates once with the aggregate flag set, so that aggregates accumulate the current record.
    void DoAggregate();
    // Prepares, evaluates and unprepares.
    TQREvResult Calculate(const QString& expression);

    QString AsString() { return QREvResultToString(Value()); }
    std::int32_t AsInteger() { return QREvResultToInt(Value()); }
    double AsFloat() { return QREvResultToFloat(Value()); }
    bool AsBoolean() { return QREvResultToBoolean(Value()); }
    QVariant AsVariant() { return QREvResultToVariant(Value()); }

    bool Prepared() const noexcept { return prepared_; }
    // Whether some element of the prepared list is an aggregate.
    bool IsAggreg() const;
    bool Aggregate() const noexcept { return fiFo_ && fiFo_->Aggregate(); }
    void SetAggregate(bool aggregate);

    // The data sets names are looked up in; created empty on first request.
    TQREvDataSetList& DataSets();
    bool HasDataSets() const noexcept { return dataSets_ != nullptr; }
    void SetDataSets(const TQREvDataSetList& dataSets);

    TQREvEnvironment* Environment() const noexcept { return environment_; }
    void SetEnvironment(TQREvEnvironment* environment) noexcept { environment_ = environment; }

    // The prepared list, for the environment's constants; nullptr when not prepared.
    TQRFiFo* FiFo() const noexcept { return fiFo_.get(); }

private:
    friend class TQREvEmbeddedFunction;
    // Builds a list of one constant element holding the value.
    void PrepareConstant(const TQREvResult& value);
    void BeginPrepare();

    std::unique_ptr<TQRFiFo> fiFo_;
    bool prepared_ = false;
    // Evaluators of the global environment's own entries do not count as users of it.
    bool holdsGlobalEnvironment_ = false;
    bool entryOfGlobal_ = false;
    TQREvEnvironment* environment_ = nullptr;
    std::unique_ptr<TQREvDataSetList> dataSets_;
};

// A named entry of an environment: an expression with an evaluator of its own. Asking for its
// value while that value is being computed gives "Recursive calls not allowed".
class TQREvEmbeddedFunction {
public:
    TQREvEmbeddedFunction(TQREvEnvironment& environment, QString name, QString expression);

    const QString& Name() const noexcept { return name_; }
    const QString& Expression() const noexcept { return expression_; }
    void SetExpression(const QString& expression);
    TQREvaluator& Evaluator() noexcept { return evaluator_; }

    // Prepares the entry's evaluator with the environment's data sets and the environment itself.
    void Prepare();
    void UnPrepare() { evaluator_.UnPrepare(); }
    TQREvResult Value();

private:
    friend class TQREvEnvironment;
    TQREvEnvironment& environment_;
    QString name_;
    QString expression_;
    TQREvaluator evaluator_;
    // A value published by SetConstant, kept as a result so that preparing never re-reads it from
    // text.
    std::optional<TQREvResult> constant_;
    bool inEvaluation_ = false;
};

// Named expressions that other expressions use by name. Names are kept in upper case and found
// regardless of letter case. Prepare and Unprepare calls nest: entries are prepared by the first
// Prepare and unprepared by the matching last Unprepare. Every operation, and the evaluation of an
// entry, holds the environment's lock, so the shared global environment stays consistent when a
// report is generated in a background thread.
class TQREvEnvironment {
public:
    TQREvEnvironment() = default;
    ~TQREvEnvironment();
    TQREvEnvironment(const TQREvEnvironment&) = delete;
    TQREvEnvironment& operator=(const TQREvEnvironment&) = delete;

    // Adds an entry only when the name is new; in a prepared environment the entry is prepared at
    // once.
    void AddFunction(const QString& name, const QString& expression);
    void DeleteFunction(const QString& name);
    // A wrapper element for the entry, or the error element "Unknown function : %s".
    std::unique_ptr<TQREvElement> Element(const QString& name);
    // The entry's value; an error result for a name not in the list.
    TQREvResult Value(const QString& name);
    // The first element of the entry's prepared list, or nullptr.
    TQREvElement* GetConstant(const QString& name);

    // Publish a value under a name: a prepared entry that is a single constant is overwritten in
    // place; otherwise the entry becomes that constant (added when missing).
    void SetIntegerConstant(const QString& name, std::int32_t value);
    void SetFloatConstant(const QString& name, double value);
    void SetBooleanConstant(const QString& name, bool value);
    void SetStringConstant(const QString& name, const QString& value);
    void SetConstant(const QString& name, const TQREvResult& value);
    // Overwrites the entry's first element when it is a constant or string element.
    bool UpdateConstant(const QString& name, const TQREvResult& value);

    void Prepare();
    void Unprepare();
    bool Prepared() const noexcept { return prepareCount_ > 0; }
    void Clear();

    TQREvDataSetList& DataSets();
    bool HasDataSets() const noexcept { return dataSets_ != nullptr; }

    // The stored form: the entries' names and, in the same order, their expression texts.
    int Count() const noexcept { return static_cast<int>(entries_.size()); }
    QStringList Names() const;
    QStringList Data() const;
    TQREvEmbeddedFunction* Find(const QString& name) const;
    std::weak_ptr<TQREvEmbeddedFunction> Entry(const QString& name) const;

private:
    friend class TQREvEmbeddedFunction;
    friend TQREvEnvironment& QRGlobalEnvironment();
    struct GlobalTag {};
    explicit TQREvEnvironment(GlobalTag);

    bool isGlobal_ = false;
    std::vector<std::shared_ptr<TQREvEmbeddedFunction>> entries_;
    std::unique_ptr<TQREvDataSetList> dataSets_;
    int prepareCount_ = 0;
    bool changing_ = false;
    mutable std::recursive_mutex mutex_;
};

// The one global environment, created on first use with AppStartTime, AppStartDate and AppName.
TQREvEnvironment& QRGlobalEnvironment();

} // namespace quorvel
