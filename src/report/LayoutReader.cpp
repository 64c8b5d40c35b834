#include "report/LayoutReader.h"

#include "platform/Component.h"
#include "platform/ErrorDisplay.h"
#include "platform/Files.h"
#include "platform/NumberParse.h"
#include "report/LayoutRegistry.h"
#include "report/QuickrptReport.h"
#include "report/ReportForm.h"

#include <QFile>

#include <cmath>
#include <limits>
#include <mutex>
#include <set>
#include <vector>

namespace quorvel {

namespace {

constexpr qsizetype kMaxLayoutBytes = 16 * 1024 * 1024;
constexpr int kMaxDepth = 32;
constexpr int kMaxComponents = 100000;

struct Token {
    enum class Kind : std::uint8_t { Identifier, Integer, Float, String, Symbol, End };
    Kind kind = Kind::End;
    QByteArray text; // identifier or symbol
    long long integer = 0;
    double number = 0;
    QString string;
    int line = 1;
};

bool IsIdentStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsIdentPart(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits the text into tokens. Binary blocks ({ hex }) become one String token holding the bytes as
// Latin-1 characters, marked by the symbol text "{".
class Lexer {
public:
    explicit Lexer(QByteArrayView text)
        : text_(text) {}

    std::vector<Token> Run() {
        std::vector<Token> tokens;
        tokens.reserve(static_cast<std::size_t>(text_.size() / 8));
        for (;;) {
            Token token = Next();
            const bool end = token.kind == Token::Kind::End;
            tokens.push_back(std::move(token));
            if (end) return tokens;
        }
    }

private:
    [[noreturn]] void Fail(const QString& message) const { throw ELayoutError(message, line_); }

    char Peek(qsizetype ahead = 0) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }
    bool AtEnd() const { return at_ >= text_.size(); }

    void SkipBlanks() {
        while (!AtEnd()) {
            const char c = Peek();
            if (c == '\n') ++line_;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                ++at_;
            else
                return;
        }
    }

    Token Next() {
        SkipBlanks();
        Token token;
        token.line = line_;
        if (AtEnd()) return token;
        const char c = Peek();
        if (IsIdentStart(c)) {
            const qsizetype start = at_;
            while (IsIdentPart(Peek()) || (Peek() == '.' && IsIdentStart(Peek(1))))
                ++at_;
            token.kind = Token::Kind::Identifier;
            token.text = text_.sliced(start, at_ - start).toByteArray();
            return token;
        }
        if (IsDigit(c) || ((c == '-' || c == '+') && (IsDigit(Peek(1)) || Peek(1) == '$')) || c == '$')
            return Number(token);
        if (c == '\'' || c == '#') return String(token);
        if (c == '{') return Binary(token);
        if (QByteArrayView(":=[](),").contains(c)) {
            ++at_;
            token.kind = Token::Kind::Symbol;
            token.text = QByteArray(1, c);
            return token;
        }
        Fail(QStringLiteral("Invalid character (code %1)").arg(static_cast<unsigned char>(c)));
    }

    Token Number(Token& token) {
        bool negative = false;
        if (Peek() == '-' || Peek() == '+') {
            negative = Peek() == '-';
            ++at_;
        }
        if (Peek() == '$') {
            ++at_;
            unsigned long long value = 0;
            int digits = 0;
            for (int d; (d = HexValue(Peek())) >= 0; ++at_, ++digits) {
                if (digits >= 16) Fail(QStringLiteral("Number too large"));
                value = value * 16 + static_cast<unsigned>(d);
            }
            if (digits == 0) Fail(QStringLiteral("Invalid number"));
            token.kind = Token::Kind::Integer;
            token.integer = static_cast<long long>(value);
            if (negative) token.integer = -token.integer;
            return token;
        }
        const qsizetype start = at_;
        bool isFloat = false;
        while (IsDigit(Peek()))
            ++at_;
        if (Peek() == '.' && IsDigit(Peek(1))) {
            isFloat = true;
            ++at_;
            while (IsDigit(Peek()))
                ++at_;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            const char sign = Peek(1);
            const qsizetype digitsAt = (sign == '+' || sign == '-') ? 2 : 1;
            if (IsDigit(Peek(digitsAt))) {
                isFloat = true;
                at_ += digitsAt;
                while (IsDigit(Peek()))
                    ++at_;
            }
        }
        const QByteArray digits = text_.sliced(start, at_ - start).toByteArray();
        if (digits.size() > 400) Fail(QStringLiteral("Number too long"));
        const std::string_view number(digits.constData(), static_cast<std::size_t>(digits.size()));
        if (isFloat) {
            token.kind = Token::Kind::Float;
            const std::optional<double> value = ParsePlainNumber(number, '.');
            if (!value) Fail(QStringLiteral("Invalid number"));
            token.number = negative ? -*value : *value;
        } else {
            token.kind = Token::Kind::Integer;
            const std::optional<std::int64_t> value = ParseWholeNumber(number);
            if (!value) Fail(QStringLiteral("Number too large"));
            token.integer = negative ? -*value : *value;
        }
        return token;
    }

    // 'text'#233'more', possibly continued over lines with +.
    Token String(Token& token) {
        token.kind = Token::Kind::String;
        for (;;) {
            const char c = Peek();
            if (c == '\'') {
                ++at_;
                QByteArray run;
                for (;;) {
                    if (AtEnd() || Peek() == '\n' || Peek() == '\r')
                        Fail(QStringLiteral("Unterminated string"));
                    const char ch = Peek();
                    if (ch == '\'') {
                        if (Peek(1) != '\'') break;
                        ++at_;
                    }
                    run += ch;
                    ++at_;
                }
                ++at_;
                token.string += QString::fromUtf8(run);
            } else if (c == '#') {
                ++at_;
                long long code = 0;
                int digits = 0;
                if (Peek() == '$') {
                    ++at_;
                    for (int d; (d = HexValue(Peek())) >= 0 && digits < 8; ++at_, ++digits)
                        code = code * 16 + d;
                } else {
                    for (; IsDigit(Peek()) && digits < 8; ++at_, ++digits)
                        code = code * 10 + (Peek() - '0');
                }
                if (digits == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                    Fail(QStringLiteral("Invalid character code"));
                const char32_t unit = static_cast<char32_t>(code);
                token.string += QString::fromUcs4(&unit, 1);
            } else {
                break;
            }
            if (token.string.size() > kMaxLayoutBytes) Fail(QStringLiteral("String too long"));
            // A + at the end of a line continues the string on the next one.
            const qsizetype save = at_;
            const int saveLine = line_;
            SkipBlanks();
            if (Peek() == '+') {
                ++at_;
                SkipBlanks();
                if (Peek() != '\'' && Peek() != '#') Fail(QStringLiteral("String expected after +"));
            } else {
                at_ = save;
                line_ = saveLine;
                if (Peek() != '\'' && Peek() != '#') break;
            }
        }
        return token;
    }

    Token Binary(Token& token) {
        ++at_;
        QByteArray bytes;
        int high = -1;
        for (;;) {
            SkipBlanks();
            if (AtEnd()) Fail(QStringLiteral("Unterminated binary value"));
            if (Peek() == '}') {
                ++at_;
                break;
            }
            const int v = HexValue(Peek());
            if (v < 0) Fail(QStringLiteral("Invalid binary value"));
            ++at_;
            if (high < 0) {
                high = v;
            } else {
                bytes.append(static_cast<char>(high * 16 + v));
                high = -1;
            }
        }
        if (high >= 0) Fail(QStringLiteral("Invalid binary value"));
        token.kind = Token::Kind::Symbol;
        token.text = "{";
        token.string = QString::fromLatin1(bytes);
        return token;
    }

    QByteArrayView text_;
    qsizetype at_ = 0;
    int line_ = 1;
};

class Reader {
public:
    Reader(std::vector<Token> tokens, TComponent& root, const TLayoutRegistry& registry)
        : tokens_(std::move(tokens))
        , root_(root)
        , registry_(registry)
        , context_(root) {}

    void Run(QString* rootClass) {
        for (int i = 0; i < root_.ComponentCount(); ++i)
            preexisting_.insert(root_.Component(i));
        root_.SetLoading(true);
        try {
            Expect("object");
            const auto [name, className] = ObjectHeader();
            if (rootClass) *rootClass = className;
            if (!name.isEmpty()) root_.SetName(name);
            ReadBody(root_, registry_.ClassOf(root_), 0);
            if (Peek().kind != Token::Kind::End) Fail(QStringLiteral("Text after the end of the layout"));
            context_.RunFixups();
        } catch (const ELayoutError&) {
            Undo();
            throw;
        } catch (const Exception& e) {
            Undo();
            throw ELayoutError(e.Message(), failureLine_ ? failureLine_ : Peek().line);
        } catch (const std::exception& e) {
            Undo();
            throw ELayoutError(QString::fromUtf8(e.what()), failureLine_ ? failureLine_ : Peek().line);
        }
        // Reports last: their band list and geometry are built once everything on them is loaded.
        for (TComponent* component : created_)
            if (!dynamic_cast<TCustomQuickRep*>(component)) component->Loaded();
        for (TComponent* component : created_)
            if (dynamic_cast<TCustomQuickRep*>(component)) component->Loaded();
        for (TComponent* component : reused_)
            component->Loaded();
        root_.Loaded();
        root_.SetLoading(false);
    }

private:
    [[noreturn]] void Fail(const QString& message) const { throw ELayoutError(message, Peek().line); }

    const Token& Peek() const { return tokens_[std::min(at_, tokens_.size() - 1)]; }
    const Token& Take() {
        const Token& token = Peek();
        if (at_ < tokens_.size() - 1) ++at_;
        return token;
    }
    bool IsWord(const char* word) const {
        return Peek().kind == Token::Kind::Identifier && Peek().text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool IsSymbol(char symbol) const {
        return Peek().kind == Token::Kind::Symbol && Peek().text == QByteArray(1, symbol);
    }
    void Expect(const char* word) {
        if (!IsWord(word)) Fail(QStringLiteral("'%1' expected").arg(QLatin1String(word)));
        Take();
    }
    void ExpectSymbol(char symbol) {
        if (!IsSymbol(symbol)) Fail(QStringLiteral("'%1' expected").arg(QLatin1Char(symbol)));
        Take();
    }
    QString Identifier() {
        if (Peek().kind != Token::Kind::Identifier || Peek().text.contains('.'))
            Fail(QStringLiteral("Identifier expected"));
        return QString::fromLatin1(Take().text);
    }

    std::pair<QString, QString> ObjectHeader() {
        QString first = Identifier();
        if (IsSymbol(':')) {
            Take();
            return {first, Identifier()};
        }
        return {QString(), first};
    }

    void ReadBody(TComponent& component, const TLayoutClass* cls, int depth) {
        while (!IsWord("end")) {
            if (Peek().kind == Token::Kind::End) Fail(QStringLiteral("'end' expected"));
            if (IsWord("object")) {
                Take();
                ReadObject(component, depth + 1);
                continue;
            }
            ReadProperty(component, cls);
        }
        Take();
    }

    void ReadObject(TComponent& parent, int depth) {
        if (depth > kMaxDepth) Fail(QStringLiteral("Objects nested too deeply"));
        if (static_cast<int>(created_.size()) >= kMaxComponents) Fail(QStringLiteral("Too many objects"));
        const int line = Peek().line;
        const auto [name, className] = ObjectHeader();
        const TLayoutClass* cls = registry_.Find(className);
        if (!cls || !cls->CanCreate())
            throw ELayoutError(QStringLiteral("Class %1 not found").arg(className), line);
        failureLine_ = line;
        // A component the form made itself before reading (a data set bound to its table) takes the
        // properties of the object of its name and class.
        TComponent* existing = name.isEmpty() ? nullptr : root_.FindComponent(name);
        if (existing && (!preexisting_.count(existing) || existing->ClassName() != className.toStdString()))
            existing = nullptr;
        if (existing) preexisting_.erase(existing);
        TComponent& component = existing ? *existing : cls->Create(root_);
        if (existing) {
            reused_.push_back(existing);
        } else {
            created_.push_back(&component);
            component.SetLoading(true);
            if (!name.isEmpty()) component.SetName(name);
        }
        if (&parent != &root_ || dynamic_cast<TControl*>(&root_)) component.SetParent(&parent);
        failureLine_ = 0;
        ReadBody(component, cls, depth);
    }

    void ReadProperty(TComponent& component, const TLayoutClass* cls) {
        const int line = Peek().line;
        if (Peek().kind != Token::Kind::Identifier) Fail(QStringLiteral("Property name expected"));
        const QString name = QString::fromLatin1(Take().text);
        ExpectSymbol('=');
        const TLayoutValue value = Value();
        const TLayoutProperty* property = cls ? cls->FindProperty(name) : nullptr;
        if (!property) throw ELayoutError(QStringLiteral("Property %1 does not exist").arg(name), line);
        failureLine_ = line;
        context_.SetLine(line);
        property->set(component, value, context_);
        failureLine_ = 0;
    }

    TLayoutValue Value() {
        const Token& token = Peek();
        switch (token.kind) {
        case Token::Kind::Integer:
            return TLayoutValue::Integer(Take().integer);
        case Token::Kind::Float:
            return TLayoutValue::Float(Take().number);
        case Token::Kind::String:
            return TLayoutValue::String(Take().string);
        case Token::Kind::Identifier:
            if (token.text.contains('.')) Fail(QStringLiteral("Identifier expected"));
            return TLayoutValue::Identifier(QString::fromLatin1(Take().text));
        case Token::Kind::Symbol:
            if (IsSymbol('[')) return SetValue();
            if (IsSymbol('(')) return ListValue();
            if (IsSymbol('{')) return TLayoutValue::Binary(Take().string.toLatin1());
            break;
        case Token::Kind::End:
            break;
        }
        Fail(QStringLiteral("Value expected"));
    }

    TLayoutValue SetValue() {
        ExpectSymbol('[');
        QStringList names;
        if (!IsSymbol(']')) {
            names.append(Identifier());
            while (IsSymbol(',')) {
                Take();
                names.append(Identifier());
            }
        }
        ExpectSymbol(']');
        return TLayoutValue::Set(names);
    }

    TLayoutValue ListValue() {
        ExpectSymbol('(');
        QStringList strings;
        std::vector<double> numbers;
        while (!IsSymbol(')')) {
            const Token& token = Peek();
            if (token.kind == Token::Kind::String && numbers.empty())
                strings.append(Take().string);
            else if (token.kind == Token::Kind::Float && strings.empty())
                numbers.push_back(Take().number);
            else if (token.kind == Token::Kind::Integer && strings.empty())
                numbers.push_back(static_cast<double>(Take().integer));
            else
                Fail(QStringLiteral("List items must all be strings or all numbers"));
        }
        ExpectSymbol(')');
        if (!numbers.empty()) return TLayoutValue::FloatList(std::move(numbers));
        return TLayoutValue::StringList(strings);
    }

    void Undo() {
        for (auto it = created_.rbegin(); it != created_.rend(); ++it)
            root_.DestroyComponent(**it);
        created_.clear();
        root_.SetLoading(false);
    }

    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    TComponent& root_;
    const TLayoutRegistry& registry_;
    TLayoutReadContext context_;
    std::vector<TComponent*> created_;
    std::vector<TComponent*> reused_;
    std::set<TComponent*> preexisting_;
    int failureLine_ = 0;
};

void Read(QByteArrayView text, TComponent& root, const TLayoutRegistry& registry, QString* rootClass) {
    if (text.size() > kMaxLayoutBytes) throw ELayoutError(QStringLiteral("Layout too large"), 1);
    Reader(Lexer(text).Run(), root, registry).Run(rootClass);
}

// The forms QRLoadReport made, kept until QRFreeReport.
struct LoadedForms {
    std::mutex mutex;
    std::vector<std::unique_ptr<TReportForm>> forms;
};

LoadedForms& Loaded() {
    static LoadedForms loaded;
    return loaded;
}

} // namespace

void ReadLayout(QByteArrayView text, TComponent& root, const TLayoutRegistry& registry) {
    Read(text, root, registry, nullptr);
}

void ReadLayout(QByteArrayView text, TComponent& root) {
    ReadLayout(text, root, QRLayoutRegistry());
}

std::unique_ptr<TReportForm> ReadLayoutForm(QByteArrayView text) {
    auto form = std::make_unique<TReportForm>();
    QString rootClass;
    Read(text, *form, QRLayoutRegistry(), &rootClass);
    form->SetLayoutClassName(rootClass);
    return form;
}

TQuickRep* QRLoadReport(const QString& fileName) {
    try {
        QFile file(fileName);
        if (!OpenRegularFileForReading(file).isEmpty() || file.size() > kMaxLayoutBytes)
            throw Exception(QStringLiteral("Error loading report"));
        std::unique_ptr<TReportForm> form = ReadLayoutForm(file.readAll());
        auto* report = form->ComponentCount() > 0 ? dynamic_cast<TQuickRep*>(form->Component(0)) : nullptr;
        if (!report) return nullptr;
        std::lock_guard lock(Loaded().mutex);
        Loaded().forms.push_back(std::move(form));
        return report;
    } catch (const Exception&) {
        ShowException(Exception(QStringLiteral("Error loading report")));
        return nullptr;
    }
}

void QRFreeReport(TQuickRep* report) {
    if (!report) return;
    std::unique_ptr<TReportForm> doomed;
    {
        std::lock_guard lock(Loaded().mutex);
        auto& forms = Loaded().forms;
        for (auto it = forms.begin(); it != forms.end(); ++it)
            if (report->Owner() == it->get()) {
                doomed = std::move(*it);
                forms.erase(it);
                break;
            }
    }
}

} // namespace quorvel
