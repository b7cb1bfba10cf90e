#include "base/Geometry.h"

namespace tarnlet {

Rect Rect::intersection(const Rect& r) const {
    const double x0 = std::max(minX(), r.minX());
    const double y0 = std::max(minY(), r.minY());
    const double x1 = std::min(maxX(), r.maxX());
    const double y1 = std::min(maxY(), r.maxY());
    if (x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::unionWith(const Rect& r) const {
    if (isEmpty()) return r;
    if (r.isEmpty()) return *this;
    const double x0 = std::min(minX(), r.minX());
    const double y0 = std::min(minY(), r.minY());
    const double x1 = std::max(maxX(), r.maxX());
    const double y1 = std::max(maxY(), r.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

std::ostream& operator<<(std::ostream& os, const Point& p) { return os << '(' << p.x << ", " << p.y << ')'; }
std::ostream& operator<<(std::ostream& os, const Size& s) { return os << s.width << "×" << s.height; }
std::ostream& operator<<(std::ostream& os, const Rect& r) { return os << '{' << r.origin << ' ' << r.size << '}'; }

}  // namespace tarnlet
