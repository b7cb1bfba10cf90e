#pragma once
// The simulated colour loupe. Tests play the user: pick() clicks a colour, cancel() presses
// Escape; either closes the loupe and reports on the main queue. One loupe shows at a time:
// opening another while one is open cancels the first. Main thread only.

#include <functional>
#include <optional>

#include "platform/ColorSampler.h"
#include "platform/MainQueue.h"

namespace tarnlet::sim {

class SimColorSampler : public ColorSampler {
public:
    explicit SimColorSampler(MainQueue& queue) : m_queue(queue) {}

    void show(std::function<void(std::optional<SampledColor>)> completion) override;

    bool isOpen() const { return static_cast<bool>(m_completion); }
    // How many times a loupe was opened.
    int openCount() const { return m_openCount; }
    // The user clicks a pixel of this colour; false (and nothing reported) when no loupe is open.
    bool pick(const SampledColor& color);
    // The user presses Escape; false when no loupe is open.
    bool cancel();

private:
    void close(std::optional<SampledColor> result);

    MainQueue& m_queue;
    std::function<void(std::optional<SampledColor>)> m_completion;
    int m_openCount = 0;
};

}  // namespace tarnlet::sim
