#pragma once
// A paste shortcut typed by this system itself: a key-down and a key-up of V with exactly the
// platform's shortcut modifier (⌘ on the original platform, Control on Linux), marked so that every
// tap of the system lets them pass, posted at the head of the session's event chain. The clipboard
// picker and the snippets replay a paste with it. Main thread only.

namespace tarnlet {

class EventTaps;

class SyntheticPaste {
public:
    static constexpr int kKeyCodeV = 9;

    static void post(EventTaps& taps);
};

}  // namespace tarnlet
