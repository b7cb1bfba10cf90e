#include "ui/TimeText.h"

namespace tarnlet {

std::string TimeText::minutes(int n) {
    if (n >= 60 && n % 60 == 0) return n == 60 ? "1 hour" : std::to_string(n / 60) + " hours";
    // A one-minute session is possible through the custom prompt; "1 minutes" would read wrongly.
    if (n == 1) return "1 minute";
    return std::to_string(n) + " minutes";
}

}  // namespace tarnlet
