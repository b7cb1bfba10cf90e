#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/WeakToken.h"

namespace tarnlet {
namespace {

struct Owner {
    WeakFactory weak;  // last member, so it dies first
};

TEST(WeakTokenTest, BoundWorkRunsWhileTheOwnerLivesAndIsDroppedAfter) {
    int calls = 0;
    std::vector<std::function<void()>> pending;
    auto owner = std::make_unique<Owner>();
    pending.push_back(owner->weak.bind([&calls] { ++calls; }));
    pending.push_back(owner->weak.bind([&calls] { ++calls; }));
    pending.front()();
    EXPECT_EQ(calls, 1);
    owner.reset();
    for (auto& work : pending) work();
    EXPECT_EQ(calls, 1);
}

TEST(WeakTokenTest, ResultOfDroppedWorkIsTheDefaultValue) {
    auto owner = std::make_unique<Owner>();
    auto answer = owner->weak.bind([](int x) { return x * 2; });
    EXPECT_EQ(answer(21), 42);
    WeakToken token = owner->weak.token();
    EXPECT_TRUE(token.isAlive());
    owner.reset();
    EXPECT_FALSE(token.isAlive());
    EXPECT_EQ(answer(21), 0);
}

}  // namespace
}  // namespace tarnlet
