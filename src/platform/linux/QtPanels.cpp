#include "platform/linux/QtPanels.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <xcb/xcb.h>

#include "platform/MainQueue.h"
#include "platform/SystemLog.h"
#include "platform/linux/PanelWindow.h"
#include "platform/linux/QtScreens.h"

namespace tarnlet::linux_desktop {

namespace {

// Far beyond any screen arrangement, yet safe to round into X11's integers.
constexpr double kLargestCoordinate = 1e6;

// An opacity outside 0…1 is pinned to the range; a nonsense one leaves the panel as it was.
std::optional<double> sanitizedAlpha(double alpha) {
    if (std::isnan(alpha)) return std::nullopt;
    return std::clamp(alpha, 0.0, 1.0);
}

bool isUsableFrame(const Rect& r) {
    for (const double v : {r.minX(), r.minY(), r.width(), r.height()})
        if (!std::isfinite(v) || std::abs(v) > kLargestCoordinate) return false;
    return r.width() >= 0 && r.height() >= 0;
}

double lerp(double from, double to, double t) { return from + (to - from) * t; }

// How far a motion has come at `now`, from 0 to 1; 1 once its time is up.
double progress(double start, double duration, double now) {
    if (!(duration > 0) || now >= start + duration) return 1;
    if (now <= start) return 0;
    return (now - start) / duration;
}

template <class T>
struct Motion {
    T from{};
    double start = 0;
    double duration = 0;
    bool runsAt(double now) const { return duration > 0 && now < start + duration; }
};

}  // namespace

class QtPanel final : public Panel {
public:
    QtPanel(QtPanels& owner, std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options)
        : m_owner(owner),
          m_window(std::make_unique<PanelWindow>(options.ignoresMouse)),
          m_level(options.level),
          m_frontOrder(owner.nextFrontOrder()),
          m_frame(isUsableFrame(frame) ? frame : Rect()),
          m_alpha(sanitizedAlpha(options.alpha).value_or(1.0)) {
        setContent(std::move(content));
        tick();
    }

    ~QtPanel() override {
        if (m_content) m_content->onChange = nullptr;
        m_owner.forget(this);
        m_window->hide();
    }

    void replace(std::shared_ptr<PanelContent> content, Rect frame) override {
        setContent(std::move(content));
        if (isUsableFrame(frame)) {
            m_frame = frame;
            m_frameMotion = {};
        }
        tick();
    }

    void remove() override {
        m_onScreen = false;
        apply();
    }

    void orderFront() override {
        m_onScreen = true;
        m_frontOrder = m_owner.nextFrontOrder();
        apply();
        m_owner.restack();
    }

    bool isOnScreen() const override { return m_onScreen; }

    double alpha() const override {
        const double t = progress(m_alphaMotion.start, m_alphaMotion.duration, now());
        return t >= 1 ? m_alpha : lerp(m_alphaMotion.from, m_alpha, t);
    }

    Rect frame() const override {
        const double t = progress(m_frameMotion.start, m_frameMotion.duration, now());
        if (t >= 1) return m_frame;
        const Rect& a = m_frameMotion.from;
        return Rect(lerp(a.minX(), m_frame.minX(), t), lerp(a.minY(), m_frame.minY(), t),
                    lerp(a.width(), m_frame.width(), t), lerp(a.height(), m_frame.height(), t));
    }

    void animate(const PanelAnimation& animation, std::function<void()> onComplete) override {
        const double start = now();
        const double duration = std::isfinite(animation.duration) && animation.duration > 0 ? animation.duration : 0.0;
        if (animation.alpha) {
            if (const auto target = sanitizedAlpha(*animation.alpha)) {
                // The new motion sets off from wherever the running one has got to.
                m_alphaMotion = {alpha(), start, duration};
                m_alpha = *target;
            }
        }
        if (animation.frame && isUsableFrame(*animation.frame)) {
            m_frameMotion = {frame(), start, duration};
            m_frame = *animation.frame;
        }
        tick();
        std::erase_if(m_completions, [](const WorkItem& item) { return !item.isPending(); });
        if (!onComplete) return;
        // Even an instant change reports on a later turn of the queue, so callers never re-enter
        // themselves; the screen shows the final values before the completion hears of them.
        m_completions.push_back(m_owner.m_queue.postAfter(duration, [this, onComplete = std::move(onComplete)] {
            apply();
            onComplete();
        }));
    }

