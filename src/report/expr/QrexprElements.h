#pragma once

#include "report/expr/QrexprDataSet.h"
#include "report/expr/QrexprResult.h"

#include <memory>
#include <vector>

namespace quorvel {

class TQRFiFo;
class TQREvEmbeddedFunction;

enum class TQREvOperator {
    opLess,
    opLessOrEqual,
    opGreater,
    opGreaterOrEqual,
    opEqual,
    opUnequal,
    opPlus,
    opMinus,
    opOr,
    opMul,
    opDiv,
    opAnd
};

// What an element is, so that the list and the environment can recognise argument ends and
// constants without run-time type queries.
enum class TQREvElementKind { Operator, Constant, String, Function, ArgumentEnd, DataField, Wrapper, Error };

// One node of a prepared expression, stored in prefix order. Value reads the element's own
// sub-elements from the list that follow it.
class TQREvElement {
public:
    explicit TQREvElement(TQREvElementKind kind, bool isAggreg = false)
        : kind_(kind)
        , isAggreg_(isAggreg) {}
    virtual ~TQREvElement() = default;
    TQREvElement(const TQREvElement&) = delete;
    TQREvElement& operator=(const TQREvElement&) = delete;

    virtual TQREvResult Value(TQRFiFo& fiFo) = 0;
    virtual void Reset() {}

    TQREvElementKind Kind() const noexcept { return kind_; }
    bool IsAggreg() const noexcept { return isAggreg_; }

private:
    TQREvElementKind kind_;
    bool isAggreg_;
};

// The elements of a prepared expression with a read position. It owns its elements.
class TQRFiFo {
public:
    void Put(std::unique_ptr<TQREvElement> element) { elements_.push_back(std::move(element)); }
    void Start() noexcept { position_ = 0; }
    // The next element, or nullptr past the end.
    TQREvElement* Get() noexcept {
        return position_ < elements_.size() ? elements_[position_++].get() : nullptr;
    }
    // Reads the next element's value; an unexpected end of the list is an error result.
    TQREvResult NextValue();

    bool Aggregate() const noexcept { return aggregate_; }
    void SetAggregate(bool aggregate) noexcept { aggregate_ = aggregate; }

    std::size_t Count() const noexcept { return elements_.size(); }
    TQREvElement* At(std::size_t index) const noexcept {
        return index < elements_.size() ? elements_[index].get() : nullptr;
    }

private:
    std::vector<std::unique_ptr<TQREvElement>> elements_;
    std::size_t position_ = 0;
    bool aggregate_ = false;
};

// Applies a binary operator to the next two values of the list.
class TQREvElementOperator final : public TQREvElement {
public:
    explicit TQREvElementOperator(TQREvOperator op)
        : TQREvElement(TQREvElementKind::Operator)
        , op_(op) {}
    TQREvResult Value(TQRFiFo& fiFo) override;
    TQREvOperator Operator() const noexcept { return op_; }

private:
    TQREvOperator op_;
};

// A fixed value: a numeric constant of the expression, or a value published by the report engine.
class TQREvElementConstant final : public TQREvElement {
public:
    explicit TQREvElementConstant(TQREvResult value)
        : TQREvElement(TQREvElementKind::Constant)
        , value_(std::move(value)) {}
    TQREvResult Value(TQRFiFo&) override { return value_; }
    void SetValue(TQREvResult value) { value_ = std::move(value); }

private:
    TQREvResult value_;
};

class TQREvElementString final : public TQREvElement {
public:
    explicit TQREvElementString(const QString& text)
        : TQREvElement(TQREvElementKind::String)
        , value_(TQREvResult::String(text)) {}
    TQREvResult Value(TQRFiFo&) override { return value_; }
    void SetText(const QString& text) { value_ = TQREvResult::String(text); }

private:
    TQREvResult value_;
};

// A call: reads its arguments up to the argument end, accumulates when the list aggregates, then
// computes its result. The argument list keeps its capacity, so repeated evaluation of numeric
// functions does not allocate.
class TQREvElementFunction : public TQREvElement {
public:
    explicit TQREvElementFunction(bool isAggreg = false)
        : TQREvElement(TQREvElementKind::Function, isAggreg) {}
    TQREvResult Value(TQRFiFo& fiFo) final;

protected:
    virtual void Aggregate() {}
    virtual TQREvResult Calculate() = 0;

    const std::vector<TQREvResult>& ArgList() const noexcept { return args_; }
    int ArgCount() const noexcept { return static_cast<int>(args_.size()); }
    const TQREvResult& Arg(int index) const { return args_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<TQREvResult> args_;
};

class TQREvElementArgumentEnd final : public TQREvElement {
public:
    TQREvElementArgumentEnd()
        : TQREvElement(TQREvElementKind::ArgumentEnd) {}
    TQREvResult Value(TQRFiFo&) override { return TQREvResult::Error(QString()); }
};

// The current value of a field of a data set, read at each evaluation.
class TQREvElementDataField final : public TQREvElement {
public:
    TQREvElementDataField(std::shared_ptr<TQREvDataSet> dataSet, int field)
        : TQREvElement(TQREvElementKind::DataField)
        , dataSet_(std::move(dataSet))
        , field_(field) {}
    TQREvResult Value(TQRFiFo&) override;

private:
    std::shared_ptr<TQREvDataSet> dataSet_;
    int field_;
};

// An environment entry used inside another expression. The entry is watched, not owned: an entry
// deleted from its environment reads as an unknown name.
class TQREvElementWrapper final : public TQREvElement {
public:
    TQREvElementWrapper(std::weak_ptr<TQREvEmbeddedFunction> entry, QString name)
        : TQREvElement(TQREvElementKind::Wrapper)
        , entry_(std::move(entry))
        , name_(std::move(name)) {}
    TQREvResult Value(TQRFiFo&) override;

private:
    std::weak_ptr<TQREvEmbeddedFunction> entry_;
    QString name_;
};

// A fault found while parsing; it surfaces as an error result when evaluated.
class TQREvElementError final : public TQREvElement {
public:
    explicit TQREvElementError(const QString& message)
        : TQREvElement(TQREvElementKind::Error)
        , value_(TQREvResult::Error(message)) {}
    TQREvResult Value(TQRFiFo&) override { return value_; }

private:
    TQREvResult value_;
};

// Overwrites a constant or string element with a new value; other elements are left alone.
// Returns whether the element took the value.
bool UpdateConstant(TQREvElement* element, const TQREvResult& value);

// Applies an operator to two values, as an operator element does.
TQREvResult QREvApplyOperator(TQREvOperator op, TQREvResult left, TQREvResult right);

} // namespace quorvel
