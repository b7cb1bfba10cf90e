#pragma once
// A drawing as plain data: the display list a view model produces for one frame and a renderer
// turns into pixels. Coordinates are points in an upward y system with the origin at the bottom
// left of the drawing; colours are sRGB with alpha, each component 0 to 1.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/Geometry.h"
#include "base/Path.h"

namespace tarnlet {

struct Color {
    double red = 0, green = 0, blue = 0, alpha = 1;
    static constexpr Color rgb255(int r, int g, int b, double a = 1) { return {r / 255.0, g / 255.0, b / 255.0, a}; }
    static constexpr Color white(double alpha = 1) { return {1, 1, 1, alpha}; }
    static constexpr Color black(double alpha = 1) { return {0, 0, 0, alpha}; }
    Color withAlpha(double a) const { return {red, green, blue, a}; }
    friend bool operator==(const Color&, const Color&) = default;
};

// The three type roles of the interface: the system face, a monospaced face, and the system face
// with tabular (monospaced) digits.
enum class FontRole { system, monospaced, monospacedDigit };

struct Font {
    FontRole role = FontRole::system;
    double size = 12;
    bool semibold = false;
    friend bool operator==(const Font&, const Font&) = default;
};

// How the lines of a text sit in its frame's width.
enum class TextAlignment { leading, center };

namespace draw {

struct FillPath {
    Path path;
    Color color;
};
// Butt caps; only the part of the path up to `strokeEnd` (0 to 1 of its length) is drawn.
struct StrokePath {
    Path path;
    Color color;
    double lineWidth = 1;
    double strokeEnd = 1;
};
struct RoundedRect {
    Rect rect;
    double radius = 0;
    std::optional<Color> fill;
    std::optional<Color> border;
    double borderWidth = 0;
};
// Text laid out in `frame`, its first line starting at the frame's top. By default it is one line
// that ends in an ellipsis where it is wider than the frame. A wrapping text instead breaks into
// lines no wider than the frame (between words, and inside a word only where the word alone is
// wider), with `lineSpacing` extra points between consecutive lines; all its lines are drawn.
struct Text {
    std::string text;
    Font font;
    Color color;
    Rect frame;
    bool wraps = false;
    TextAlignment alignment = TextAlignment::leading;
    double lineSpacing = 0;
};
// A system symbol by name, scaled to fit `box` and tinted.
struct Symbol {
    std::string name;
    Rect box;
    Color tint;
};
// An application's own picture, by a key the platform resolves; a placeholder when unknown.
struct Picture {
    std::string key;
    Rect box;
};
// Everything up to the matching PopState is drawn with this opacity and clipped to `clip`.
struct PushState {
    double alpha = 1;
    std::optional<Path> clip;
};
struct PopState {};

}  // namespace draw

using DrawOp = std::variant<draw::FillPath, draw::StrokePath, draw::RoundedRect, draw::Text, draw::Symbol,
                            draw::Picture, draw::PushState, draw::PopState>;

struct Drawing {
    Size size;
    std::vector<DrawOp> ops;

    // Appends another drawing's operations, scaled by `scale` about its origin and then moved so
    // that its origin lands at `origin` (fonts, line widths and radii scale too).
    void append(const Drawing& other, Point origin, double scale = 1);
    void append(const std::vector<DrawOp>& ops, Point origin) { append(Drawing{{}, ops}, origin); }
};

}  // namespace tarnlet
