#include "notch/NotchBarView.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "notch/DS.h"
#include "notch/NotchGeometry.h"
#include "platform/TextMeasurer.h"

namespace tarnlet {

namespace {

constexpr double kOutlineRestingOpacity = 0.35;
constexpr double kOutlineSettleDuration = 0.4;  // after the sweep, to the resting opacity
constexpr double kOutlineBreathDuration = 0.9;  // one way of a breath

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
double easeOut(double t) { return 1 - (1 - t) * (1 - t); }
double easeInOut(double t) { return t < 0.5 ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t); }

// The opacity of a pulse highlight: key frames 0, 1, 1, 0 at 0, 12 %, 45 % and 100 % of its run.
double pulseOpacity(double fraction) {
    if (fraction <= 0 || fraction >= 1) return 0;
    if (fraction < 0.12) return fraction / 0.12;
    if (fraction < 0.45) return 1;
    return (1 - fraction) / 0.55;
}

void place(std::vector<DrawOp>& out, const std::vector<DrawOp>& ops, Point origin) {
    Drawing d;
    d.append(ops, origin);
    out.insert(out.end(), std::make_move_iterator(d.ops.begin()), std::make_move_iterator(d.ops.end()));
}

}  // namespace

double NotchBarView::springProgress(double t) {
    if (t <= 0) return 0;
    const double omega = std::sqrt(kSpringStiffness / kSpringMass);
    const double zeta = kSpringDamping / (2 * std::sqrt(kSpringStiffness * kSpringMass));
    const double omegaD = omega * std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-zeta * omega * t) * (std::cos(omegaD * t) + zeta * omega / omegaD * std::sin(omegaD * t));
}

double NotchBarView::springSettlingDuration() {
    // Until the swing stays within a thousandth of the distance travelled.
    const double omega = std::sqrt(kSpringStiffness / kSpringMass);
    const double zeta = kSpringDamping / (2 * std::sqrt(kSpringStiffness * kSpringMass));
    return std::log(1000 / std::sqrt(1 - zeta * zeta)) / (zeta * omega);
}

Color NotchBarView::legibleOutline(Color c) {
    const double luminance = 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue;
    if (luminance >= 0.25) return c;
    return {c.red + (1 - c.red) * 0.4, c.green + (1 - c.green) * 0.4, c.blue + (1 - c.blue) * 0.4, c.alpha};
}

NotchBarView::NotchBarView(NotchContent content, Size notchSize, double drop, TextMeasurer& measurer, MainQueue& queue,
                           bool physicalNotch)
    : m_content(std::move(content)), m_notchSize(notchSize), m_drop(drop), m_measurer(measurer), m_queue(queue),
      m_physicalNotch(physicalNotch) {
    layout();
    m_shape.to = notchPath();
    if (m_content.outlineColor) setAccentOutline(true, legibleOutline(*m_content.outlineColor), false);
}

NotchBarView::Element NotchBarView::textLabel(const std::string& text, const Font& font, Color color) {
    const Size s = m_measurer.measure(text, font);
    return {s, {draw::Text{text, font, color, Rect({0, 0}, s)}}};
}

NotchBarView::Element NotchBarView::keycap(const std::string& label) {
    const Size s = m_measurer.measure(label, DS::keycapFont);
    const double w = std::max(s.width + 10, 20.0), h = 20;
    Element e{{w, h}, {}};
    e.ops.push_back(draw::RoundedRect{Rect(0, 0, w, h), 5, DS::keycapFill, Color::white(0.14), 1});
    e.ops.push_back(draw::Text{label, DS::keycapFont, Color::white(), Rect((w - s.width) / 2, (h - s.height) / 2, s.width, s.height)});
    return e;
}

NotchBarView::Element NotchBarView::iconElement(const Item& item, Size box, Color tint) {
    Element e{box, {}};
    if (item.closedEye) {
        const double w = box.width * 0.86;
        e.ops.push_back(draw::RoundedRect{Rect((box.width - w) / 2, box.height / 2 - 1, w, 2), 1, tint, std::nullopt, 0});
    } else if (item.icon && item.icon->isSymbol()) {
        e.ops.push_back(draw::Symbol{item.icon->name, Rect({0, 0}, box), tint});
    } else if (item.icon) {
        // A picture of our own (the battery glyph): scaled to fit the box, centred.
        const Drawing& picture = *item.icon->drawing;
        const double scale = picture.size.width > 0 && picture.size.height > 0
                                 ? std::min(box.width / picture.size.width, box.height / picture.size.height)
                                 : 1;
        Drawing d;
        d.append(picture, {(box.width - picture.size.width * scale) / 2, (box.height - picture.size.height * scale) / 2},
                 scale);
        e.ops = std::move(d.ops);
    }
    return e;
}

