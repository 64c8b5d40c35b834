// The scope guards: what runs on which way out, and an undo that fails while an exception is already
// on its way out.
#include "platform/ScopeExit.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace quorvel {
namespace {

TEST(ScopeGuards, ExitRunsOnEveryWayOutAndFailOnlyOnAnException) {
    std::vector<int> undone;
    const auto leave = [&](bool fail) {
        const ScopeExit always([&] { undone.push_back(1); });
        const ScopeFail onFailure([&] { undone.push_back(2); });
        if (fail) throw Exception(QStringLiteral("failed"));
    };
    leave(false);
    EXPECT_EQ(undone, (std::vector<int>{1}));
    undone.clear();
    EXPECT_THROW(leave(true), Exception);
    // Guards unwind in reverse order of their making.
    EXPECT_EQ(undone, (std::vector<int>{2, 1}));
}

TEST(ScopeGuards, AFailingUndoLeavesTheFirstFailureToReachTheCaller) {
    int laterUndos = 0;
    try {
        const ScopeFail second([&] { ++laterUndos; });
        const ScopeFail first([] { throw std::runtime_error("the seek failed too"); });
        throw Exception(QStringLiteral("the write failed"));
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("the write failed"));
    }
    // The undo that failed does not keep the others from running.
    EXPECT_EQ(laterUndos, 1);
}

TEST(ScopeGuards, AFailInsideACatchHandlerRunsOnlyForItsOwnException) {
    // An exception being handled when the guard is made does not count as leaving by failure.
    int undone = 0;
    try {
        throw Exception(QStringLiteral("outer"));
    } catch (const Exception&) {
        {
            const ScopeFail guard([&] { ++undone; });
        }
        EXPECT_EQ(undone, 0);
        try {
            const ScopeFail guard([&] { ++undone; });
            throw Exception(QStringLiteral("inner"));
        } catch (const Exception&) {
        }
        EXPECT_EQ(undone, 1);
    }
}

} // namespace
} // namespace quorvel
