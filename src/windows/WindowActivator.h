#pragma once
// Lists an application's windows by a short hint taken from their titles and raises one of them by
// the initial of that hint. Stateless: every operation reads the windows afresh through the
// accessibility interface, and each element it touches gets the 1.0 s messaging timeout. Failed
// reads give an empty list or do nothing. Main thread only.
//
// Characters here are user-perceived characters (grapheme clusters), so an initial or a shortened
// name never splits an accented letter or an emoji.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windows/AXWindow.h"

namespace tarnlet {

class WindowActivator {
public:
    struct TitleHint {
        std::string initial;  // one character, lowercase
        std::string name;     // at most 10 characters, the last an ellipsis when shortened
        friend bool operator==(const TitleHint&, const TitleHint&) = default;
    };

    // The part of a window title that names the window best: of the pieces between " — ", " – "
    // and " - ", the last one that starts with a letter; the whole trimmed title when none does.
    static std::string hintSegment(std::string_view title);
    // One hint per distinct initial, in the application's window order.
    static std::vector<TitleHint> titleHints(WindowServices& services, int pid);
    // Raises a window with that initial, then activates the application: the one the hints name (the
    // first in the application's order) unless the main window has that initial, in which case the
    // next one in a fixed order, so that repeated presses visit them all.
    static void raise(WindowServices& services, int pid, std::string_view titleInitial);
    // An attribute that holds an element, which then gets the messaging timeout; none otherwise.
    static std::optional<AXElement> copyElement(Accessibility& accessibility, const AXElement& element,
                                                const std::string& attribute);

    WindowActivator() = delete;
};

}  // namespace tarnlet
