#pragma once

#include <exception>
#include <utility>

namespace quorvel {

// Runs an action when the scope is left, by return or by exception: what is put back is said once,
// next to the change.
template <class F> class ScopeExit {
public:
    explicit ScopeExit(F action)
        : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F action_;
};

// Runs an action only when the scope is left by an exception: the undo of a change that stands once
// the scope completes (a half-written record dropped, a stream put back at a known place). The undo
// may fail in turn (a seek on a damaged file): the exception already on its way out is the one worth
// reporting, so a failing undo is dropped here, once for every site, instead of ending the program.
template <class F> class ScopeFail {
public:
    explicit ScopeFail(F action)
        : action_(std::move(action))
        , exceptions_(std::uncaught_exceptions()) {}
    ~ScopeFail() {
        if (std::uncaught_exceptions() <= exceptions_) return;
        try {
            action_();
        } catch (...) {
        }
    }
    ScopeFail(const ScopeFail&) = delete;
    ScopeFail& operator=(const ScopeFail&) = delete;

private:
    F action_;
    int exceptions_;
};

} // namespace quorvel
