#include "notch/NotchController.h"

#include <algorithm>

#include "notch/NotchBarView.h"

namespace tarnlet {

NotchController::NotchController(NotchSurface& surface, TextMeasurer& measurer, MainQueue& queue)
    : m_surface(surface), m_measurer(measurer), m_queue(queue) {}

NotchController::~NotchController() = default;

std::shared_ptr<NotchBarView> NotchController::chipBar() const { return m_chipMount ? m_chipMount->bar() : nullptr; }
std::shared_ptr<NotchBarView> NotchController::hintBar() const { return m_hintMount ? m_hintMount->bar() : nullptr; }

std::shared_ptr<NotchBarView> NotchController::makeBar(const NotchContent& content, const Rect& notch) {
    return std::make_shared<NotchBarView>(content, notch.size, NotchBarView::kDrop, m_measurer, m_queue,
                                          physicalNotch ? physicalNotch() : true);
}

std::optional<NotchController::Bridge> NotchController::makeBridge(const NotchContent& content) {
    if (canPresent && !canPresent()) return std::nullopt;
    if (content.isEmpty()) return std::nullopt;
    const auto notch = m_surface.notchRect();
    if (!notch) return std::nullopt;
    auto bar = makeBar(content, *notch);
    auto mount = m_surface.mount(bar, bar->frameOnScreen(*notch));
    return Bridge{std::move(bar), std::move(mount)};
}

void NotchController::report(NotchSource source, bool wants) {
    if (onSource) onSource(source, wants);
}

void NotchController::setChipSource(std::optional<NotchSource> source) {
    if (source == m_chipSource) return;
    const auto old = m_chipSource;
    m_chipSource = source;
    if (old) report(*old, false);
    if (source) report(*source, true);
}

bool NotchController::showChip(const NotchContent& content, double duration, bool animated) {
    if (m_hintMount) {
        m_pendingChip = PendingChip{content, duration};
        return false;
    }
    m_pendingChip.reset();
    auto bridge = makeBridge(content);
    if (!bridge) return false;
    m_liveChipActive = false;
    m_chipDismiss.cancel();
    if (m_chipMount) m_chipMount->remove();
    m_chipMount = std::move(bridge->mount);
    ++m_chipGeneration;
    setChipSource(NotchSource::chip);
    if (animated) {
        bridge->bar->animateIn();
        m_chipDismiss = m_queue.postAfter(duration, m_weak.bind([this] { dismissChip(); }));
    } else {
        bridge->bar->showStatic();
    }
    return true;
}

void NotchController::showLiveChip(const NotchContent& content) {
    if (m_hintMount) return;
    m_chipDismiss.cancel();
    if (m_liveChipActive && m_chipMount) {
        if (auto notch = m_surface.notchRect(); notch && (!canPresent || canPresent()) && !content.isEmpty()) {
            auto bar = makeBar(content, *notch);
            m_chipMount->replace(bar, bar->frameOnScreen(*notch));
            bar->showStatic();
            return;
        }
    }
    if (m_chipMount) {
        m_chipMount->remove();
        m_chipMount.reset();
    }
    auto bridge = makeBridge(content);
    if (!bridge) {
        // Nothing can be shown: whatever chip was on screen is gone, and so is its claim.
        m_liveChipActive = false;
        setChipSource(std::nullopt);
        return;
    }
    m_liveChipActive = true;
    m_chipMount = std::move(bridge->mount);
    ++m_chipGeneration;
    setChipSource(NotchSource::liveChip);
    bridge->bar->animateIn();
}

void NotchController::dismissChip() {
    m_chipDismiss.cancel();
    if (!m_chipMount) {
        setChipSource(std::nullopt);
        return;
    }
    const std::uint64_t generation = m_chipGeneration;
    m_chipMount->bar()->animateOut(m_weak.bind([this, generation] {
        if (!m_chipMount || m_chipGeneration != generation) return;
        auto closing = std::move(m_chipMount);
        closing->remove();
        m_liveChipActive = false;
        setChipSource(std::nullopt);
    }));
}

void NotchController::dismissLiveChip() {
    if (!m_liveChipActive) return;
    m_liveChipActive = false;
    dismissChip();
}

void NotchController::showHints(const NotchContent& content, bool animated) {
    if (m_hintMount) {
        m_hintMount->remove();
        m_hintMount.reset();
    }
    m_chipDismiss.cancel();
    m_liveChipActive = false;
    if (m_chipMount) {
        m_chipMount->remove();
        m_chipMount.reset();
    }
    setChipSource(std::nullopt);
    auto bridge = makeBridge(content);
    if (!bridge) {
        if (m_hintsActive) {
            m_hintsActive = false;
            report(NotchSource::hints, false);
        }
        return;
    }
    m_hintMount = std::move(bridge->mount);
    ++m_hintGeneration;
    if (!m_hintsActive) {
        m_hintsActive = true;
        report(NotchSource::hints, true);
    }
    if (animated) bridge->bar->animateIn();
    else bridge->bar->showStatic();
}

void NotchController::dropHints(bool animated, bool keepingClaim) {
    if (!m_hintMount) return;
    auto mount = std::move(m_hintMount);
    if (!keepingClaim && m_hintsActive) {
        m_hintsActive = false;
        report(NotchSource::hints, false);
    }
    if (!animated) {
        mount->remove();
        return;
    }
    NotchMount* raw = mount.get();
    const std::uint64_t generation = m_hintGeneration;
    auto bar = mount->bar();
    m_closing.push_back(std::move(mount));
    bar->animateOut(m_weak.bind([this, raw, generation] {
        auto it = std::find_if(m_closing.begin(), m_closing.end(), [raw](const auto& m) { return m.get() == raw; });
        if (it != m_closing.end()) {
            (*it)->remove();
            m_closing.erase(it);
        }
        if (generation == m_hintGeneration && !m_hintMount && m_pendingChip) {
            auto pending = std::move(*m_pendingChip);
            m_pendingChip.reset();
            showChip(pending.content, pending.duration, true);
        }
    }));
}

void NotchController::teardown() {
    m_chipDismiss.cancel();
    m_liveChipActive = false;
    m_pendingChip.reset();
    if (m_chipMount) {
        m_chipMount->remove();
        m_chipMount.reset();
    }
    setChipSource(std::nullopt);
    dropHints(false, false);
    for (auto& mount : m_closing) mount->remove();
    m_closing.clear();
}

}  // namespace tarnlet
