#pragma once

#include "report/expr/QrexprElements.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace quorvel {

// Creates a fresh function element of one class.
using TQREvFunctionClass = std::unique_ptr<TQREvElementFunction> (*)();

template <class T> std::unique_ptr<TQREvElementFunction> QREvCreateFunction() {
    return std::make_unique<T>();
}

// One registered function. ArgumentCode is a group digit followed by one letter per argument:
// N numeric, S string, B boolean, V any value.
struct TQRLibraryEntry {
    QString Name;
    QString Description;
    QString Vendor;
    QString ArgumentCode;
    TQREvFunctionClass FunctionClass = nullptr;

    // The group digit of the argument code, or 0 when there is none.
    int Group() const;
};

// A list of named entries found regardless of letter case.
class TQRLibrary {
public:
    void Add(TQRLibraryEntry entry) { entries_.push_back(std::move(entry)); }
    const TQRLibraryEntry* Find(QStringView name) const;
    int Count() const noexcept { return static_cast<int>(entries_.size()); }
    const TQRLibraryEntry& Entry(int index) const { return entries_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<TQRLibraryEntry> entries_;
};

// The registry of functions expressions can call.
class TQRFunctionLibrary : public TQRLibrary {
public:
    // A fresh element of the named function, or the error element "Unknown function : %s".
    std::unique_ptr<TQREvElement> GetFunction(QStringView name) const;
};

// The process-wide registry, filled with the built-in functions on first use.
TQRFunctionLibrary& QRFunctionLibrary();

void RegisterQRFunction(TQREvFunctionClass functionClass, const QString& name, const QString& description,
                        const QString& vendor, const QString& argumentCode);

// What an expression builder would call the group of a function, by its group digit.
QString QRFunctionGroupName(int group);

// The built-in functions. Each checks its own arguments and answers faults with an error result.
class TQREvIfFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvStrFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvUpperFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvLowerFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvPrettyFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvTimeFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvDateFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvCopyFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvTrue final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvFalse final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvIntFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvFracFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvSQRTFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvDivFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvTypeOfFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

class TQREvFormatNumericFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

// Negation of a boolean operand; used for a factor that begins with "not" and not registered by
// name.
class TQREvNotFunction final : public TQREvElementFunction {
protected:
    TQREvResult Calculate() override;
};

// Aggregates keep their state between evaluations: Aggregate accumulates the current argument,
// Calculate reads the state, Reset clears it.
class TQREvAggregateFunction : public TQREvElementFunction {
public:
    TQREvAggregateFunction()
        : TQREvElementFunction(true) {}
};

// SUM, MAX, MIN and AVERAGE: one argument, whose value of every record is folded into a held
// result. Another number of arguments, a value the fold refuses and an error value each become the
// held result, which then stays.
class TQREvFoldingFunction : public TQREvAggregateFunction {
public:
    void Reset() final;

protected:
    TQREvFoldingFunction(const char* name, TQREvResult empty)
        : name_(name)
        , empty_(std::move(empty))
        , held_(empty_) {}
    void Aggregate() final;
    TQREvResult Calculate() final;
    // The held result after one more value (no error); started is false for the first value.
    virtual TQREvResult Fold(const TQREvResult& held, const TQREvResult& value, bool started) = 0;
    virtual void Restart() {}
    // "Wrong arguments" naming the function.
    TQREvResult WrongArguments() const;

private:
    const char* name_;
    TQREvResult empty_;
    TQREvResult held_;
    bool started_ = false;
};

class TQREvSumFunction final : public TQREvFoldingFunction {
public:
    TQREvSumFunction()
        : TQREvFoldingFunction("SUM", TQREvResult::Int(0)) {}

protected:
    TQREvResult Fold(const TQREvResult& held, const TQREvResult& value, bool started) override;
};

class TQREvCountFunction final : public TQREvAggregateFunction {
public:
    void Reset() override { count_ = 0; }

protected:
    void Aggregate() override;
    TQREvResult Calculate() override;

private:
    std::int32_t count_ = 0;
};

// MAX and MIN share the holding of the extreme value; the subclass says which side wins.
class TQREvExtremeFunction : public TQREvFoldingFunction {
protected:
    enum class Keep { Greater, Smaller };
    explicit TQREvExtremeFunction(Keep keep)
        : TQREvFoldingFunction(keep == Keep::Greater ? "MAX" : "MIN", TQREvResult::Int(0))
        , keep_(keep) {}
    TQREvResult Fold(const TQREvResult& held, const TQREvResult& value, bool started) override;

private:
    Keep keep_;
};

class TQREvMaxFunction final : public TQREvExtremeFunction {
public:
    TQREvMaxFunction()
        : TQREvExtremeFunction(Keep::Greater) {}
};

class TQREvMinFunction final : public TQREvExtremeFunction {
public:
    TQREvMinFunction()
        : TQREvExtremeFunction(Keep::Smaller) {}
};

class TQREvAverageFunction final : public TQREvFoldingFunction {
public:
    TQREvAverageFunction()
        : TQREvFoldingFunction("AVERAGE", TQREvResult::Double(0.0)) {}

protected:
    TQREvResult Fold(const TQREvResult& held, const TQREvResult& value, bool started) override;
    void Restart() override {
        sum_ = 0.0;
        count_ = 0;
    }

private:
    double sum_ = 0.0;
    std::int32_t count_ = 0;
};

} // namespace quorvel
