#include "base/Path.h"

#include <algorithm>
#include <limits>

namespace tarnlet {

namespace {
Point mix(Point a, Point b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }
}  // namespace

Path Path::interpolated(const Path& to, double t) const {
    if (m_elements.size() != to.m_elements.size()) return to;
    Path out;
    for (std::size_t i = 0; i < m_elements.size(); ++i) {
        const auto& a = m_elements[i];
        const auto& b = to.m_elements[i];
        if (a.op != b.op) return to;
        out.m_elements.push_back({a.op, mix(a.point, b.point, t), mix(a.control, b.control, t)});
    }
    return out;
}

Rect Path::bounds() const {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    auto take = [&](Point p) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    };
    for (const auto& e : m_elements) {
        if (e.op == Op::close) continue;
        take(e.point);
        if (e.op == Op::quad) take(e.control);
    }
    if (x0 > x1) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace tarnlet
