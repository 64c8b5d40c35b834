#include "report/expr/Qrexpr.h"

#include "platform/FormatSettings.h"
#include "platform/ScopeExit.h"
#include "report/expr/QrexprMessages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace quorvel {

namespace msg = qrexpr_messages;

namespace {

QString Quoted(const QString& text) {
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// The stored text of a published constant. Values are kept as results, so this text only shows
// what the entry holds.
QString ConstantText(const TQREvResult& value) {
    switch (value.Kind) {
    case TQREvResultType::resInt:
        return QString::number(value.IntResult);
    case TQREvResultType::resDouble:
        return QString::number(value.DblResult, 'g', 15);
    case TQREvResultType::resString:
        return Quoted(value.StrResult);
    case TQREvResultType::resBool:
        return value.BooResult ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case TQREvResultType::resError:
        break;
    }
    return QString();
}

} // namespace

TQREvEmbeddedFunction::TQREvEmbeddedFunction(TQREvEnvironment& environment, QString name, QString expression)
    : environment_(environment)
    , name_(std::move(name))
    , expression_(std::move(expression)) {
    evaluator_.entryOfGlobal_ = environment.isGlobal_;
}

void TQREvEmbeddedFunction::SetExpression(const QString& expression) {
    expression_ = expression;
    constant_.reset();
    if (evaluator_.Prepared()) Prepare();
}

void TQREvEmbeddedFunction::Prepare() {
    evaluator_.SetEnvironment(&environment_);
    if (environment_.HasDataSets()) evaluator_.SetDataSets(environment_.DataSets());
    if (constant_)
        evaluator_.PrepareConstant(*constant_);
    else
        evaluator_.Prepare(expression_);
}

TQREvResult TQREvEmbeddedFunction::Value() {
    const std::lock_guard lock(environment_.mutex_);
    if (inEvaluation_) return TQREvResult::Error(msg::RecursiveCalls());
    // An entry of an environment that is not prepared is prepared for this one evaluation only, so
    // that it holds no preparation of the global environment afterwards.
    const bool temporary = !evaluator_.Prepared();
    if (temporary) Prepare();
    struct Scope {
        TQREvEmbeddedFunction& entry;
        bool temporary;
        ~Scope() {
            entry.inEvaluation_ = false;
            if (temporary) entry.evaluator_.UnPrepare();
        }
    } scope{*this, temporary};
    inEvaluation_ = true;
    return evaluator_.Value();
}

TQREvEnvironment::TQREvEnvironment(GlobalTag)
    : isGlobal_(true) {
    const FormatSettings settings = FormatSettings::Current();
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    AddFunction(QStringLiteral("AppStartTime"), Quoted(locale.toString(now.time(), settings.LongTimeFormat)));
    AddFunction(QStringLiteral("AppStartDate"),
                Quoted(locale.toString(now.date(), settings.ShortDateFormat)));
    AddFunction(QStringLiteral("AppName"), Quoted(QCoreApplication::applicationName()));
}

TQREvEnvironment::~TQREvEnvironment() {
    // Entries' evaluators release their hold on the global environment while it still exists.
    for (const auto& entry : entries_)
        entry->UnPrepare();
}

TQREvEmbeddedFunction* TQREvEnvironment::Find(const QString& name) const {
    const std::lock_guard lock(mutex_);
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
        return entry->Name().compare(name, Qt::CaseInsensitive) == 0;
    });
    return it == entries_.end() ? nullptr : it->get();
}

std::weak_ptr<TQREvEmbeddedFunction> TQREvEnvironment::Entry(const QString& name) const {
    const std::lock_guard lock(mutex_);
    for (const auto& entry : entries_)
        if (entry->Name().compare(name, Qt::CaseInsensitive) == 0) return entry;
    return {};
}

void TQREvEnvironment::AddFunction(const QString& name, const QString& expression) {
    const std::lock_guard lock(mutex_);
    if (Find(name) != nullptr) return;
    entries_.push_back(std::make_shared<TQREvEmbeddedFunction>(*this, name.toUpper(), expression));
    if (Prepared()) entries_.back()->Prepare();
}

void TQREvEnvironment::DeleteFunction(const QString& name) {
    const std::lock_guard lock(mutex_);
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
        return entry->Name().compare(name, Qt::CaseInsensitive) == 0;
    });
    if (it == entries_.end()) return;
    (*it)->UnPrepare();
    entries_.erase(it);
}

