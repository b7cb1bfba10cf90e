#include "platform/linux/InertSession.h"

#include <vector>

#include "platform/MainQueue.h"

namespace tarnlet::linux_desktop {

namespace {

class InertStatusItem : public StatusItem {
public:
    void setImage(const Image&) override {}
    void setOnClick(std::function<void(StatusClick)>) override {}
    void popUpMenu(Menu, std::function<void()> onClose) override {
        if (onClose) onClose();
    }
};

// Keeps its state as a panel would, without a window.
class InertPanel : public Panel {
public:
    InertPanel(MainQueue& queue, Rect frame, double alpha) : m_queue(queue), m_frame(frame), m_alpha(alpha) {}
    void replace(std::shared_ptr<PanelContent>, Rect frame) override { m_frame = frame; }
    void remove() override { m_onScreen = false; }
    void orderFront() override { m_onScreen = true; }
    bool isOnScreen() const override { return m_onScreen; }
    double alpha() const override { return m_alpha; }
    Rect frame() const override { return m_frame; }
    void animate(const PanelAnimation& animation, std::function<void()> onComplete) override {
        if (animation.alpha) m_alpha = *animation.alpha;
        if (animation.frame) m_frame = *animation.frame;
        if (onComplete) m_completions.push_back(m_queue.postAfter(animation.duration, std::move(onComplete)));
    }

private:
    MainQueue& m_queue;
    std::vector<WorkItem> m_completions;
    Rect m_frame;
    double m_alpha;
    bool m_onScreen = true;
};

}  // namespace

std::unique_ptr<StatusItem> InertSession::addItem() { return std::make_unique<InertStatusItem>(); }

std::unique_ptr<Panel> InertSession::show(std::shared_ptr<PanelContent>, Rect frame, const PanelOptions& options) {
    return std::make_unique<InertPanel>(m_queue, frame, options.alpha);
}

}  // namespace tarnlet::linux_desktop
