#include "report/expr/QrexprParser.h"

#include "report/expr/Qrexpr.h"
#include "report/expr/QrexprMessages.h"
#include "report/expr/QrexprText.h"

#include "platform/FormatSettings.h"

#include <optional>

namespace quorvel {

namespace msg = qrexpr_messages;

namespace {

// Follows quotes, parentheses and square brackets while a text is walked from its start.
class Nesting {
public:
    // Takes the character at the walk's position; returns true when it stands at depth 0 and is
    // not itself a quote, parenthesis or bracket.
    bool Step(QChar c, bool watchBrackets = true) {
        if (quoted_) {
            if (c == u'\'') quoted_ = false;
            return false;
        }
        switch (c.unicode()) {
        case u'\'':
            quoted_ = true;
            return false;
        case u'(':
            ++parens_;
            return false;
        case u')':
            --parens_;
            return false;
        case u'[':
            if (!watchBrackets) break;
            ++brackets_;
            return false;
        case u']':
            if (!watchBrackets) break;
            --brackets_;
            return false;
        default:
            break;
        }
        return parens_ == 0 && brackets_ == 0;
    }

private:
    bool quoted_ = false;
    int parens_ = 0;
    int brackets_ = 0;
};

struct FoundOperator {
    TQREvOperator op;
    qsizetype position;
    qsizetype length;
};

bool IsWordAt(const QString& text, qsizetype i, QLatin1StringView word) {
    // A blank, the word in any case, and a blank.
    const qsizetype end = i + 1 + word.size();
    if (text[i] != u' ' || end >= text.size() || text[end] != u' ') return false;
    return QStringView(text).mid(i + 1, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// Before the text after a "-" (or "/") is parsed, its "+" and "-" (or "*" and "/") at depth 0 trade
// places, so that a chain of one level associates to the left. Only quotes and parentheses count.
QString SwapOperators(QString text, QChar a, QChar b) {
    Nesting nesting;
    for (QChar& c : text) {
        if (!nesting.Step(c, false)) continue;
        if (c == a)
            c = b;
        else if (c == b)
            c = a;
    }
    return text;
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Deeper nesting than this (parentheses, or long chains of one level, which nest to the right)
// ends in an error element, so that neither parsing nor evaluation can exhaust the stack.
constexpr int kMaxDepth = 1000;
// Each level copies the rest of its text, so an absurdly long text is refused outright to keep
// parsing time bounded.
constexpr qsizetype kMaxExpressionLength = 65536;

class DepthGuard {
public:
    explicit DepthGuard(int& depth)
        : depth_(depth) {
        ++depth_;
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool TooDeep() const noexcept { return depth_ > kMaxDepth; }

private:
    int& depth_;
};

class Parser {
public:
    Parser(TQRFiFo& fiFo, const TQREvDataSetList* dataSets, TQREvEnvironment* environment)
        : fiFo_(fiFo)
        , dataSets_(dataSets)
        , environment_(environment) {}

    void Expression(const QString& text) { Comparison(text.trimmed()); }

private:
    template <class T, class... Args> void Put(Args&&... args) {
        fiFo_.Put(std::make_unique<T>(std::forward<Args>(args)...));
    }
    void PutError(const QString& message) { Put<TQREvElementError>(message); }

    // Operators count only outside quotes, parentheses and brackets, and never at the first or last
    // character.
    template <class Match>
    static std::optional<FoundOperator> FindOperator(const QString& text, Match match) {
        Nesting nesting;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!nesting.Step(text[i])) continue;
            if (i == 0 || i == text.size() - 1) continue;
            if (auto found = match(text, i)) return found;
        }
        return std::nullopt;
    }

    bool Deep(const DepthGuard& guard, const QString& text) {
        if (!guard.TooDeep()) return false;
        PutError(msg::ErrorInExpression().arg(text));
        return true;
    }

    void Comparison(const QString& text) {
        const DepthGuard guard(depth_);
        if (Deep(guard, text)) return;
        const auto found =
            FindOperator(text, [](const QString& t, qsizetype i) -> std::optional<FoundOperator> {
                const QChar next = t[i + 1];
                switch (t[i].unicode()) {
                case u'<':
                    if (next == u'>') return FoundOperator{TQREvOperator::opUnequal, i, 2};
                    if (next == u'=') return FoundOperator{TQREvOperator::opLessOrEqual, i, 2};
                    return FoundOperator{TQREvOperator::opLess, i, 1};
                case u'>':
                    if (next == u'=') return FoundOperator{TQREvOperator::opGreaterOrEqual, i, 2};
                    return FoundOperator{TQREvOperator::opGreater, i, 1};
                case u'=':
                    return FoundOperator{TQREvOperator::opEqual, i, 1};
                default:
                    return std::nullopt;
                }
            });
        if (!found) return Sum(text);
        Put<TQREvElementOperator>(found->op);
        Sum(text.left(found->position));
        Sum(text.mid(found->position + found->length));
    }

    void Sum(QString text) {
        text = text.trimmed();
        const DepthGuard guard(depth_);
        if (Deep(guard, text)) return;
        const auto found =
            FindOperator(text, [](const QString& t, qsizetype i) -> std::optional<FoundOperator> {
                if (t[i] == u'+') return FoundOperator{TQREvOperator::opPlus, i, 1};
                if (t[i] == u'-') return FoundOperator{TQREvOperator::opMinus, i, 1};
                if (IsWordAt(t, i, QLatin1StringView("or"))) return FoundOperator{TQREvOperator::opOr, i, 4};
                return std::nullopt;
            });
        if (!found) return Product(text);
        Put<TQREvElementOperator>(found->op);
        Product(text.left(found->position));
        QString right = text.mid(found->position + found->length);
        if (found->op == TQREvOperator::opMinus) right = SwapOperators(std::move(right), u'+', u'-');
        Sum(right);
    }

    void Product(QString text) {
        text = text.trimmed();
        const DepthGuard guard(depth_);
        if (Deep(guard, text)) return;
        const auto found =
            FindOperator(text, [](const QString& t, qsizetype i) -> std::optional<FoundOperator> {
                if (t[i] == u'*') return FoundOperator{TQREvOperator::opMul, i, 1};
                if (t[i] == u'/') return FoundOperator{TQREvOperator::opDiv, i, 1};
                if (IsWordAt(t, i, QLatin1StringView("and")))
                    return FoundOperator{TQREvOperator::opAnd, i, 5};
                return std::nullopt;
            });
        if (!found) return Factor(text);
        Put<TQREvElementOperator>(found->op);
        Factor(text.left(found->position));
        QString right = text.mid(found->position + found->length);
        if (found->op == TQREvOperator::opDiv) right = SwapOperators(std::move(right), u'*', u'/');
        Product(right);
    }

    void Factor(QString text) {
        text = text.trimmed();
        const DepthGuard guard(depth_);
        if (Deep(guard, text)) return;
        if (text.isEmpty()) return PutError(msg::ErrorInExpression().arg(text));
        if (QStringView(text).left(3).compare(QLatin1StringView("not"), Qt::CaseInsensitive) == 0) {
            // The negation is a function element of its own with the operand as its one argument,
            // so it evaluates like any call and needs no element kind of its own.
            Put<TQREvNotFunction>();
            Sum(text.mid(3));
            Put<TQREvElementArgumentEnd>();
            return;
        }
        const QChar first = text[0];
        const QChar last = text[text.size() - 1];
        if (first == u'\'') {
            if (text.size() >= 2 && last == u'\'')
                return Put<TQREvElementString>(text.mid(1, text.size() - 2));
            return PutError(msg::Missing().arg(QStringLiteral("'")));
        }
        if (first == u'(') {
            if (last == u')') return Expression(text.mid(1, text.size() - 2));
            return PutError(msg::Missing().arg(QStringLiteral(")")));
        }
        if (first == u'+') return Factor(text.mid(1));
        if (first == u'-') return Sum(QStringLiteral("0-") + text.mid(1));
        if (IsDigit(first)) return Number(text);
        if (first.isLetter()) return FunctionOrName(text);
        if (first == u'[') {
            if (last == u']' && text.size() >= 2) return Variable(text.mid(1, text.size() - 2));
            return PutError(msg::Missing().arg(QStringLiteral("]")));
        }
        PutError(msg::ErrorInExpression().arg(text));
    }

    void Number(const QString& text) {
        qsizetype digits = 0;
        while (digits < text.size() && IsDigit(text[digits]))
            ++digits;
        if (digits == text.size()) {
            std::int32_t integer = 0;
            if (qrexpr_text::TextToInt(text, integer))
                return Put<TQREvElementConstant>(TQREvResult::Int(integer));
            double wide = 0.0;
            if (qrexpr_text::TextToFloat(text, wide))
                return Put<TQREvElementConstant>(TQREvResult::Double(wide));
        } else {
            bool plain = true;
            for (qsizetype i = digits; i < text.size() && plain; ++i) {
                const QChar c = text[i];
                plain = IsDigit(c) || c == u'.' || c == u'+' || c == u'-' || c == u'E' || c == u'e';
            }
            double value = 0.0;
            if (plain) {
                QString local = text;
                local.replace(u'.', QLatin1Char(FormatSettings::Current().DecimalSeparator));
                if (qrexpr_text::TextToFloat(local, value))
                    return Put<TQREvElementConstant>(TQREvResult::Double(value));
            }
        }
        PutError(msg::IllegalCharInNumeric() + QStringLiteral(" \"") + text + QLatin1Char('"'));
    }

    void FunctionOrName(const QString& text) {
        const qsizetype open = text.indexOf(u'(');
        QString name = text;
        std::optional<QString> arguments;
        if (open >= 0) {
            if (text.endsWith(u')')) {
                name = text.left(open);
                arguments = text.mid(open + 1, text.size() - open - 2);
            } else {
                name.clear();
            }
        }
        if (const TQRLibraryEntry* entry = QRFunctionLibrary().Find(name.toUpper())) {
            fiFo_.Put(entry->FunctionClass());
            if (arguments && !arguments->trimmed().isEmpty()) {
                for (const QString& piece : SplitArguments(*arguments))
                    Expression(piece);
            }
            Put<TQREvElementArgumentEnd>();
            return;
        }
        if (arguments) return PutError(msg::UnknownFunction().arg(name));
        Variable(name);
    }

    static QStringList SplitArguments(const QString& text) {
        QStringList pieces;
        Nesting nesting;
        qsizetype from = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (nesting.Step(text[i], false) && text[i] == u',') {
                pieces.append(text.mid(from, i - from));
                from = i + 1;
            }
        }
        pieces.append(text.mid(from));
        return pieces;
    }

    void Variable(const QString& name) {
        if (dataSets_ != nullptr && DataField(name)) return;
        for (TQREvEnvironment* environment : {environment_, &QRGlobalEnvironment()}) {
            if (environment == nullptr) continue;
            std::weak_ptr<TQREvEmbeddedFunction> entry = environment->Entry(name);
            if (!entry.expired()) return Put<TQREvElementWrapper>(std::move(entry), name);
        }
        PutError(msg::UnknownFunction().arg(name));
    }

    // "dataset.field" looks in the named data set only; a plain name in every data set in order.
    bool DataField(const QString& name) {
        const qsizetype dot = name.indexOf(u'.');
        const QString dataSetName = dot >= 0 ? name.left(dot) : QString();
        const QString fieldName = dot >= 0 ? name.mid(dot + 1) : name;
        for (int i = 0; i < dataSets_->Count(); ++i) {
            const std::shared_ptr<TQREvDataSet>& dataSet = (*dataSets_)[i];
            if (dot >= 0 && dataSet->Name().compare(dataSetName, Qt::CaseInsensitive) != 0) continue;
            const int field = dataSet->FindField(fieldName);
            if (field >= 0) {
                Put<TQREvElementDataField>(dataSet, field);
                return true;
            }
            if (dot >= 0) return false;
        }
        return false;
    }

    TQRFiFo& fiFo_;
    const TQREvDataSetList* dataSets_;
    TQREvEnvironment* environment_;
    int depth_ = 0;
};

} // namespace

void QREvParse(const QString& expression, TQRFiFo& fiFo, const TQREvDataSetList* dataSets,
               TQREvEnvironment* environment) {
    if (expression.size() > kMaxExpressionLength) {
        fiFo.Put(std::make_unique<TQREvElementError>(msg::ErrorInExpression().arg(expression)));
        return;
    }
    Parser(fiFo, dataSets, environment).Expression(expression);
}

} // namespace quorvel
