#pragma once
// The simulated window server's floating panels: what is on screen, with its frame, opacity, level
// and content, back to front. Animations run on the virtual clock: a panel's opacity and frame are
// worked out from the clock whenever they are read, so advancing time is all a test does to see an
// animation half-way or done. Main thread only.

#include <functional>
#include <memory>
#include <vector>

#include "platform/Panels.h"

namespace tarnlet::sim {

class SimMainQueue;

class SimPanels : public Panels {
public:
    // A value on its way from `from` to the record's target, from `start` for `duration` seconds.
    template <class T>
    struct Motion {
        T from{};
        double start = 0;
        double duration = 0;
    };

    struct Record {
        std::shared_ptr<PanelContent> content;
        Rect frame;  // where the panel stands once a running frame animation is over
        PanelOptions options;
        bool onScreen = true;
        double alpha = 1;  // the opacity once a running opacity animation is over
        Motion<Rect> frameMotion;
        Motion<double> alphaMotion;

        // The values on screen at virtual time `now`.
        Rect frameAt(double now) const;
        double alphaAt(double now) const;
    };

    explicit SimPanels(SimMainQueue& queue);

    std::unique_ptr<Panel> show(std::shared_ptr<PanelContent> content, Rect frame, const PanelOptions& options) override;

    // The panels on screen now, back to front (a panel brought to the front moves to the end).
    std::vector<std::shared_ptr<const Record>> onScreen() const;
    // The frontmost panel on screen that takes the mouse and contains the point; null when the
    // point is over none of them.
    std::shared_ptr<const Record> panelAt(Point point) const;
    // How many times a panel came on screen: shown, or brought back after it was taken off.
    std::size_t shownCount() const { return m_shownCount; }

    // The values on screen now.
    Rect frameOf(const Record& record) const;
    double alphaOf(const Record& record) const;

    // A panel comes on screen: shown, or brought back by orderFront() after it was taken off.
    std::function<void(const Record&)> onShow;
    std::function<void(const Record&)> onRemove;

private:
    friend class SimPanel;
    void bringToFront(const std::shared_ptr<Record>& record);

    SimMainQueue& m_queue;
    std::vector<std::shared_ptr<Record>> m_records;  // back to front
    std::size_t m_shownCount = 0;
};

}  // namespace tarnlet::sim
