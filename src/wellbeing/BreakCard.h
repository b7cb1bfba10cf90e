#pragma once
// The card in the middle of the break screen: the prompt's title and body, a divider, the
// minute:second countdown, the "Skip Break" and "Snooze 5m" pills and the Esc hint. The card is a
// model: it lays itself out from measured text once, keeps the countdown text and the pills'
// state, finds the pill under a point, and produces its drawing for a renderer.
//
//     BreakCard card(copy.title, copy.body, "00:00", measurer);
//     card.setCountdown("01:05");
//     drawing.append(card.drawing(), origin);
//
// Card coordinates are points with the origin at the bottom-left of the card, y up. Main thread
// only (it measures with the shared text measurer while it is laid out).

#include <string>
#include <vector>

#include "base/Drawing.h"

namespace tarnlet {

class TextMeasurer;

// A borderless push button drawn as a rounded pill: a white plate at alpha 0.12 (0.24 while the
// mouse holds it down) with its title centred in white. A disabled pill cannot be pressed; the card
// dims it through its alpha.
struct PillButton {
    static constexpr Font kFont{FontRole::system, 13, true};

    std::string title;
    Rect frame;  // in the card
    bool enabled = true;
    double alpha = 1;
    bool highlighted = false;
    double cornerRadius = 0;

    // The pill's operations in card coordinates; `textHeight` is the line height of its title.
    void draw(std::vector<DrawOp>& ops, double textHeight) const;
};

class BreakCard {
public:
    static constexpr double kWidth = 300;
    static constexpr double kTextX = 26;
    static constexpr double kTextWidth = 248;
    static constexpr double kCornerRadius = 20;
    static constexpr double kPillGap = 10;
    static constexpr Color kBackground = Color::rgb255(20, 20, 22, 0.92);

    static constexpr Font kTitleFont{FontRole::system, 19, true};
    static constexpr Font kBodyFont{FontRole::system, 12.5, false};
    static constexpr Font kHintFont{FontRole::system, 11, false};
    // Monospaced digits keep the countdown from shifting as it changes.
    static constexpr Font kCountdownFont{FontRole::monospacedDigit, 34, false};
    static constexpr double kBodyLineSpacing = 3;

    static constexpr const char* kSkipTitle = "Skip Break";
    static constexpr const char* kEndTitle = "End Break";
    static constexpr const char* kSnoozeTitle = "Snooze 5m";
    static constexpr const char* kHint = "Press Esc twice to skip";

    // Lays the card out for this prompt; the countdown text only sizes the countdown line.
    BreakCard(std::string title, std::string body, std::string countdown, TextMeasurer& measurer);

    Size size() const { return {kWidth, m_height}; }
    double height() const { return m_height; }

    // The heights the texts need, each rounded up to a whole point.
    double titleHeight() const { return m_titleFrame.height(); }
    double bodyHeight() const { return m_bodyFrame.height(); }
    double countdownHeight() const { return m_countdownFrame.height(); }
    double hintHeight() const { return m_hintFrame.height(); }
    double pillHeight() const { return m_skipButton.frame.height(); }

    const Rect& titleFrame() const { return m_titleFrame; }
    const Rect& bodyFrame() const { return m_bodyFrame; }
    const Rect& dividerFrame() const { return m_dividerFrame; }
    const Rect& countdownFrame() const { return m_countdownFrame; }
    const Rect& hintFrame() const { return m_hintFrame; }

    const std::string& title() const { return m_title; }
    const std::string& body() const { return m_body; }
    const std::string& countdown() const { return m_countdown; }
    void setCountdown(std::string text) { m_countdown = std::move(text); }

    PillButton& skipButton() { return m_skipButton; }
    const PillButton& skipButton() const { return m_skipButton; }
    PillButton& snoozeButton() { return m_snoozeButton; }
    const PillButton& snoozeButton() const { return m_snoozeButton; }

    // The card's drawing, its size that of the card.
    Drawing drawing() const;

private:
    std::string m_title;
    std::string m_body;
    std::string m_countdown;
    double m_height = 0;
    double m_pillTextHeight = 0;
    Rect m_titleFrame;
    Rect m_bodyFrame;
    Rect m_dividerFrame;
    Rect m_countdownFrame;
    Rect m_hintFrame;
    PillButton m_skipButton;
    PillButton m_snoozeButton;
};

}  // namespace tarnlet
