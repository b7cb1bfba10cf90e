#include "platform/linux/QtMainQueue.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

namespace tarnlet::linux_desktop {

QtMainQueue::QtMainQueue()
    : m_start(std::chrono::steady_clock::now()), m_context(std::make_unique<QObject>()), m_timer(std::make_unique<QTimer>()) {
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, m_context.get(), [this] { fire(); });
}

QtMainQueue::~QtMainQueue() {
    m_timer->stop();
    // Queued post() calls die with their context object.
}

void QtMainQueue::post(std::function<void()> work) {
    QMetaObject::invokeMethod(m_context.get(), [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

WorkItem QtMainQueue::postAfter(double seconds, std::function<void()> work) {
    if (!(seconds > 0)) seconds = 0;  // NaN and negative delays mean "now"
    return add(m_timed, now() + std::min(seconds, 1e9), std::move(work));
}

WorkItem QtMainQueue::postAtWallTime(double wallTime, std::function<void()> work) {
    if (std::isnan(wallTime)) wallTime = wallNow();
    return add(m_wall, wallTime, std::move(work));
}

WorkItem QtMainQueue::add(Table& table, double due, std::function<void()> work) {
    auto state = std::make_shared<WorkItem::State>();
    table.emplace(Key{due, m_sequence++}, Entry{state, std::move(work)});
    if (table.size() >= m_sweepAt) {
        sweep(table);
        m_sweepAt = std::max<std::size_t>(256, table.size() * 2);
    }
    arm();
    return WorkItem::makeForQueue(std::move(state));
}

void QtMainQueue::sweep(Table& table) {
    std::erase_if(table, [](const auto& item) { return item.second.state->cancelled; });
}

double QtMainQueue::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

double QtMainQueue::wallNow() const {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void QtMainQueue::recheckWallClock() {
    runDue(m_wall, wallNow());
    arm();
}

void QtMainQueue::arm() {
    if (m_firing) return;  // fire() arms once it is done
    while (!m_timed.empty() && m_timed.begin()->second.state->cancelled) m_timed.erase(m_timed.begin());
    while (!m_wall.empty() && m_wall.begin()->second.state->cancelled) m_wall.erase(m_wall.begin());
    double wait = -1;
    if (!m_timed.empty()) wait = m_timed.begin()->first.first - now();
    if (!m_wall.empty()) {
        const double wall = std::min(m_wall.begin()->first.first - wallNow(), kWallRecheckSeconds);
        wait = wait < 0 ? wall : std::min(wait, wall);
    }
    if (m_timed.empty() && m_wall.empty()) {
        m_timer->stop();
        return;
    }
    // Whole milliseconds, rounded up, so the timer never fires just before the work is due.
    m_timer->start(static_cast<int>(std::clamp(std::ceil(wait * 1000), 0.0, 2e9)));
}

void QtMainQueue::fire() {
    m_firing = true;
    runDue(m_timed, now());
    runDue(m_wall, wallNow());
    m_firing = false;
    arm();
}

void QtMainQueue::runDue(Table& table, double now) {
    // Work posted by the work that runs here waits for the next turn, even when already due.
    std::vector<Entry> due;
    while (!table.empty() && table.begin()->first.first <= now) {
        due.push_back(std::move(table.begin()->second));
        table.erase(table.begin());
    }
    for (Entry& entry : due) {
        if (entry.state->cancelled) continue;
        entry.state->done = true;
        entry.work();
    }
}

}  // namespace tarnlet::linux_desktop