std::unique_ptr<TQREvElement> TQREvEnvironment::Element(const QString& name) {
    std::weak_ptr<TQREvEmbeddedFunction> entry = Entry(name);
    if (entry.expired()) return std::make_unique<TQREvElementError>(msg::UnknownFunction().arg(name));
    return std::make_unique<TQREvElementWrapper>(std::move(entry), name);
}

TQREvResult TQREvEnvironment::Value(const QString& name) {
    const std::lock_guard lock(mutex_);
    TQREvEmbeddedFunction* entry = Find(name);
    if (entry == nullptr) return TQREvResult::Error(msg::UnknownFunction().arg(name));
    return entry->Value();
}

TQREvElement* TQREvEnvironment::GetConstant(const QString& name) {
    const std::lock_guard lock(mutex_);
    TQREvEmbeddedFunction* entry = Find(name);
    if (entry == nullptr || !entry->Evaluator().Prepared()) return nullptr;
    return entry->Evaluator().FiFo()->At(0);
}

void TQREvEnvironment::SetIntegerConstant(const QString& name, std::int32_t value) {
    SetConstant(name, TQREvResult::Int(value));
}

void TQREvEnvironment::SetFloatConstant(const QString& name, double value) {
    SetConstant(name, TQREvResult::Double(value));
}

void TQREvEnvironment::SetBooleanConstant(const QString& name, bool value) {
    SetConstant(name, TQREvResult::Bool(value));
}

void TQREvEnvironment::SetStringConstant(const QString& name, const QString& value) {
    SetConstant(name, TQREvResult::String(value));
}

void TQREvEnvironment::SetConstant(const QString& name, const TQREvResult& value) {
    const std::lock_guard lock(mutex_);
    AddFunction(name, ConstantText(value));
    TQREvEmbeddedFunction* entry = Find(name);
    entry->expression_ = ConstantText(value);
    entry->constant_ = value;
    TQREvaluator& evaluator = entry->Evaluator();
    if (!evaluator.Prepared()) return;
    if (evaluator.FiFo()->Count() == 1 && quorvel::UpdateConstant(evaluator.FiFo()->At(0), value)) return;
    entry->Prepare();
}

bool TQREvEnvironment::UpdateConstant(const QString& name, const TQREvResult& value) {
    const std::lock_guard lock(mutex_);
    TQREvEmbeddedFunction* entry = Find(name);
    if (entry == nullptr || !entry->Evaluator().Prepared()) return false;
    if (!quorvel::UpdateConstant(entry->Evaluator().FiFo()->At(0), value)) return false;
    if (entry->constant_) entry->constant_ = value;
    return true;
}

namespace {

// Runs a step over every entry with the environment marked as changing meanwhile, so that the step
// cannot start another round. It runs over a copy: a step must not be disturbed by the list changing.
template <class Step>
void RunOverEntries(bool& changing, const std::vector<std::shared_ptr<TQREvEmbeddedFunction>>& entries,
                    Step step) {
    changing = true;
    const ScopeExit done([&changing] { changing = false; });
    const auto copy = entries;
    for (const auto& entry : copy)
        step(*entry);
}

} // namespace

void TQREvEnvironment::Prepare() {
    const std::lock_guard lock(mutex_);
    if (changing_) return;
    if (prepareCount_++ > 0) return;
    RunOverEntries(changing_, entries_, [](TQREvEmbeddedFunction& entry) { entry.Prepare(); });
}

void TQREvEnvironment::Unprepare() {
    const std::lock_guard lock(mutex_);
    if (changing_ || prepareCount_ == 0) return;
    if (--prepareCount_ > 0) return;
    RunOverEntries(changing_, entries_, [](TQREvEmbeddedFunction& entry) { entry.UnPrepare(); });
}

void TQREvEnvironment::Clear() {
    const std::lock_guard lock(mutex_);
    for (const auto& entry : entries_)
        entry->UnPrepare();
    entries_.clear();
}

TQREvDataSetList& TQREvEnvironment::DataSets() {
    const std::lock_guard lock(mutex_);
    if (!dataSets_) dataSets_ = std::make_unique<TQREvDataSetList>();
    return *dataSets_;
}

QStringList TQREvEnvironment::Names() const {
    const std::lock_guard lock(mutex_);
    QStringList names;
    for (const auto& entry : entries_)
        names.append(entry->Name());
    return names;
}

QStringList TQREvEnvironment::Data() const {
    const std::lock_guard lock(mutex_);
    QStringList data;
    for (const auto& entry : entries_)
        data.append(entry->Expression());
    return data;
}

TQREvEnvironment& QRGlobalEnvironment() {
    static TQREvEnvironment environment{TQREvEnvironment::GlobalTag{}};
    return environment;
}

} // namespace quorvel
