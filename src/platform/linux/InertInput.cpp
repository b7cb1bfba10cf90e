#include "platform/linux/InertInput.h"

#include <QCursor>

#include "platform/MainQueue.h"
#include "platform/linux/QtScreens.h"

namespace tarnlet::linux_desktop {

Point InertInput::location() const { return QtScreens::toDesktop(QCursor::pos()); }

void InertInput::show(std::function<void(std::optional<SampledColor>)> completion) {
    // As a loupe the user cancelled: the answer comes on a later turn, never from inside this call.
    m_queue.post([completion = std::move(completion)] { completion(std::nullopt); });
}

}  // namespace tarnlet::linux_desktop
