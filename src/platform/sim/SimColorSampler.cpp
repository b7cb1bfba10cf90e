#include "platform/sim/SimColorSampler.h"

#include <utility>

namespace tarnlet::sim {

void SimColorSampler::show(std::function<void(std::optional<SampledColor>)> completion) {
    if (isOpen()) close(std::nullopt);
    m_completion = std::move(completion);
    ++m_openCount;
}

bool SimColorSampler::pick(const SampledColor& color) {
    if (!isOpen()) return false;
    close(color);
    return true;
}

bool SimColorSampler::cancel() {
    if (!isOpen()) return false;
    close(std::nullopt);
    return true;
}

void SimColorSampler::close(std::optional<SampledColor> result) {
    // The loupe is gone before its owner hears of it, so the completion may open the next one.
    auto completion = std::exchange(m_completion, nullptr);
    m_queue.post([completion = std::move(completion), result] {
        if (completion) completion(result);
    });
}

}  // namespace tarnlet::sim
