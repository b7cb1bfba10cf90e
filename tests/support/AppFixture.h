#pragma once
// The whole application on a simulated desktop, for integration tests. Every tool of the feature
// table is a probe except the notch and the tools a test keeps real; the test sets up the world,
// then starts the application with start().

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "diagnostics/Log.h"
#include "notch/NotchFeature.h"
#include "support/ProbeFeature.h"
#include "support/TestEnvironment.h"

namespace tarnlet::test {

class AppFixture : public ::testing::Test {
protected:
    explicit AppFixture(std::set<SettingsPane> real = {}) {
        real.insert(SettingsPane::notch);
        for (const auto& row : kFeatureTable)
            if (!real.count(row.pane)) probes[row.pane];
    }
    ~AppFixture() override {
        app.reset();
        Log::setDebugEnabled(false);
        Log::setSystemLog(nullptr);
    }

    // Builds the application and runs its start-up, with the work due now.
    AppDelegate& start(const std::vector<std::string>& arguments = {}) {
        AppDelegate::Options options;
        options.installCrashReporter = false;
        options.features = [this](SettingsPane pane) -> Feature* {
            auto it = probes.find(pane);
            return it == probes.end() ? nullptr : &it->second;
        };
        app = std::make_unique<AppDelegate>(desktop.platform(), options);
        app->applicationDidFinishLaunching(arguments);
        desktop.runUntilIdle();
        return *app;
    }

    TestEnvironment env;
    sim::SimDesktop& desktop = env.desktop();
    std::map<SettingsPane, ProbeFeature> probes;
    std::unique_ptr<AppDelegate> app;
};

}  // namespace tarnlet::test
