#pragma once
// The interface every switchable tool implements. The application core switches tools only through
// it: activate() starts observing and acting, deactivate() releases every timer, observer, tap and
// window. Both are idempotent; the core calls activate() again on an active tool so that it
// re-reads its settings. Main thread only.

namespace tarnlet {

class Feature {
public:
    virtual ~Feature() = default;
    virtual bool isActive() const = 0;
    virtual void activate() = 0;
    virtual void deactivate() = 0;
    // Takes the settings that may have changed since the last call. The core calls it on every
    // tool after each round of switching, active or not; a tool without such settings ignores it.
    virtual void applySettings() {}
};

}  // namespace tarnlet
