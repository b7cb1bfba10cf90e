#pragma once
// The one-line description of a running keep-awake session that the menu-bar menu and the
// settings window show beneath the switch:
//
//     AwakeMenuText::detail(std::nullopt, std::nullopt, now, "en_US", "UTC");     // "no time limit"
//     AwakeMenuText::detail(end, "an external drive is mounted", now, "en_GB", "Europe/London");
//     // "until 14:30 tomorrow, because an external drive is mounted"
//
// Times are wall-clock seconds since 1970. The end time is written in the locale's own short time
// style and judged against `now` by the calendar day of the given time zone. Stateless; any thread.

#include <optional>
#include <string>

namespace tarnlet {

class AwakeMenuText {
public:
    // "no time limit", or "until " and the end's clock time — followed by " tomorrow" when it falls
    // on the next calendar day, or by " on " and its date when it falls on any other day — and then,
    // when a reason is given, ", because " and the reason. Locale and time zone are ICU identifiers;
    // an unknown time zone reads as UTC.
    static std::string detail(std::optional<double> endsAt, const std::optional<std::string>& trigger, double now,
                              const std::string& locale, const std::string& timeZone);
};

}  // namespace tarnlet
