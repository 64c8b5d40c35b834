#pragma once

#include "store/StoreValue.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel {

// Filters and aggregates of a table are small expressions over its stored fields: numbers, quoted
// texts, NULL, field names (bare or in brackets), + - * / with parentheses, comparisons (= <> < >
// <= >=), IS [NOT] NULL, AND, OR, NOT, and the aggregate functions Sum, Count, Min, Max and Avg.
// Arithmetic is done in double precision; a NULL operand makes the result NULL; a comparison with
// NULL is unknown, and a filter passes a row only when its expression is true.
struct ExprValue {
    enum class Kind { Null, Number, Text, Boolean };
    Kind kind = Kind::Null;
    double number = 0;
    std::string text;
    bool boolean = false;

    static ExprValue Null() { return {}; }
    static ExprValue Number(double v) { return {Kind::Number, v, {}, false}; }
    static ExprValue Text(std::string v) { return {Kind::Text, 0, std::move(v), false}; }
    static ExprValue Boolean(bool v) { return {Kind::Boolean, 0, {}, v}; }
    bool IsNull() const noexcept { return kind == Kind::Null; }
};

ExprValue ToExprValue(const FieldView& value);

enum class AggregateFunction { Sum, Count, Min, Max, Avg };

struct ExprNode;
using ExprNodePtr = std::unique_ptr<ExprNode>;

struct ExprNode {
    enum class Kind {
        Constant,
        Field,
        Negate,
        Add,
        Subtract,
        Multiply,
        Divide,
        Compare,
        IsNull,
        And,
        Or,
        Not,
        Aggregate
    };
    enum class Comparison { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };
    Kind kind = Kind::Constant;
    ExprValue constant;
    int column = -1; // Field: the stored column
    Comparison comparison = Comparison::Equal;
    bool negated = false; // IsNull: IS NOT NULL
    AggregateFunction function = AggregateFunction::Sum;
    bool countRows = false; // Count(*)
    int aggregateSlot = -1; // Aggregate: index into the accumulator list
    ExprNodePtr left;
    ExprNodePtr right;
};

// Maps a field name (any letter case) to a stored column, or -1.
using ColumnResolver = std::function<int(const QString& name)>;
// Reads a stored column of the row being evaluated.
using ColumnReader = std::function<FieldView(int column)>;

// A parsed filter or aggregate expression. Parsing fails with the store's coded error for bad
// syntax and with "Field '%s' not found" for an unknown field name.
class StoreExpression {
public:
    enum class Use { Filter, Aggregate };
    static StoreExpression Parse(std::string_view text, const ColumnResolver& resolve, Use use);

    // Evaluates a row-level expression (a filter) against one row.
    ExprValue Evaluate(const ColumnReader& row) const;
    // True when the expression is true for the row; NULL and false do not pass.
    bool Passes(const ColumnReader& row) const;

    // The aggregate calls in the expression, in order; their values feed EvaluateAggregate.
    const std::vector<const ExprNode*>& Aggregates() const noexcept { return aggregates_; }
    ExprValue EvaluateAggregate(const std::vector<ExprValue>& aggregateValues) const;
    // True when the whole expression is one Count call (its value is an integer).
    bool IsPlainCount() const noexcept;
    // The column and number of an expression of the form `field = number` (either side), the shape
    // of a lot selection, so that a view can be rebuilt without the general evaluator.
    std::optional<std::pair<int, double>> FieldEqualsNumber() const noexcept;

private:
    ExprNodePtr root_;
    std::vector<const ExprNode*> aggregates_;
};

// Evaluates an argument (a row-level sub-expression) of an aggregate call.
ExprValue EvaluateNode(const ExprNode& node, const ColumnReader& row,
                       const std::vector<ExprValue>* aggregateValues);

// Running state of one aggregate call over the visible rows, updated row by row in both
// directions. Sums are compensated so that adding and removing the same rows returns to the
// same value; with no contributing row the result is NULL (Count gives 0).
class AggregateAccumulator {
public:
    explicit AggregateAccumulator(const ExprNode& call)
        : call_(&call) {}
    void Add(const ColumnReader& row) { Apply(row, 1); }
    void Remove(const ColumnReader& row) { Apply(row, -1); }
    void Reset();
    ExprValue Value() const;

private:
    void Apply(const ColumnReader& row, int direction);

    const ExprNode* call_;
    long long count_ = 0;
    double sum_ = 0;
    double compensation_ = 0;
    std::multiset<double> numbers_;
    std::multiset<std::string> texts_;
};

} // namespace quorvel
