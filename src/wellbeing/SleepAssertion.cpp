#include "wellbeing/SleepAssertion.h"

#include <string>

#include "diagnostics/Log.h"

namespace tarnlet {

SleepAssertion::~SleepAssertion() { release(); }

const char* SleepAssertion::assertionType(Kind kind) {
    switch (kind) {
        case Kind::keepDisplayOn: return "PreventUserIdleDisplaySleep";
        case Kind::allowDisplaySleep: return "PreventUserIdleSystemSleep";
    }
    return "PreventUserIdleDisplaySleep";
}

bool SleepAssertion::acquire(Kind kind, const std::string& reason) {
    if (m_kind == kind) return true;

    const PowerAssertionCreation created = m_powerAssertions.create(assertionType(kind), reason);
    if (!created.id) {
        Log::error("Awake: power assertion failed (" + std::to_string(created.resultCode) + ")");
        return false;
    }

    // The new assertion is in place before the old one goes, so a switch of kind never leaves the
    // computer free to sleep for a moment.
    const std::optional<Kind> previousKind = m_kind;
    const PowerAssertionID previousID = m_id;
    m_kind = kind;
    m_id = *created.id;
    if (previousKind) m_powerAssertions.release(previousID);
    return true;
}

void SleepAssertion::release() {
    if (!m_kind) return;
    const PowerAssertionID id = m_id;
    m_kind.reset();
    m_id = 0;
    m_powerAssertions.release(id);
}

}  // namespace tarnlet
