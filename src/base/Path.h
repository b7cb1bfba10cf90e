#pragma once
// A path of straight lines and quadratic curves, as plain data, in an upward y coordinate system.
// Two paths with the same sequence of elements can be interpolated, which is how bar outlines
// animate from the notch's rectangle to the full bar.

#include <vector>

#include "base/Geometry.h"

namespace tarnlet {

class Path {
public:
    enum class Op { move, line, quad, close };
    struct Element {
        Op op;
        Point point;    // the end point (unused for close)
        Point control;  // the control point of a quadratic curve
        friend bool operator==(const Element&, const Element&) = default;
    };

    Path& moveTo(Point p) { return add({Op::move, p, {}}); }
    Path& lineTo(Point p) { return add({Op::line, p, {}}); }
    Path& quadTo(Point p, Point control) { return add({Op::quad, p, control}); }
    Path& close() { return add({Op::close, {}, {}}); }

    const std::vector<Element>& elements() const { return m_elements; }
    bool isEmpty() const { return m_elements.empty(); }

    // The path part-way from this one to `to` (t from 0 to 1); `to` itself when the shapes differ.
    Path interpolated(const Path& to, double t) const;
    // The smallest rectangle holding every point and control point.
    Rect bounds() const;

    friend bool operator==(const Path&, const Path&) = default;

private:
    Path& add(Element e) {
        m_elements.push_back(e);
        return *this;
    }
    std::vector<Element> m_elements;
};

}  // namespace tarnlet
