#pragma once
// How window closing is heard: `efficient` registers a destroy notification on every window,
// `thorough` one on the application element. Stored in settings as its name. Any thread.

#include <optional>
#include <string_view>

namespace tarnlet {

enum class SweepStrategy { efficient, thorough };

constexpr std::string_view sweepStrategyName(SweepStrategy strategy) {
    return strategy == SweepStrategy::thorough ? "thorough" : "efficient";
}

// None for any text other than the two names.
constexpr std::optional<SweepStrategy> parseSweepStrategy(std::string_view name) {
    if (name == "efficient") return SweepStrategy::efficient;
    if (name == "thorough") return SweepStrategy::thorough;
    return std::nullopt;
}

}  // namespace tarnlet
