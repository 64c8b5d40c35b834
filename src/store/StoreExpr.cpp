#include "store/StoreExpr.h"

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/NumberParse.h"
#include "store/StoreErrors.h"

#include <cctype>
#include <cmath>

namespace quorvel {
namespace {

struct Lexeme {
    enum class Kind { End, Number, Text, Name, Symbol };
    Kind kind = Kind::End;
    std::string text;
    double number = 0;
};

class Lexer {
public:
    explicit Lexer(std::string_view text)
        : text_(text) {}

    Lexeme Next() {
        while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ')
            ++pos_;
        if (pos_ >= text_.size()) return {};
        const char c = text_[pos_];
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && pos_ + 1 < text_.size() &&
             std::isdigit(static_cast<unsigned char>(text_[pos_ + 1]))))
            return ReadNumber();
        if (c == '\'' || c == '"') return ReadQuoted(c);
        if (c == '[') {
            const std::size_t end = text_.find(']', pos_ + 1);
            if (end == std::string_view::npos) RaiseStoreError(StoreErrorCode::BadExpression);
            Lexeme l{Lexeme::Kind::Name, std::string(text_.substr(pos_ + 1, end - pos_ - 1)), 0};
            pos_ = end + 1;
            return l;
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
            static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t start = pos_;
            while (pos_ < text_.size() &&
                   (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_' ||
                    static_cast<unsigned char>(text_[pos_]) >= 0x80))
                ++pos_;
            return {Lexeme::Kind::Name, std::string(text_.substr(start, pos_ - start)), 0};
        }
        static constexpr std::string_view kTwoChar[] = {"<>", "<=", ">=", "!="};
        for (std::string_view op : kTwoChar) {
            if (text_.substr(pos_, 2) == op) {
                pos_ += 2;
                return {Lexeme::Kind::Symbol, std::string(op == "!=" ? "<>" : op), 0};
            }
        }
        if (std::string_view("=<>+-*/(),").find(c) != std::string_view::npos) {
            ++pos_;
            return {Lexeme::Kind::Symbol, std::string(1, c), 0};
        }
        RaiseStoreError(StoreErrorCode::BadExpression);
    }

private:
    Lexeme ReadNumber() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() &&
               (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.'))
            ++pos_;
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            std::size_t p = pos_ + 1;
            if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
            if (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p]))) {
                pos_ = p;
                while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])))
                    ++pos_;
            }
        }
        const std::string number(text_.substr(start, pos_ - start));
        // Always "." whatever the locale: an expression means the same on every machine.
        const std::optional<double> value = ParsePlainNumber(number, '.');
        if (!value) RaiseStoreError(StoreErrorCode::BadExpression);
        return {Lexeme::Kind::Number, number, *value};
    }

    Lexeme ReadQuoted(char quote) {
        std::string value;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size()) RaiseStoreError(StoreErrorCode::BadExpression);
            const char c = text_[pos_++];
            if (c == quote) {
                if (pos_ < text_.size() && text_[pos_] == quote) {
                    value.push_back(quote);
                    ++pos_;
                    continue;
                }
                break;
            }
            value.push_back(c);
        }
        return {Lexeme::Kind::Text, std::move(value), 0};
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool SameWord(const std::string& a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

class Parser {
public:
    Parser(std::string_view text, const ColumnResolver& resolve, StoreExpression::Use use)
        : lexer_(text)
        , resolve_(resolve)
        , use_(use) {
        Advance();
    }

    ExprNodePtr ParseAll() {
        ExprNodePtr root = ParseOr();
        if (current_.kind != Lexeme::Kind::End) RaiseStoreError(StoreErrorCode::BadExpression);
        return root;
    }

    std::vector<const ExprNode*> aggregates;

private:
    void Advance() { current_ = lexer_.Next(); }
    bool IsSymbol(std::string_view s) const {
        return current_.kind == Lexeme::Kind::Symbol && current_.text == s;
    }
    bool IsWord(std::string_view w) const {
        return current_.kind == Lexeme::Kind::Name && SameWord(current_.text, w);
    }
    void Expect(std::string_view s) {
        if (!IsSymbol(s)) RaiseStoreError(StoreErrorCode::BadExpression);
        Advance();
    }

    static ExprNodePtr Make(ExprNode::Kind kind, ExprNodePtr left = nullptr, ExprNodePtr right = nullptr) {
        auto node = std::make_unique<ExprNode>();
        node->kind = kind;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    ExprNodePtr ParseOr() {
        ExprNodePtr left = ParseAnd();
        while (IsWord("OR")) {
            Advance();
            left = Make(ExprNode::Kind::Or, std::move(left), ParseAnd());
        }
        return left;
    }

    ExprNodePtr ParseAnd() {
        ExprNodePtr left = ParseNot();
        while (IsWord("AND")) {
            Advance();
            left = Make(ExprNode::Kind::And, std::move(left), ParseNot());
        }
        return left;
    }

    ExprNodePtr ParseNot() {
        if (IsWord("NOT")) {
            Advance();
            return Make(ExprNode::Kind::Not, ParseNot());
        }
        return ParseComparison();
    }

    ExprNodePtr ParseComparison() {
        ExprNodePtr left = ParseAdditive();
        static constexpr std::pair<std::string_view, ExprNode::Comparison> kOps[] = {
            {"=", ExprNode::Comparison::Equal},      {"<>", ExprNode::Comparison::NotEqual},
            {"<", ExprNode::Comparison::Less},       {">", ExprNode::Comparison::Greater},
            {"<=", ExprNode::Comparison::LessEqual}, {">=", ExprNode::Comparison::GreaterEqual}};
        for (const auto& [symbol, comparison] : kOps) {
            if (IsSymbol(symbol)) {
                Advance();
                ExprNodePtr node = Make(ExprNode::Kind::Compare, std::move(left), ParseAdditive());
                node->comparison = comparison;
                return node;
            }
        }
        if (IsWord("IS")) {
            Advance();
            bool negated = false;
            if (IsWord("NOT")) {
                negated = true;
                Advance();
            }
            if (!IsWord("NULL")) RaiseStoreError(StoreErrorCode::BadExpression);
            Advance();
            ExprNodePtr node = Make(ExprNode::Kind::IsNull, std::move(left));
            node->negated = negated;
            return node;
        }
        return left;
    }

    ExprNodePtr ParseAdditive() {
        ExprNodePtr left = ParseTerm();
        for (;;) {
            if (IsSymbol("+")) {
                Advance();
                left = Make(ExprNode::Kind::Add, std::move(left), ParseTerm());
            } else if (IsSymbol("-")) {
                Advance();
                left = Make(ExprNode::Kind::Subtract, std::move(left), ParseTerm());
            } else {
                return left;
            }
        }
    }

    ExprNodePtr ParseTerm() {
        ExprNodePtr left = ParseUnary();
        for (;;) {
            if (IsSymbol("*")) {
                Advance();
                left = Make(ExprNode::Kind::Multiply, std::move(left), ParseUnary());
            } else if (IsSymbol("/")) {
                Advance();
                left = Make(ExprNode::Kind::Divide, std::move(left), ParseUnary());
            } else {
                return left;
            }
        }
    }

    ExprNodePtr ParseUnary() {
        if (IsSymbol("-")) {
            Advance();
            return Make(ExprNode::Kind::Negate, ParseUnary());
        }
        if (IsSymbol("+")) {
            Advance();
            return ParseUnary();
        }
        return ParsePrimary();
    }

    ExprNodePtr ParsePrimary() {
        if (IsSymbol("(")) {
            Advance();
            ExprNodePtr inner = ParseOr();
            Expect(")");
            return inner;
        }
        if (current_.kind == Lexeme::Kind::Number) {
            ExprNodePtr node = Make(ExprNode::Kind::Constant);
            node->constant = ExprValue::Number(current_.number);
            Advance();
            return node;
        }
        if (current_.kind == Lexeme::Kind::Text) {
            ExprNodePtr node = Make(ExprNode::Kind::Constant);
            node->constant = ExprValue::Text(current_.text);
            Advance();
            return node;
        }
        if (current_.kind != Lexeme::Kind::Name) RaiseStoreError(StoreErrorCode::BadExpression);
        const std::string name = current_.text;
        Advance();
        if (IsSymbol("(")) return ParseAggregate(name);
        if (SameWord(name, "NULL")) return Make(ExprNode::Kind::Constant);
        if (SameWord(name, "TRUE") || SameWord(name, "FALSE")) {
            ExprNodePtr node = Make(ExprNode::Kind::Constant);
            node->constant = ExprValue::Boolean(SameWord(name, "TRUE"));
            return node;
        }
        if (use_ == StoreExpression::Use::Aggregate && !insideAggregate_)
            RaiseStoreError(StoreErrorCode::BadExpression);
        const QString fieldName = Cp1252ToQString(name);
        const int column = resolve_(fieldName);
        if (column < 0) RaiseDatabaseError(StoreMessages::FieldNotFound(fieldName));
        ExprNodePtr node = Make(ExprNode::Kind::Field);
        node->column = column;
        return node;
    }

    ExprNodePtr ParseAggregate(const std::string& name) {
        static constexpr std::pair<std::string_view, AggregateFunction> kFunctions[] = {
            {"SUM", AggregateFunction::Sum},
            {"COUNT", AggregateFunction::Count},
            {"MIN", AggregateFunction::Min},
            {"MAX", AggregateFunction::Max},
            {"AVG", AggregateFunction::Avg}};
        const AggregateFunction* function = nullptr;
        for (const auto& entry : kFunctions)
            if (SameWord(name, entry.first)) function = &entry.second;
        if (!function || use_ != StoreExpression::Use::Aggregate || insideAggregate_)
            RaiseStoreError(StoreErrorCode::BadExpression);
        Expect("(");
        ExprNodePtr node = Make(ExprNode::Kind::Aggregate);
        node->function = *function;
        if (*function == AggregateFunction::Count && IsSymbol("*")) {
            Advance();
            node->countRows = true;
        } else {
            insideAggregate_ = true;
            node->left = ParseOr();
            insideAggregate_ = false;
        }
        Expect(")");
        node->aggregateSlot = static_cast<int>(aggregates.size());
        aggregates.push_back(node.get());
        return node;
    }

    Lexer lexer_;
    Lexeme current_;
    const ColumnResolver& resolve_;
    StoreExpression::Use use_;
    bool insideAggregate_ = false;
};

// Three-valued truth: -1 unknown (NULL), 0 false, 1 true.
int Truth(const ExprValue& v) {
    switch (v.kind) {
    case ExprValue::Kind::Null:
        return -1;
    case ExprValue::Kind::Boolean:
        return v.boolean ? 1 : 0;
    case ExprValue::Kind::Number:
        return v.number != 0 ? 1 : 0;
    case ExprValue::Kind::Text:
        return v.text.empty() ? 0 : 1;
    }
    return -1;
}

ExprValue FromTruth(int t) {
    return t < 0 ? ExprValue::Null() : ExprValue::Boolean(t == 1);
}

bool AsNumber(const ExprValue& v, double& out) {
    if (v.kind == ExprValue::Kind::Number) {
        out = v.number;
        return true;
    }
    if (v.kind == ExprValue::Kind::Boolean) {
        out = v.boolean ? 1 : 0;
        return true;
    }
    if (v.kind == ExprValue::Kind::Text) {
        const std::optional<double> number = ParsePlainNumber(TrimAsciiSpace(v.text), '.');
        if (number) out = *number;
        return number.has_value();
    }
    return false;
}

ExprValue Compare(const ExprValue& a, const ExprValue& b, ExprNode::Comparison op) {
    if (a.IsNull() || b.IsNull()) return ExprValue::Null();
    int order = 0;
    if (a.kind == ExprValue::Kind::Text && b.kind == ExprValue::Kind::Text) {
        const int c = a.text.compare(b.text);
        order = c < 0 ? -1 : (c > 0 ? 1 : 0);
    } else {
        double x = 0;
        double y = 0;
        if (!AsNumber(a, x) || !AsNumber(b, y))
            return ExprValue::Boolean(op == ExprNode::Comparison::NotEqual);
        order = x < y ? -1 : (x > y ? 1 : 0);
    }
    switch (op) {
    case ExprNode::Comparison::Equal:
        return ExprValue::Boolean(order == 0);
    case ExprNode::Comparison::NotEqual:
        return ExprValue::Boolean(order != 0);
    case ExprNode::Comparison::Less:
        return ExprValue::Boolean(order < 0);
    case ExprNode::Comparison::Greater:
        return ExprValue::Boolean(order > 0);
    case ExprNode::Comparison::LessEqual:
        return ExprValue::Boolean(order <= 0);
    case ExprNode::Comparison::GreaterEqual:
        return ExprValue::Boolean(order >= 0);
    }
    return ExprValue::Null();
}

ExprValue Arithmetic(const ExprNode& node, const ExprValue& a, const ExprValue& b) {
    if (a.IsNull() || b.IsNull()) return ExprValue::Null();
    if (node.kind == ExprNode::Kind::Add && a.kind == ExprValue::Kind::Text &&
        b.kind == ExprValue::Kind::Text)
        return ExprValue::Text(a.text + b.text);
    double x = 0;
    double y = 0;
    if (!AsNumber(a, x) || !AsNumber(b, y)) return ExprValue::Null();
    switch (node.kind) {
    case ExprNode::Kind::Add:
        return ExprValue::Number(x + y);
    case ExprNode::Kind::Subtract:
        return ExprValue::Number(x - y);
    case ExprNode::Kind::Multiply:
        return ExprValue::Number(x * y);
    case ExprNode::Kind::Divide:
        return y == 0 ? ExprValue::Null() : ExprValue::Number(x / y);
    default:
        return ExprValue::Null();
    }
}

} // namespace

ExprValue ToExprValue(const FieldView& value) {
    struct Visitor {
        ExprValue operator()(std::monostate) const { return ExprValue::Null(); }
        ExprValue operator()(std::int64_t v) const { return ExprValue::Number(static_cast<double>(v)); }
        ExprValue operator()(double v) const { return ExprValue::Number(v); }
        ExprValue operator()(const TDecimal& v) const { return ExprValue::Number(v.ToDouble()); }
        ExprValue operator()(std::string_view v) const { return ExprValue::Text(std::string(v)); }
        ExprValue operator()(bool v) const { return ExprValue::Boolean(v); }
        ExprValue operator()(const TDateTimeValue& v) const {
            return ExprValue::Number(static_cast<double>(v.days) + static_cast<double>(v.msec) / 86400000.0);
        }
        ExprValue operator()(std::u16string_view v) const {
            return ExprValue::Text(QStringToCp1252(Utf16ToQString(v)));
        }
    };
    return std::visit(Visitor{}, value);
}

ExprValue EvaluateNode(const ExprNode& node, const ColumnReader& row,
                       const std::vector<ExprValue>* aggregateValues) {
    switch (node.kind) {
    case ExprNode::Kind::Constant:
        return node.constant;
    case ExprNode::Kind::Field:
        return ToExprValue(row(node.column));
    case ExprNode::Kind::Negate: {
        const ExprValue v = EvaluateNode(*node.left, row, aggregateValues);
        double x = 0;
        if (v.IsNull() || !AsNumber(v, x)) return ExprValue::Null();
        return ExprValue::Number(-x);
    }
    case ExprNode::Kind::Add:
    case ExprNode::Kind::Subtract:
    case ExprNode::Kind::Multiply:
    case ExprNode::Kind::Divide:
        return Arithmetic(node, EvaluateNode(*node.left, row, aggregateValues),
                          EvaluateNode(*node.right, row, aggregateValues));
    case ExprNode::Kind::Compare:
        return Compare(EvaluateNode(*node.left, row, aggregateValues),
                       EvaluateNode(*node.right, row, aggregateValues), node.comparison);
    case ExprNode::Kind::IsNull: {
        const bool isNull = EvaluateNode(*node.left, row, aggregateValues).IsNull();
        return ExprValue::Boolean(isNull != node.negated);
    }
    case ExprNode::Kind::And: {
        const int a = Truth(EvaluateNode(*node.left, row, aggregateValues));
        if (a == 0) return ExprValue::Boolean(false);
        const int b = Truth(EvaluateNode(*node.right, row, aggregateValues));
        if (b == 0) return ExprValue::Boolean(false);
        return FromTruth(a < 0 || b < 0 ? -1 : 1);
    }
    case ExprNode::Kind::Or: {
        const int a = Truth(EvaluateNode(*node.left, row, aggregateValues));
        if (a == 1) return ExprValue::Boolean(true);
        const int b = Truth(EvaluateNode(*node.right, row, aggregateValues));
        if (b == 1) return ExprValue::Boolean(true);
        return FromTruth(a < 0 || b < 0 ? -1 : 0);
    }
    case ExprNode::Kind::Not: {
        const int a = Truth(EvaluateNode(*node.left, row, aggregateValues));
        return FromTruth(a < 0 ? -1 : 1 - a);
    }
    case ExprNode::Kind::Aggregate:
        if (!aggregateValues || node.aggregateSlot >= static_cast<int>(aggregateValues->size()))
            return ExprValue::Null();
        return (*aggregateValues)[static_cast<std::size_t>(node.aggregateSlot)];
    }
    return ExprValue::Null();
}

StoreExpression StoreExpression::Parse(std::string_view text, const ColumnResolver& resolve, Use use) {
    Parser parser(text, resolve, use);
    StoreExpression expression;
    expression.root_ = parser.ParseAll();
    expression.aggregates_ = std::move(parser.aggregates);
    if (use == Use::Aggregate && expression.aggregates_.empty())
        RaiseStoreError(StoreErrorCode::BadExpression);
    return expression;
}

ExprValue StoreExpression::Evaluate(const ColumnReader& row) const {
    return root_ ? EvaluateNode(*root_, row, nullptr) : ExprValue::Null();
}

bool StoreExpression::Passes(const ColumnReader& row) const {
    return Truth(Evaluate(row)) == 1;
}

ExprValue StoreExpression::EvaluateAggregate(const std::vector<ExprValue>& aggregateValues) const {
    const ColumnReader none = [](int) { return FieldView{}; };
    return root_ ? EvaluateNode(*root_, none, &aggregateValues) : ExprValue::Null();
}

std::optional<std::pair<int, double>> StoreExpression::FieldEqualsNumber() const noexcept {
    if (!root_ || root_->kind != ExprNode::Kind::Compare || root_->comparison != ExprNode::Comparison::Equal)
        return std::nullopt;
    const ExprNode* field = root_->left.get();
    const ExprNode* constant = root_->right.get();
    if (field && field->kind == ExprNode::Kind::Constant) std::swap(field, constant);
    if (!field || !constant || field->kind != ExprNode::Kind::Field || field->column < 0 ||
        constant->kind != ExprNode::Kind::Constant || constant->constant.kind != ExprValue::Kind::Number)
        return std::nullopt;
    return std::pair{field->column, constant->constant.number};
}

bool StoreExpression::IsPlainCount() const noexcept {
    return root_ && root_->kind == ExprNode::Kind::Aggregate && root_->function == AggregateFunction::Count;
}

void AggregateAccumulator::Reset() {
    count_ = 0;
    sum_ = 0;
    compensation_ = 0;
    numbers_.clear();
    texts_.clear();
}

void AggregateAccumulator::Apply(const ColumnReader& row, int direction) {
    if (call_->countRows) {
        count_ += direction;
        return;
    }
    const ExprValue v = EvaluateNode(*call_->left, row, nullptr);
    if (v.IsNull()) return;
    count_ += direction;
    if (v.kind == ExprValue::Kind::Text) {
        if (direction > 0) {
            texts_.insert(v.text);
        } else if (auto it = texts_.find(v.text); it != texts_.end()) {
            texts_.erase(it);
        }
        return;
    }
    double x = 0;
    if (!AsNumber(v, x)) return;
    if (call_->function == AggregateFunction::Min || call_->function == AggregateFunction::Max) {
        if (direction > 0) {
            numbers_.insert(x);
        } else if (auto it = numbers_.find(x); it != numbers_.end()) {
            numbers_.erase(it);
        }
    }
    // Compensated (Neumaier) summation keeps add-then-remove sequences from drifting.
    const double term = direction > 0 ? x : -x;
    const double t = sum_ + term;
    if (std::fabs(sum_) >= std::fabs(term))
        compensation_ += (sum_ - t) + term;
    else
        compensation_ += (term - t) + sum_;
    sum_ = t;
    if (count_ <= 0) {
        count_ = 0;
        sum_ = 0;
        compensation_ = 0;
    }
}

ExprValue AggregateAccumulator::Value() const {
    switch (call_->function) {
    case AggregateFunction::Count:
        return ExprValue::Number(static_cast<double>(count_));
    case AggregateFunction::Sum:
        return count_ == 0 ? ExprValue::Null() : ExprValue::Number(sum_ + compensation_);
    case AggregateFunction::Avg:
        return count_ == 0 ? ExprValue::Null()
                           : ExprValue::Number((sum_ + compensation_) / static_cast<double>(count_));
    case AggregateFunction::Min:
        if (!numbers_.empty()) return ExprValue::Number(*numbers_.begin());
        if (!texts_.empty()) return ExprValue::Text(*texts_.begin());
        return ExprValue::Null();
    case AggregateFunction::Max:
        if (!numbers_.empty()) return ExprValue::Number(*numbers_.rbegin());
        if (!texts_.empty()) return ExprValue::Text(*texts_.rbegin());
        return ExprValue::Null();
    }
    return ExprValue::Null();
}

} // namespace quorvel
