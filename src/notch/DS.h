#pragma once
// The design tokens of the notch: colours and fonts every bar shares.

#include "base/Drawing.h"

namespace tarnlet::DS {

inline constexpr Color hudBlack = Color::black();
inline constexpr Color text = Color::white(0.94);
inline constexpr Color textCaption = Color::white(0.62);
inline constexpr Color textSecondary = Color::white(0.56);
inline constexpr Color keycapFill = Color::rgb255(43, 45, 52);
inline constexpr Color accent = Color::rgb255(91, 99, 211);
inline constexpr Color warning = Color::rgb255(229, 72, 77);
// The system's green, for the charging battery and a running application's dot.
inline constexpr Color charging = Color::rgb255(52, 199, 89);

inline constexpr Font captionFont{FontRole::system, 11, false};
inline constexpr Font valueFont{FontRole::monospacedDigit, 14, true};
inline constexpr Font badgeFont{FontRole::monospaced, 8, true};
inline constexpr Font keycapFont{FontRole::monospaced, 11, true};
inline constexpr Font labelFont{FontRole::system, 12, false};

}  // namespace tarnlet::DS