    int level() const { return m_level; }
    std::uint64_t frontOrder() const { return m_frontOrder; }
    bool isMapped() const { return m_window->isVisible(); }
    PanelWindow& window() { return *m_window; }

private:
    double now() const { return m_owner.m_queue.now(); }

    // The window draws only when told: content that changes says so, and is redrawn on every tick
    // for as long as its own animation runs.
    void setContent(std::shared_ptr<PanelContent> content) {
        if (m_content) m_content->onChange = nullptr;
        m_content = std::move(content);
        if (m_content) m_content->onChange = [this] {
            m_window->update();
            tick();
        };
        m_window->setContent(m_content);
    }

    // Puts the values of this moment on screen, and keeps ticking while an animation runs.
    void tick() {
        apply();
        const double at = now();
        const bool drawingMoves = m_onScreen && m_content && m_content->animatedUntil() > at;
        if (drawingMoves) m_window->update();
        if (drawingMoves || m_alphaMotion.runsAt(at) || m_frameMotion.runsAt(at)) {
            if (!m_tick.isPending()) m_tick = m_owner.m_queue.postAfter(QtPanels::kFrameInterval, [this] { tick(); });
        } else {
            m_tick.cancel();
        }
    }

    void apply() {
        const QRect geometry = QtScreens::toX11(frame());
        m_window->setWindowOpacity(alpha());
        // X11 has no window without area: a panel shrunk to nothing is unmapped until it grows.
        const bool visible = m_onScreen && geometry.width() >= 1 && geometry.height() >= 1;
        if (geometry.isValid() && geometry != m_window->geometry()) m_window->setGeometry(geometry);
        if (visible && !m_window->isVisible()) {
            m_owner.noteCompositor();
            m_window->showPanel();
            m_owner.restack();
        } else if (!visible && m_window->isVisible()) {
            m_window->hide();
        }
    }

    QtPanels& m_owner;
    std::unique_ptr<PanelWindow> m_window;
    std::shared_ptr<PanelContent> m_content;
    int m_level;
    std::uint64_t m_frontOrder;
    Rect m_frame;   // where the panel stands once a running frame animation is over
    double m_alpha; // the opacity once a running opacity animation is over
    Motion<Rect> m_frameMotion;
    Motion<double> m_alphaMotion;
    bool m_onScreen = true;
    WorkItem m_tick;
    std::vector<WorkItem> m_completions;
};

QtPanels::QtPanels(MainQueue& queue, SystemLog& log) : m_queue(queue), m_log(log) {}

QtPanels::~QtPanels() = default;

std::unique_ptr<Panel> QtPanels::show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) {
    auto panel = std::make_unique<QtPanel>(*this, std::move(content), frame, options);
    m_panels.push_back(panel.get());
    restack();
    return panel;
}

void QtPanels::forget(const QtPanel* panel) { std::erase(m_panels, panel); }

void QtPanels::restack() {
    std::vector<QtPanel*> mapped;
    for (QtPanel* panel : m_panels)
        if (panel->isMapped()) mapped.push_back(panel);
    std::sort(mapped.begin(), mapped.end(), [](const QtPanel* a, const QtPanel* b) {
        return a->level() != b->level() ? a->level() < b->level() : a->frontOrder() < b->frontOrder();
    });
    for (QtPanel* panel : mapped) panel->window().raise();
}

void QtPanels::noteCompositor() {
    if (m_compositorChecked) return;
    m_compositorChecked = true;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    // A compositing manager owns the selection _NET_WM_CM_S<screen> (EWMH); our windows live on the
    // display's first screen.
    const std::string name = "_NET_WM_CM_S0";
    auto cookie = xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.c_str());
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(connection, cookie, nullptr);
    xcb_window_t owner = XCB_NONE;
    if (atom && atom->atom != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        if (reply) owner = reply->owner;
        std::free(reply);
    }
    std::free(atom);
    if (owner == XCB_NONE)
        m_log.info("No compositing manager is running: panels show without translucency or fading");
}

}  // namespace tarnlet::linux_desktop