NotchBarView::Element NotchBarView::badgedIcon(const Item& item) {
    // A wide picture that is not a symbol (the battery) sits in a lower box.
    double height = 24;
    if (item.icon && !item.icon->isSymbol() && item.icon->drawing->size.width > 1.2 * item.icon->drawing->size.height)
        height = 17;
    Element e = iconElement(item, {24, height}, Color::white());
    const std::string& letter = *item.badge;
    const Size s = m_measurer.measure(letter, DS::badgeFont);
    const double bw = std::max(s.width + 4, 13.0), bh = 13;
    e.ops.push_back(draw::RoundedRect{Rect(-3, -3, bw, bh), 4, DS::keycapFill, Color::black(), 1.5});
    e.ops.push_back(draw::Text{letter, DS::badgeFont, Color::white(), Rect(-3 + (bw - s.width) / 2, -3 + (bh - s.height) / 2, s.width, s.height)});
    if (item.running)
        e.ops.push_back(draw::RoundedRect{Rect(19, height - 5, 6, 6), 3, DS::charging, DS::hudBlack, 1});
    return e;
}

NotchBarView::Element NotchBarView::titledKeycap(const Item& item) {
    Element cap = keycap(*item.badge);
    Element label = textLabel(*item.text, DS::captionFont, Color::white());
    const double h = 24;
    const double w = 2 + cap.size.width + 6 + label.size.width + 8;
    Element e{{w, h}, {}};
    e.ops.push_back(draw::RoundedRect{Rect(0, 0, w, h), 7, Color::white(0.08), std::nullopt, 0});
    place(e.ops, cap.ops, {2, (h - cap.size.height) / 2});
    place(e.ops, label.ops, {2 + cap.size.width + 6, (h - label.size.height) / 2});
    return e;
}

NotchBarView::Element NotchBarView::row(const Item& item) {
    std::vector<Element> parts;
    const bool leadingText = item.textLeading && item.text;
    Color tint = Color::white();
    if (item.warning) tint = DS::warning;
    else if (item.dimmed) tint = Color::white(0.45);
    else if (leadingText) tint = Color::white(0.75);

    std::optional<Element> text;
    if (item.text) {
        const Color color = item.warning ? DS::warning : item.dimmed ? DS::textSecondary : Color::white();
        text = textLabel(*item.text, item.dimmed ? DS::labelFont : DS::valueFont, color);
    }
    if (item.textLeading && text) parts.push_back(*text);
    if (item.accentDot) parts.push_back({{6, 6}, {draw::RoundedRect{Rect(0, 0, 6, 6), 3, DS::accent, std::nullopt, 0}}});
    if (item.icon || item.closedEye) {
        const double box = leadingText ? 14 : 24;
        parts.push_back(iconElement(item, {box, box}, tint));
    }
    if (!item.textLeading && text) parts.push_back(*text);

    const double spacing = item.textLeading ? 4 : 6;
    double width = 0, height = 0;
    for (const auto& p : parts) {
        width += p.size.width;
        height = std::max(height, p.size.height);
    }
    if (!parts.empty()) width += spacing * static_cast<double>(parts.size() - 1);
    Element e{{width, height}, {}};
    double x = 0;
    for (const auto& p : parts) {
        place(e.ops, p.ops, {x, (height - p.size.height) / 2});
        x += p.size.width + spacing;
    }
    return e;
}

NotchBarView::Element NotchBarView::wave() {
    // The audio-level view: four bars, animated by the now-playing view as the music plays.
    Element e{{18, 14}, {}};
    const double heights[] = {6, 12, 9, 14};
    for (int i = 0; i < 4; ++i)
        e.ops.push_back(draw::RoundedRect{Rect(i * 5.0, (14 - heights[i]) / 2, 3, heights[i]), 1.5, Color::white(), std::nullopt, 0});
    return e;
}

NotchBarView::Element NotchBarView::layoutItem(const Item& item) {
    if (item.wave) return wave();
    if (item.icon && item.badge) return badgedIcon(item);
    if (!item.icon && item.badge && item.text) return titledKeycap(item);
    if (!item.icon && item.badge) return keycap(*item.badge);
    if (!item.icon && !item.badge && item.text && !item.value && !item.dimmed) return keycap(*item.text);
    return row(item);
}

