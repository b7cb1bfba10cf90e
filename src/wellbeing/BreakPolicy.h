#pragma once
// Whether now is a good moment for an eye break. The break scheduler gathers what it knows about
// the user — how long every kind of input has been left alone, whether another process keeps the
// display on, which application is in front — and asks decide() for one of four answers:
//
//     BreakPolicy::Inputs in{.smart = true, .idle = 2, .key = 0.5, .breakSeconds = 20};
//     switch (BreakPolicy::decide(in)) { case BreakPolicy::Decision::postponeTyping: ... }
//
// A pure value type with no state and no platform contact: any thread.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarnlet {

class BreakPolicy {
public:
    enum class Decision { start, creditNatural, postponeTyping, postponeBusy };

    // A user who typed within this many seconds is in the middle of something.
    static constexpr double kTypingWindow = 3.0;
    // Typing postpones a break at most this often in one cycle, so a busy typist still gets one.
    static constexpr int kMaxTypingDefers = 5;

    struct Inputs {
        bool smart = false;                  // smart deferral is switched on
        double idle = 0;                     // seconds since the user's last input of any kind
        double key = 0;                      // seconds since the last key down
        bool busy = false;                   // another process keeps the display on
        std::optional<std::string> front;    // the frontmost application's bundle identifier
        std::set<std::string> excluded;      // applications in front of which no break starts
        int typingDefers = 0;                // postponements for typing in this cycle so far
        long long breakSeconds = 0;          // the length of a break
    };

    // The first rule that applies: an idle user has already rested; an excluded front application
    // or a busy display postpones; recent typing postpones a limited number of times; else start.
    static Decision decide(const Inputs& inputs);

    // The one-line account of a decision, for the log and the settings window, e.g.
    // "postponeTyping — smart on, idle 1s, key 0s, busy no, front —, excluded 0, defers 2".
    static std::string summary(Decision decision, const Inputs& inputs);

    // Whether some process other than ours holds an assertion that keeps the display awake (a
    // video player, a presentation). A failed query counts as not busy.
    static bool displayHeldByOthers(const std::optional<std::map<int, std::vector<std::string>>>& assertions,
                                    int selfPID);
};

// The decision's case name: "start", "creditNatural", "postponeTyping" or "postponeBusy".
const char* caseName(BreakPolicy::Decision decision);

}  // namespace tarnlet
