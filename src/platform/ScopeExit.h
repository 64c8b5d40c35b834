#pragma once

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

} // namespace quorvel
