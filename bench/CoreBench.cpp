// The application core's hot paths: a settings read, a settings write that changes nothing, and a
// full reconcile over fourteen tools on the simulated desktop.

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <map>

#include "app/AppDelegate.h"
#include "platform/TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"

namespace {

using namespace tarnlet;

class ProbeFeature : public Feature {
public:
    bool isActive() const override { return m_active; }
    void activate() override { m_active = true; }
    void deactivate() override { m_active = false; }

private:
    bool m_active = false;
};

struct World {
    TemporaryFolder home{"tarnlet-bench"};
    sim::SimDesktop desktop{home.path()};
    std::map<SettingsPane, ProbeFeature> probes;
    std::unique_ptr<AppDelegate> app;

    World() {
        AppDelegate::Options options;
        options.installCrashReporter = false;
        options.features = [this](SettingsPane pane) -> Feature* { return &probes[pane]; };
        app = std::make_unique<AppDelegate>(desktop.platform(), options);
        for (const char* key : {"snap.isEnabled", "jump.isEnabled", "clipboard.isEnabled", "focus.isEnabled",
                                "breaks.isEnabled", "sweep.isEnabled"})
            app->settings().set(key, true);
        app->applicationDidFinishLaunching({});
    }
    ~World() { app.reset(); }
};

void BM_SettingsReadBoolean(benchmark::State& state) {
    World world;
    for (auto _ : state) benchmark::DoNotOptimize(world.app->settings().boolean("snap.isEnabled"));
}
BENCHMARK(BM_SettingsReadBoolean);

void BM_SettingsReadClampedInteger(benchmark::State& state) {
    World world;
    for (auto _ : state) benchmark::DoNotOptimize(world.app->settings().notchMaxHintItems());
}
BENCHMARK(BM_SettingsReadClampedInteger);

void BM_SettingsWriteUnchanged(benchmark::State& state) {
    World world;
    for (auto _ : state) world.app->settings().set("snap.isEnabled", true);
}
BENCHMARK(BM_SettingsWriteUnchanged);

void BM_ReconcileFourteenTools(benchmark::State& state) {
    World world;
    for (auto _ : state) world.app->reconcile();
}
BENCHMARK(BM_ReconcileFourteenTools);

}  // namespace
