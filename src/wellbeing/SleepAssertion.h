#pragma once
// The keep-awake session's power assertion. acquire() holds one assertion of the wanted kind and
// switches kinds without a gap: the new assertion is created before the old one is released, so
// the computer is never left without one, and a failed switch keeps the old one. The assertion is
// released by release() and, at the latest, when this object goes.
//
//     SleepAssertion assertion(powerAssertions);
//     if (!assertion.acquire(SleepAssertion::Kind::keepDisplayOn, "Tarnlet is keeping this computer awake")) ...
//     assertion.release();
//
// Main thread only.

#include <optional>
#include <string>

#include "platform/PowerAssertions.h"

namespace tarnlet {

class SleepAssertion {
public:
    enum class Kind { keepDisplayOn, allowDisplaySleep };

    explicit SleepAssertion(PowerAssertions& powerAssertions) : m_powerAssertions(powerAssertions) {}
    ~SleepAssertion();
    SleepAssertion(const SleepAssertion&) = delete;
    SleepAssertion& operator=(const SleepAssertion&) = delete;

    // The power manager's assertion type of each kind.
    static const char* assertionType(Kind kind);

    // Holds an assertion of the kind, with the reason the system's power tools show; true when one
    // is held afterwards. A failure is logged and leaves whatever was held before in place.
    bool acquire(Kind kind, const std::string& reason);
    // Releases the held assertion, if any.
    void release();

    // None while nothing is held.
    std::optional<Kind> kind() const { return m_kind; }
    // The held assertion's identifier; 0 while nothing is held.
    PowerAssertionID id() const { return m_id; }

private:
    PowerAssertions& m_powerAssertions;
    std::optional<Kind> m_kind;
    PowerAssertionID m_id = 0;
};

}  // namespace tarnlet
