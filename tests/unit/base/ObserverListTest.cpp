#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "base/ObserverList.h"

namespace tarnlet {
namespace {

TEST(ObserverListTest, HandlersRunInRegistrationOrderWithTheArguments) {
    ObserverList<int> list;
    std::vector<std::string> calls;
    auto a = list.add([&](int v) { calls.push_back("a" + std::to_string(v)); });
    auto b = list.add([&](int v) { calls.push_back("b" + std::to_string(v)); });
    auto c = list.add([&](int v) { calls.push_back("c" + std::to_string(v)); });
    list.notify(7);
    EXPECT_EQ(calls, (std::vector<std::string>{"a7", "b7", "c7"}));
    EXPECT_EQ(list.size(), 3u);
}

TEST(ObserverListTest, DroppingOrCancellingASubscriptionRemovesTheHandler) {
    ObserverList<> list;
    int calls = 0;
    {
        auto scoped = list.add([&] { ++calls; });
        list.notify();
    }
    list.notify();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(list.isEmpty());

    auto sub = list.add([&] { ++calls; });
    sub.cancel();
    sub.cancel();  // harmless
    list.notify();
    EXPECT_EQ(calls, 1);
}

TEST(ObserverListTest, AHandlerRemovedDuringNotificationIsNotCalledAfterwards) {
    ObserverList<> list;
    std::vector<char> calls;
    Subscription b;
    auto a = list.add([&] {
        calls.push_back('a');
        b.cancel();
    });
    b = list.add([&] { calls.push_back('b'); });
    auto c = list.add([&] { calls.push_back('c'); });
    list.notify();
    EXPECT_EQ(calls, (std::vector<char>{'a', 'c'}));
}

TEST(ObserverListTest, AHandlerMayRemoveItselfWhileRunning) {
    ObserverList<> list;
    int calls = 0;
    std::optional<Subscription> self;
    self = list.add([&] {
        ++calls;
        self.reset();  // destroys the subscription, and with it this handler's registration
    });
    auto other = list.add([&] { ++calls; });
    list.notify();
    list.notify();
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(list.size(), 1u);
}

TEST(ObserverListTest, AHandlerThatRemovesItselfKeepsItsCapturesUntilItReturns) {
    ObserverList<> list;
    auto witness = std::make_shared<int>(0);
    const std::weak_ptr<int> captured = witness;
    bool aliveAfterRemoval = false;
    Subscription self;
    self = list.add([&, witness] {
        self.cancel();
        aliveAfterRemoval = !captured.expired();
    });
    witness.reset();
    list.notify();
    EXPECT_TRUE(aliveAfterRemoval);
    EXPECT_TRUE(captured.expired());
}

TEST(ObserverListTest, AHandlerAddedDuringNotificationRunsFromTheNextOne) {
    ObserverList<> list;
    std::vector<char> calls;
    std::vector<Subscription> added;
    auto a = list.add([&] {
        calls.push_back('a');
        if (added.empty()) added.push_back(list.add([&] { calls.push_back('n'); }));
    });
    list.notify();
    EXPECT_EQ(calls, (std::vector<char>{'a'}));
    list.notify();
    EXPECT_EQ(calls, (std::vector<char>{'a', 'a', 'n'}));
}

}  // namespace
}  // namespace tarnlet
