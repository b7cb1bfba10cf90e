#include "wellbeing/BreakCard.h"

#include <algorithm>
#include <cmath>

#include "platform/TextMeasurer.h"

namespace tarnlet {

namespace {

// Space around the pill titles: the title's line plus this much in height, its width plus this
// much in width.
constexpr double kPillPaddingHeight = 18;
constexpr double kPillPaddingWidth = 44;

draw::Text label(const std::string& text, const Font& font, Color color, const Rect& frame, bool wraps,
                 double lineSpacing = 0) {
    draw::Text op{text, font, color, frame};
    op.wraps = wraps;
    op.alignment = TextAlignment::center;
    op.lineSpacing = lineSpacing;
    return op;
}

}  // namespace

void PillButton::draw(std::vector<DrawOp>& ops, double textHeight) const {
    // The plate and the title never overlap anything else of the pill, so the pill's alpha can
    // go into their colours directly.
    const double plate = highlighted ? 0.24 : 0.12;
    ops.push_back(draw::RoundedRect{frame, cornerRadius, Color::white(plate * alpha), std::nullopt, 0});
    const Rect textFrame(frame.minX(), frame.minY() + (frame.height() - textHeight) / 2, frame.width(), textHeight);
    draw::Text text{title, kFont, Color::white(alpha), textFrame};
    text.alignment = TextAlignment::center;
    ops.push_back(std::move(text));
}

BreakCard::BreakCard(std::string title, std::string body, std::string countdown, TextMeasurer& measurer)
    : m_title(std::move(title)), m_body(std::move(body)), m_countdown(std::move(countdown)) {
    // Each label needs the height of its wrapped lines within the text width, rounded up to a whole
    // point so that every frame sits on the point grid.
    const double titleH = std::ceil(measurer.measureWrapped(m_title, kTitleFont, kTextWidth, 0).height);
    const double bodyH = std::ceil(measurer.measureWrapped(m_body, kBodyFont, kTextWidth, kBodyLineSpacing).height);
    const double countdownH = std::ceil(measurer.measure(m_countdown, kCountdownFont).height);
    const double hintH = std::ceil(measurer.measureWrapped(kHint, kHintFont, kTextWidth, 0).height);

    // The skip pill is as wide as its wider title, so that it keeps its size when it turns into
    // "End Break" near the end.
    const Size skip = measurer.measure(kSkipTitle, PillButton::kFont);
    const Size end = measurer.measure(kEndTitle, PillButton::kFont);
    const Size snooze = measurer.measure(kSnoozeTitle, PillButton::kFont);
    m_pillTextHeight = std::max({skip.height, end.height, snooze.height});
    const double pillH = std::ceil(m_pillTextHeight) + kPillPaddingHeight;
    const double skipW = std::ceil(std::max(skip.width, end.width)) + kPillPaddingWidth;
    const double snoozeW = std::ceil(snooze.width) + kPillPaddingWidth;

    const double h = 30 + titleH + 9 + bodyH + 16 + 1 + 16 + countdownH + 20 + pillH + 12 + hintH + 30;
    m_height = h;

    m_titleFrame = Rect(kTextX, h - 30 - titleH, kTextWidth, titleH);
    const double yBody = h - 30 - titleH - 9 - bodyH;
    m_bodyFrame = Rect(kTextX, yBody, kTextWidth, bodyH);
    m_dividerFrame = Rect(130, yBody - 17, 40, 1);
    const double yCount = yBody - 33 - countdownH;
    m_countdownFrame = Rect(kTextX, yCount, kTextWidth, countdownH);

    const double yPills = yCount - 20 - pillH;
    const double x0 = (kWidth - (skipW + kPillGap + snoozeW)) / 2;
    m_skipButton.title = kSkipTitle;
    m_skipButton.frame = Rect(x0, yPills, skipW, pillH);
    m_skipButton.cornerRadius = pillH / 2;
    m_snoozeButton.title = kSnoozeTitle;
    m_snoozeButton.frame = Rect(x0 + skipW + kPillGap, yPills, snoozeW, pillH);
    m_snoozeButton.cornerRadius = pillH / 2;

    m_hintFrame = Rect(kTextX, yPills - 12 - hintH, kTextWidth, hintH);
}

Drawing BreakCard::drawing() const {
    Drawing d;
    d.size = size();
    d.ops.push_back(draw::RoundedRect{Rect(0, 0, kWidth, m_height), kCornerRadius, kBackground, std::nullopt, 0});
    d.ops.push_back(label(m_title, kTitleFont, Color::white(), m_titleFrame, true));
    d.ops.push_back(label(m_body, kBodyFont, Color::white(0.6), m_bodyFrame, true, kBodyLineSpacing));
    d.ops.push_back(draw::RoundedRect{m_dividerFrame, 0, Color::white(0.2), std::nullopt, 0});
    d.ops.push_back(label(m_countdown, kCountdownFont, Color::white(), m_countdownFrame, false));
    m_skipButton.draw(d.ops, m_pillTextHeight);
    m_snoozeButton.draw(d.ops, m_pillTextHeight);
    d.ops.push_back(label(kHint, kHintFont, Color::white(0.4), m_hintFrame, true));
    return d;
}

}  // namespace tarnlet
