#pragma once
// The bar drawn at the notch: a black shape with square top corners and rounded bottom corners that
// grows out of the notch, with rows of items left and right of it and a caption under it. The view
// is a model: it lays its content out at construction (text measured by the real measurer), keeps
// its animations as data on the main queue's clock, and produces the drawing of any moment, which
// a panel shows and a renderer turns into pixels. Completions of animations run on the main queue
// when the animation ends. Main thread only.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/Drawing.h"
#include "base/WeakToken.h"
#include "notch/NotchContent.h"
#include "platform/MainQueue.h"
#include "platform/Panels.h"

namespace tarnlet {

class TextMeasurer;

class NotchBarView : public PanelContent {
public:
    using Item = NotchBarItem;

    static constexpr double kDrop = 14;
    static constexpr double kSideInset = 14;
    static constexpr double kItemSpacing = 11;
    static constexpr double kNotchRadius = 10;
    static constexpr double kBarRadius = 16;
    static constexpr double kFadeInDuration = 0.12;
    static constexpr double kFadeOutDuration = 0.15;
    static constexpr double kCloseDuration = 0.17;
    static constexpr double kPulseDuration = 0.5;
    static constexpr double kSpringMass = 1, kSpringStiffness = 430, kSpringDamping = 26;
    static constexpr double kSweepDuration = 0.35;

    // The time the spring of animateIn takes to settle.
    static double springSettlingDuration();
    // The spring's progress (0 at the start, 1 at rest) at time t.
    static double springProgress(double t);
    // The colour an accent outline is drawn in: dark colours are lifted 40 % toward white.
    static Color legibleOutline(Color color);

    NotchBarView(NotchContent content, Size notchSize, double drop, TextMeasurer& measurer, MainQueue& queue,
                 bool physicalNotch);

    const NotchContent& content() const { return m_content; }
    Size notchSize() const { return m_notchSize; }
    double drop() const { return m_drop; }
    Size size() const { return m_size; }
    double leftContentWidth() const { return m_leftWidth; }
    double rightContentWidth() const { return m_rightWidth; }
    double captionLeftOverhang() const { return m_captionLeftOverhang; }
    double captionRightOverhang() const { return m_captionRightOverhang; }
    // The frame of the bar on screen for a notch rectangle (global, upward y).
    Rect frameOnScreen(const Rect& notch) const;
    // Item frames by pulse key, in bar coordinates.
    const std::map<std::string, Rect>& itemViews() const { return m_itemViews; }
    std::optional<Rect> captionFrame() const;

    void animateIn();
    void animateOut(std::function<void()> completion);
    void showStatic();
    void pulse(const std::string& key);
    void setCaption(std::optional<std::string> caption);
    void setAccentOutline(bool on, Color color, bool breathing);

    // Whether the content shows (faded in or static, not closing).
    bool isShown() const;
    bool hasOutline() const { return !m_outline.empty(); }
    bool isPulsing() const { return m_pulses.size() > 0; }

    // The bar as it looks now, and at any moment on the queue's clock.
    Drawing drawing() const override;
    double animatedUntil() const override;
    Drawing drawingAt(double time) const;

private:
    struct Element {
        Size size;
        std::vector<DrawOp> ops;  // in the element's own coordinates
    };
    struct Placed {
        Rect frame;
        std::vector<DrawOp> ops;
    };
    struct ShapeAnimation {
        Path from;
        Path to;
        double start = 0;
        double duration = 0;
        bool spring = false;
    };
    struct Fade {
        double from = 0;
        double to = 0;
        double start = 0;
        double duration = 0;
    };
    struct Pulse {
        Rect frame;
        double start;
    };
    struct Outline {
        Path path;
        Color color;
        double start;
        bool breathing;
    };

    Element layoutItem(const Item& item);
    Element keycap(const std::string& label);
    Element textLabel(const std::string& text, const Font& font, Color color);
    Element iconElement(const Item& item, Size box, Color tint);
    Element badgedIcon(const Item& item);
    Element titledKeycap(const Item& item);
    Element row(const Item& item);
    Element wave();
    std::vector<Placed> layoutSide(const std::vector<Item>& items, double& width, double& height);
    void layout();
    Path notchPath() const;
    Path finalPath() const;

    NotchContent m_content;
    Size m_notchSize;
    double m_drop;
    TextMeasurer& m_measurer;
    MainQueue& m_queue;
    bool m_physicalNotch;

    Size m_size;
    double m_leftWidth = 0, m_rightWidth = 0;
    double m_captionLeftOverhang = 0, m_captionRightOverhang = 0;
    std::vector<Placed> m_left, m_right;
    std::optional<draw::Text> m_caption;
    std::map<std::string, Rect> m_itemViews;

    ShapeAnimation m_shape;
    Fade m_fade;
    bool m_closing = false;
    std::vector<Pulse> m_pulses;
    std::vector<Outline> m_outline;
    std::vector<WorkItem> m_timers;
    WeakFactory m_weak;
};

}  // namespace tarnlet
