#include "platform/sim/SimPanels.h"

#include <algorithm>
#include <cmath>

#include "platform/MainQueue.h"
#include "platform/sim/SimMainQueue.h"

namespace tarnlet::sim {

namespace {

// An opacity outside 0…1 is pinned to the range, as the window server does; a nonsense one leaves
// the panel as it was.
std::optional<double> sanitizedAlpha(double alpha) {
    if (std::isnan(alpha)) return std::nullopt;
    return std::clamp(alpha, 0.0, 1.0);
}

bool isUsableFrame(const Rect& r) {
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.width()) &&
           std::isfinite(r.height()) && r.width() >= 0 && r.height() >= 0;
}

double lerp(double from, double to, double t) { return from + (to - from) * t; }

// How far a motion has come at `now`, from 0 to 1; 1 once its time is up.
double progress(double start, double duration, double now) {
    if (!(duration > 0) || now >= start + duration) return 1;
    if (now <= start) return 0;
    return (now - start) / duration;
}

}  // namespace

Rect SimPanels::Record::frameAt(double now) const {
    const double t = progress(frameMotion.start, frameMotion.duration, now);
    if (t >= 1) return frame;
    const Rect& a = frameMotion.from;
    return Rect(lerp(a.minX(), frame.minX(), t), lerp(a.minY(), frame.minY(), t), lerp(a.width(), frame.width(), t),
                lerp(a.height(), frame.height(), t));
}

double SimPanels::Record::alphaAt(double now) const {
    const double t = progress(alphaMotion.start, alphaMotion.duration, now);
    return t >= 1 ? alpha : lerp(alphaMotion.from, alpha, t);
}

class SimPanel : public Panel {
public:
    SimPanel(std::shared_ptr<SimPanels::Record> record, SimPanels& panels)
        : m_record(std::move(record)), m_panels(&panels) {}
    // Destroying the panel cancels the completions it still owes: nobody is left to hear them.
    ~SimPanel() override { remove(); }

    void replace(std::shared_ptr<PanelContent> content, Rect frame) override {
        m_record->content = std::move(content);
        if (!isUsableFrame(frame)) return;
        m_record->frame = frame;
        m_record->frameMotion = {};
    }
    void remove() override {
        if (!m_record->onScreen) return;
        m_record->onScreen = false;
        if (m_panels->onRemove) m_panels->onRemove(*m_record);
    }
    void orderFront() override { m_panels->bringToFront(m_record); }
    bool isOnScreen() const override { return m_record->onScreen; }
    double alpha() const override { return m_record->alphaAt(m_panels->m_queue.now()); }
    Rect frame() const override { return m_record->frameAt(m_panels->m_queue.now()); }

    void animate(const PanelAnimation& animation, std::function<void()> onComplete) override {
        const double now = m_panels->m_queue.now();
        const double duration =
            std::isfinite(animation.duration) && animation.duration > 0 ? animation.duration : 0.0;
        if (animation.alpha) {
            if (const auto target = sanitizedAlpha(*animation.alpha)) {
                // The new motion sets off from wherever the running one has got to.
                m_record->alphaMotion = {m_record->alphaAt(now), now, duration};
                m_record->alpha = *target;
            }
        }
        if (animation.frame && isUsableFrame(*animation.frame)) {
            m_record->frameMotion = {m_record->frameAt(now), now, duration};
            m_record->frame = *animation.frame;
        }
        std::erase_if(m_completions, [](const WorkItem& item) { return !item.isPending(); });
        if (!onComplete) return;
        // Even an instant change reports on a later turn of the queue, as the platform's animation
        // context does, so callers never re-enter themselves.
        m_completions.push_back(m_panels->m_queue.postAfter(duration, std::move(onComplete)));
    }

private:
    std::shared_ptr<SimPanels::Record> m_record;
    SimPanels* m_panels;
    std::vector<WorkItem> m_completions;
};

SimPanels::SimPanels(SimMainQueue& queue) : m_queue(queue) {}

std::unique_ptr<Panel> SimPanels::show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) {
    std::erase_if(m_records, [](const auto& r) { return !r->onScreen; });
    auto record = std::make_shared<Record>();
    record->content = std::move(content);
    record->frame = isUsableFrame(frame) ? frame : Rect();
    record->options = options;
    record->alpha = sanitizedAlpha(options.alpha).value_or(1.0);
    record->options.alpha = record->alpha;
    m_records.push_back(record);
    ++m_shownCount;
    if (onShow) onShow(*record);
    return std::make_unique<SimPanel>(record, *this);
}

void SimPanels::bringToFront(const std::shared_ptr<Record>& record) {
    std::erase(m_records, record);
    m_records.push_back(record);
    if (record->onScreen) return;
    record->onScreen = true;
    ++m_shownCount;
    if (onShow) onShow(*record);
}

std::vector<std::shared_ptr<const SimPanels::Record>> SimPanels::onScreen() const {
    std::vector<std::shared_ptr<const Record>> out;
    for (const auto& r : m_records)
        if (r->onScreen) out.push_back(r);
    return out;
}

std::shared_ptr<const SimPanels::Record> SimPanels::panelAt(Point point) const {
    const double now = m_queue.now();
    for (auto it = m_records.rbegin(); it != m_records.rend(); ++it) {
        const Record& r = **it;
        if (r.onScreen && !r.options.ignoresMouse && r.frameAt(now).contains(point)) return *it;
    }
    return nullptr;
}

Rect SimPanels::frameOf(const Record& record) const { return record.frameAt(m_queue.now()); }

double SimPanels::alphaOf(const Record& record) const { return record.alphaAt(m_queue.now()); }

}  // namespace tarnlet::sim