std::vector<NotchBarView::Placed> NotchBarView::layoutSide(const std::vector<Item>& items, double& width, double& height) {
    std::vector<Element> elements;
    for (const auto& item : items) elements.push_back(layoutItem(item));
    width = height = 0;
    for (const auto& e : elements) {
        width += e.size.width;
        height = std::max(height, e.size.height);
    }
    if (!elements.empty()) width += kItemSpacing * static_cast<double>(elements.size() - 1);
    std::vector<Placed> placed;
    double x = 0;
    for (auto& e : elements) {
        placed.push_back({Rect(x, (height - e.size.height) / 2, e.size.width, e.size.height), std::move(e.ops)});
        x += e.size.width + kItemSpacing;
    }
    return placed;
}

void NotchBarView::layout() {
    double leftHeight = 0, rightHeight = 0;
    m_left = layoutSide(m_content.left, m_leftWidth, leftHeight);
    m_right = layoutSide(m_content.right, m_rightWidth, rightHeight);

    std::optional<Size> captionSize;
    if (m_content.caption) {
        captionSize = m_measurer.measure(*m_content.caption, DS::captionFont);
        const double overhang = std::max(0.0, (captionSize->width - m_notchSize.width) / 2);
        m_captionLeftOverhang = std::max(0.0, overhang - m_leftWidth);
        m_captionRightOverhang = std::max(0.0, overhang - m_rightWidth);
    }
    m_size = {kSideInset + m_captionLeftOverhang + m_leftWidth + m_notchSize.width + m_rightWidth +
                  m_captionRightOverhang + kSideInset,
              m_notchSize.height + m_drop};

    // Both stacks are centred on the full bar height; frames move from stack to bar coordinates.
    const double leftX = kSideInset + m_captionLeftOverhang;
    const double rightX = leftX + m_leftWidth + m_notchSize.width;
    auto settle = [&](std::vector<Placed>& side, const std::vector<Item>& items, double x0, double sideHeight) {
        const double y0 = (m_size.height - sideHeight) / 2;
        for (std::size_t i = 0; i < side.size(); ++i) {
            side[i].frame = side[i].frame.offsetBy(x0, y0);
            if (auto key = items[i].effectivePulseKey()) m_itemViews[*key] = side[i].frame;
        }
    };
    settle(m_left, m_content.left, leftX, leftHeight);
    settle(m_right, m_content.right, rightX, rightHeight);

    if (m_content.caption) setCaption(m_content.caption);
}

void NotchBarView::setCaption(std::optional<std::string> caption) {
    m_content.caption = caption;
    if (!caption) {
        m_caption.reset();
        changed();
        return;
    }
    const Size s = m_measurer.measure(*caption, DS::captionFont);
    const FontMetrics metrics = m_measurer.metrics(DS::captionFont);
    // The middle of the capital letters sits half the drop above the bottom edge.
    const double baseline = m_drop / 2 - metrics.capHeight / 2;
    const double top = baseline + metrics.ascent;
    const double x = kSideInset + m_captionLeftOverhang + m_leftWidth + (m_notchSize.width - s.width) / 2;
    m_caption = draw::Text{*caption, DS::captionFont, DS::textCaption, Rect(x, top - s.height, s.width, s.height)};
    changed();
}

std::optional<Rect> NotchBarView::captionFrame() const {
    if (!m_caption) return std::nullopt;
    return m_caption->frame;
}

Rect NotchBarView::frameOnScreen(const Rect& notch) const {
    return {notch.minX() - m_leftWidth - kSideInset - m_captionLeftOverhang, notch.minY() - m_drop, m_size.width,
            m_size.height};
}

Path NotchBarView::notchPath() const {
    const double x = kSideInset + m_captionLeftOverhang + m_leftWidth;
    // Out of a real camera housing the bar grows from the housing; elsewhere from a line at the top.
    const double height = m_physicalNotch ? m_notchSize.height : 0;
    return NotchGeometry::shelfPath(Rect(x, m_size.height - height, m_notchSize.width, height), kNotchRadius);
}

Path NotchBarView::finalPath() const { return NotchGeometry::shelfPath(Rect({0, 0}, m_size), kBarRadius); }

void NotchBarView::animateIn() {
    const double now = m_queue.now();
    m_closing = false;
    m_shape = {notchPath(), finalPath(), now, springSettlingDuration(), true};
    m_fade = {0, 1, now, kFadeInDuration};
    changed();
}

