#include "wellbeing/BreakPolicy.h"

#include <cstdio>

namespace tarnlet {

namespace {

// Whole seconds as printf's "%.0f" writes them. The buffer holds the widest finite double.
std::string wholeSeconds(double seconds) {
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", seconds);
    return text;
}

}  // namespace

const char* caseName(BreakPolicy::Decision decision) {
    switch (decision) {
        case BreakPolicy::Decision::start: return "start";
        case BreakPolicy::Decision::creditNatural: return "creditNatural";
        case BreakPolicy::Decision::postponeTyping: return "postponeTyping";
        case BreakPolicy::Decision::postponeBusy: return "postponeBusy";
    }
    return "start";
}

BreakPolicy::Decision BreakPolicy::decide(const Inputs& in) {
    if (in.smart && in.idle >= static_cast<double>(in.breakSeconds)) return Decision::creditNatural;
    // The exclusion list is the user's explicit wish, so it holds even with smart deferral off.
    if (in.front && in.excluded.count(*in.front)) return Decision::postponeBusy;
    if (in.smart && in.busy) return Decision::postponeBusy;
    if (in.smart && in.typingDefers < kMaxTypingDefers && in.key < kTypingWindow) return Decision::postponeTyping;
    return Decision::start;
}

std::string BreakPolicy::summary(Decision decision, const Inputs& in) {
    return std::string(caseName(decision)) + " — smart " + (in.smart ? "on" : "off") + ", idle " +
           wholeSeconds(in.idle) + "s, key " + wholeSeconds(in.key) + "s, busy " + (in.busy ? "yes" : "no") +
           ", front " + in.front.value_or("—") + ", excluded " + std::to_string(in.excluded.size()) + ", defers " +
           std::to_string(in.typingDefers);
}

bool BreakPolicy::displayHeldByOthers(const std::optional<std::map<int, std::vector<std::string>>>& assertions,
                                      int selfPID) {
    if (!assertions) return false;
    for (const auto& [pid, types] : *assertions) {
        if (pid == selfPID) continue;  // our own keep-awake sessions are no sign of a busy user
        for (const std::string& type : types)
            if (type == "NoDisplaySleepAssertion" || type == "PreventUserIdleDisplaySleep") return true;
    }
    return false;
}

}  // namespace tarnlet
