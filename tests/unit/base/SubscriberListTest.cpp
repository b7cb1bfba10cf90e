#include "base/SubscriberList.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace tarnlet {
namespace {

// A watcher's bookkeeping seen from outside: how often it was told to start and to stop.
struct Hooks {
    int starts = 0;
    int stops = 0;
};

TEST(SubscriberListTest, StartsAtEverySubscriptionAndStopsWhenTheLastEnds) {
    Hooks hooks;
    SubscriberList<int> list{[&] { ++hooks.starts; }, [&] { ++hooks.stops; }};
    std::vector<int> heard;

    Subscription a = list.add([&](int v) { heard.push_back(v); });
    Subscription b = list.add([&](int v) { heard.push_back(10 * v); });
    EXPECT_EQ(hooks.starts, 2);  // a start that failed the first time is retried
    list.notify(1);
    EXPECT_EQ(heard, (std::vector<int>{1, 10}));

    // A replaced subscription never leaves the list empty in between.
    b = list.add([&](int v) { heard.push_back(100 * v); });
    a.cancel();
    EXPECT_EQ(hooks.stops, 0);
    list.notify(2);
    EXPECT_EQ(heard, (std::vector<int>{1, 10, 200}));

    b.cancel();
    b.cancel();
    EXPECT_EQ(hooks.stops, 1);
    EXPECT_TRUE(list.isEmpty());

    // An empty handler subscribes nothing and starts nothing.
    const Subscription none = list.add(nullptr);
    EXPECT_FALSE(none.isActive());
    EXPECT_EQ(hooks.starts, 3);
    EXPECT_TRUE(list.isEmpty());
}

TEST(SubscriberListTest, AHandlerMayDestroyTheListAndHandlesOutliveIt) {
    Hooks hooks;
    auto list = std::make_unique<SubscriberList<>>([&] { ++hooks.starts; }, [&] { ++hooks.stops; });
    int calls = 0;
    Subscription first = list->add([&] {
        ++calls;
        list.reset();
    });
    Subscription second = list->add([&] { ++calls; });
    list->notify();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(list, nullptr);
    // Ending subscriptions of a list that is gone neither crashes nor calls its stop.
    first.cancel();
    second.cancel();
    EXPECT_EQ(hooks.stops, 0);
}

}  // namespace
}  // namespace tarnlet
