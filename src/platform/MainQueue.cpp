#include "platform/MainQueue.h"

namespace tarnlet {

void WorkItem::cancel() {
    if (m_state) m_state->cancelled = true;
    m_state.reset();
}

bool WorkItem::isPending() const { return m_state && !m_state->cancelled && !m_state->done; }

}  // namespace tarnlet
