// What the keyboard path costs per event: the leader key tap's decision with and without a leader,
// and one modifier change fanned out to three subscribers of the shared modifier watcher.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Subscription.h"
#include "keys/KeyTapLogic.h"
#include "keys/ModifierWatcher.h"
#include "platform/InputEvent.h"
#include "platform/TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"

namespace {

using namespace tarnlet;

constexpr std::uint16_t kJ = 38;
constexpr std::uint64_t kRightCommand = ModifierFlag::rightCommand | ModifierFlag::command;

// Ordinary typing: no leader, so the key is declined at once.
void BM_KeyDownWithoutLeader(benchmark::State& state) {
    KeyTapLogic logic;
    const KeyTapLogic::Handler handler = [](Leader, const std::string&) { return true; };
    for (auto _ : state) {
        benchmark::DoNotOptimize(logic.keyDown(kJ, 0, handler));
    }
}
BENCHMARK(BM_KeyDownWithoutLeader);

// A chord: the letter is looked up, offered and claimed; its key-up then releases the claim.
// One iteration is one key-down and its key-up.
void BM_ClaimedKeyUnderLeader(benchmark::State& state) {
    KeyTapLogic logic;
    logic.leader = Leader::command;
    const KeyTapLogic::Handler handler = [](Leader, const std::string& character) { return character == "j"; };
    for (auto _ : state) {
        benchmark::DoNotOptimize(logic.keyDown(kJ, kRightCommand, handler));
        benchmark::DoNotOptimize(logic.keyUp(kJ));
    }
}
BENCHMARK(BM_ClaimedKeyUnderLeader);

// Auto-repeat of a claimed key: swallowed without asking the consumer.
void BM_RepeatOfClaimedKey(benchmark::State& state) {
    KeyTapLogic logic;
    logic.leader = Leader::command;
    const KeyTapLogic::Handler handler = [](Leader, const std::string&) { return true; };
    logic.keyDown(kJ, kRightCommand, handler);
    for (auto _ : state) {
        benchmark::DoNotOptimize(logic.keyDown(kJ, kRightCommand, handler));
    }
}
BENCHMARK(BM_RepeatOfClaimedKey);

// The right Command key going down and up on the simulated keyboard, each change reaching three
// subscribers through the one listen-only tap. Items are modifier changes.
void BM_ModifierChangeToThreeSubscribers(benchmark::State& state) {
    TemporaryFolder home("tarnlet-bench");
    sim::SimDesktop desktop(home.path());
    auto& keyboard = desktop.keyboard();
    ModifierWatcher watcher(keyboard);
    std::uint64_t sink = 0;
    std::vector<Subscription> subscriptions;
    for (int i = 0; i < 3; ++i) subscriptions.push_back(watcher.subscribe([&sink](std::uint64_t flags) { sink ^= flags; }));
    const std::uint16_t rcmd = *sim::SimKeyboard::keyCode("rcmd");
    std::int64_t changes = 0;
    for (auto _ : state) {
        keyboard.keyDown(rcmd);
        keyboard.keyUp(rcmd);
        changes += 2;
        // The simulated application keeps every event it receives; keep that record small.
        if (changes % 100'000 == 0) {
            state.PauseTiming();
            keyboard.clearDelivered();
            state.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(changes);
}
BENCHMARK(BM_ModifierChangeToThreeSubscribers);

}  // namespace
