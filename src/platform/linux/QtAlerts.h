#pragma once
// The application's modal alerts as Qt dialogs, run to the user's answer in a nested event loop.
// The number prompt shows the message in bold over the informative text, a number field (focused)
// with its placeholder beside a unit pop-up, and the buttons, the first being the default (Return
// chooses it). Escape or closing the window answers with no button (-1). Main thread only.

#include "platform/Alerts.h"

namespace tarnlet::linux_desktop {

class QtAlerts : public Alerts {
public:
    NumberPromptAnswer runNumberPrompt(const NumberPrompt& prompt) override;
};

}  // namespace tarnlet::linux_desktop
