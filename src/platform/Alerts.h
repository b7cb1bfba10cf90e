#pragma once
// Modal alerts of this application. They run to the user's answer before returning. Main thread.

#include <string>
#include <vector>

namespace tarnlet {

// An alert that asks for a number with a unit: a number field (first responder) beside a unit
// pop-up, and buttons, the first being the default.
struct NumberPrompt {
    std::string message;
    std::string informativeText;
    std::string placeholder;
    std::vector<std::string> units;
    std::vector<std::string> buttons;
};

struct NumberPromptAnswer {
    int button = -1;  // index into the buttons; -1 when the alert was dismissed without one
    std::string text;  // what the number field holds
    int unitIndex = 0;
};

class Alerts {
public:
    virtual ~Alerts() = default;
    virtual NumberPromptAnswer runNumberPrompt(const NumberPrompt& prompt) = 0;
};

}  // namespace tarnlet
