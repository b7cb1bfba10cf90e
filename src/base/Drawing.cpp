#include "base/Drawing.h"

namespace tarnlet {

namespace {

struct Transform {
    Point origin;
    double scale;
    Point operator()(Point p) const { return {origin.x + p.x * scale, origin.y + p.y * scale}; }
    Rect operator()(const Rect& r) const {
        return {origin.x + r.minX() * scale, origin.y + r.minY() * scale, r.width() * scale, r.height() * scale};
    }
    Path operator()(const Path& path) const {
        Path out;
        for (const auto& e : path.elements()) {
            switch (e.op) {
                case Path::Op::move: out.moveTo((*this)(e.point)); break;
                case Path::Op::line: out.lineTo((*this)(e.point)); break;
                case Path::Op::quad: out.quadTo((*this)(e.point), (*this)(e.control)); break;
                case Path::Op::close: out.close(); break;
            }
        }
        return out;
    }
};

}  // namespace

void Drawing::append(const Drawing& other, Point origin, double scale) {
    const Transform t{origin, scale};
    for (const DrawOp& op : other.ops) {
        std::visit(
            [&](const auto& o) {
                using T = std::decay_t<decltype(o)>;
                T copy = o;
                if constexpr (std::is_same_v<T, draw::FillPath>) {
                    copy.path = t(o.path);
                } else if constexpr (std::is_same_v<T, draw::StrokePath>) {
                    copy.path = t(o.path);
                    copy.lineWidth = o.lineWidth * scale;
                } else if constexpr (std::is_same_v<T, draw::RoundedRect>) {
                    copy.rect = t(o.rect);
                    copy.radius = o.radius * scale;
                    copy.borderWidth = o.borderWidth * scale;
                } else if constexpr (std::is_same_v<T, draw::Text>) {
                    copy.frame = t(o.frame);
                    copy.font.size = o.font.size * scale;
                    copy.lineSpacing = o.lineSpacing * scale;
                } else if constexpr (std::is_same_v<T, draw::Symbol> || std::is_same_v<T, draw::Picture>) {
                    copy.box = t(o.box);
                } else if constexpr (std::is_same_v<T, draw::PushState>) {
                    if (o.clip) copy.clip = t(*o.clip);
                }
                ops.push_back(std::move(copy));
            },
            op);
    }
}

}  // namespace tarnlet