void NotchBarView::animateOut(std::function<void()> completion) {
    const double now = m_queue.now();
    const Drawing current = drawingAt(now);
    Path from = finalPath();
    double alpha = 1;
    for (const auto& op : current.ops) {
        if (auto fill = std::get_if<draw::FillPath>(&op)) from = fill->path;
        if (auto state = std::get_if<draw::PushState>(&op)) alpha = state->alpha;
    }
    m_closing = true;
    m_shape = {from, notchPath(), now, kCloseDuration, false};
    m_fade = {alpha, 0, now, kFadeOutDuration};
    changed();
    m_timers.push_back(m_queue.postAfter(kCloseDuration, m_weak.bind([completion = std::move(completion)] {
        if (completion) completion();
    })));
}

void NotchBarView::showStatic() {
    m_closing = false;
    m_shape = {finalPath(), finalPath(), m_queue.now(), 0, false};
    m_fade = {1, 1, m_queue.now(), 0};
    changed();
}

bool NotchBarView::isShown() const { return !m_closing && m_fade.to == 1; }

void NotchBarView::pulse(const std::string& key) {
    const auto it = m_itemViews.find(key);
    if (it == m_itemViews.end()) return;
    m_pulses.push_back({it->second.insetBy(-3, -3), m_queue.now()});
    changed();
    m_timers.push_back(m_queue.postAfter(kPulseDuration, m_weak.bind([this] {
        if (!m_pulses.empty()) m_pulses.erase(m_pulses.begin());
    })));
}

void NotchBarView::setAccentOutline(bool on, Color color, bool breathing) {
    if (!on) {
        if (m_outline.empty()) return;
        m_outline.clear();
        changed();
        return;
    }
    if (!m_outline.empty()) return;
    const auto paths = NotchGeometry::shelfStrokePaths(m_size, 1, kBarRadius);
    m_outline.push_back({paths.left, color, m_queue.now(), breathing});
    m_outline.push_back({paths.right, color, m_queue.now(), breathing});
    changed();
}

double NotchBarView::animatedUntil() const {
    double until = std::max(m_shape.start + m_shape.duration, m_fade.start + m_fade.duration);
    for (const Pulse& pulse : m_pulses) until = std::max(until, pulse.start + kPulseDuration);
    for (const Outline& outline : m_outline)
        until = std::max(until, outline.breathing ? std::numeric_limits<double>::infinity()
                                                  : outline.start + kSweepDuration + kOutlineSettleDuration);
    return until;
}

Drawing NotchBarView::drawing() const { return drawingAt(m_queue.now()); }

Drawing NotchBarView::drawingAt(double time) const {
    Drawing d;
    d.size = m_size;

    Path shape = m_shape.to;
    if (m_shape.duration > 0) {
        const double t = time - m_shape.start;
        const double progress = m_shape.spring ? (t >= m_shape.duration ? 1.0 : springProgress(t))
                                               : easeOut(clamp01(t / m_shape.duration));
        shape = m_shape.from.interpolated(m_shape.to, progress);
    }
    double alpha = m_fade.to;
    if (m_fade.duration > 0) alpha = m_fade.from + (m_fade.to - m_fade.from) * clamp01((time - m_fade.start) / m_fade.duration);

    d.ops.push_back(draw::FillPath{shape, DS::hudBlack});
    d.ops.push_back(draw::PushState{alpha, shape});
    for (const auto& pulse : m_pulses) {
        const double opacity = pulseOpacity((time - pulse.start) / kPulseDuration);
        if (opacity > 0) d.ops.push_back(draw::RoundedRect{pulse.frame, 6, DS::accent.withAlpha(0.5 * opacity), std::nullopt, 0});
    }
    for (const auto* side : {&m_left, &m_right})
        for (const auto& item : *side) d.append(item.ops, item.frame.origin);
    if (m_caption) d.ops.push_back(*m_caption);
    d.ops.push_back(draw::PopState{});

    for (const auto& outline : m_outline) {
        const double t = time - outline.start;
        const double end = easeOut(clamp01(t / kSweepDuration));
        double opacity = 1;
        const double settle = t - kSweepDuration;
        if (settle > 0) {
            const double duration = outline.breathing ? kOutlineBreathDuration : kOutlineSettleDuration;
            double f = settle / duration;
            if (outline.breathing) {
                // Breathing runs back and forth for as long as the outline stays.
                const double cycle = std::fmod(f, 2.0);
                f = easeInOut(cycle <= 1 ? cycle : 2 - cycle);
            } else {
                f = clamp01(f);
            }
            opacity = 1 + (kOutlineRestingOpacity - 1) * f;
        }
        d.ops.push_back(draw::StrokePath{outline.path, outline.color.withAlpha(outline.color.alpha * opacity), 2, end});
    }
    return d;
}

}  // namespace tarnlet
