#pragma once
// Durations in minutes as the menu writes them: "15 minutes", "1 hour", "2 hours", "90 minutes".
// Stateless; any thread.

#include <string>

namespace tarnlet {

class TimeText {
public:
    // Whole hours as hours ("1 hour", "5 hours"); everything else in minutes ("90 minutes"), with
    // one minute in the singular.
    static std::string minutes(int n);
};

}  // namespace tarnlet
