#pragma once
// Points, sizes and rectangles in desktop coordinates: doubles, origin at the bottom-left of the
// first screen, y growing upwards. Conversions to top-left coordinates happen only at the platform
// boundary. Plain values; safe on any thread.

#include <algorithm>
#include <ostream>

namespace tarnlet {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}
    Rect(Point o, Size s) : origin(o), size(s) {}

    double minX() const { return origin.x; }
    double midX() const { return origin.x + size.width / 2; }
    double maxX() const { return origin.x + size.width; }
    double minY() const { return origin.y; }
    double midY() const { return origin.y + size.height / 2; }
    double maxY() const { return origin.y + size.height; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    Point center() const { return {midX(), midY()}; }

    // True for a rectangle with no area (zero or negative extent).
    bool isEmpty() const { return !(size.width > 0) || !(size.height > 0); }

    // Half-open on the max edges, so two adjacent rectangles never both contain a point.
    bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    bool contains(const Rect& r) const {
        return r.minX() >= minX() && r.maxX() <= maxX() && r.minY() >= minY() && r.maxY() <= maxY();
    }
    bool intersects(const Rect& r) const { return !intersection(r).isEmpty(); }

    // The overlap of both rectangles; an empty rectangle at the origin when they do not overlap.
    Rect intersection(const Rect& r) const;
    Rect unionWith(const Rect& r) const;
    Rect insetBy(double dx, double dy) const {
        return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
    }
    Rect offsetBy(double dx, double dy) const { return {origin.x + dx, origin.y + dy, size.width, size.height}; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

std::ostream& operator<<(std::ostream& os, const Point& p);
std::ostream& operator<<(std::ostream& os, const Size& s);
std::ostream& operator<<(std::ostream& os, const Rect& r);

}  // namespace tarnlet
