#include "platform/host/CairoRenderer.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "platform/FileIO.h"
#include "platform/host/PangoFonts.h"
#include "platform/host/PangoTextMeasurer.h"
#include "platform/host/SymbolImages.h"

namespace tarnlet::host {

namespace {

// Cairo keeps coordinates in 24.8 fixed point, so anything much beyond a few million device
// pixels wraps around and draws nonsense. No real drawing comes near this bound; a coordinate
// beyond it is treated like a NaN: the op is skipped.
constexpr double kLargestCoordinate = 1.0e6;

bool usable(double v) { return std::isfinite(v) && std::abs(v) <= kLargestCoordinate; }
bool usable(Point p) { return usable(p.x) && usable(p.y); }
bool usable(const Rect& r) { return usable(r.origin) && usable(r.size.width) && usable(r.size.height); }

bool usable(const Path& path) {
    return std::all_of(path.elements().begin(), path.elements().end(), [](const Path::Element& e) {
        if (e.op == Path::Op::close) return true;
        return usable(e.point) && (e.op != Path::Op::quad || usable(e.control));
    });
}

// Colour components outside 0…1 are clamped and NaN counts as 0, so a bad colour draws as
// something (or nothing) instead of whatever Cairo would make of it.
double unit(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); }

void setColor(cairo_t* cr, const Color& c) {
    cairo_set_source_rgba(cr, unit(c.red), unit(c.green), unit(c.blue), unit(c.alpha));
}

void appendPath(cairo_t* cr, const Path& path) {
    cairo_new_path(cr);
    Point current{};
    bool hasCurrent = false;
    Point subpathStart{};
    for (const auto& e : path.elements()) {
        switch (e.op) {
        case Path::Op::move:
            cairo_move_to(cr, e.point.x, e.point.y);
            current = subpathStart = e.point;
            hasCurrent = true;
            break;
        case Path::Op::line:
            if (hasCurrent) {
                cairo_line_to(cr, e.point.x, e.point.y);
            } else {
                cairo_move_to(cr, e.point.x, e.point.y);
                subpathStart = e.point;
            }
            current = e.point;
            hasCurrent = true;
            break;
        case Path::Op::quad: {
            // Cairo has only cubic curves; a quadratic one is the cubic whose control points lie
            // two thirds of the way from each end to the quadratic's control point.
            const Point start = hasCurrent ? current : e.control;
            if (!hasCurrent) {
                cairo_move_to(cr, start.x, start.y);
                subpathStart = start;
            }
            const Point c1{start.x + 2.0 / 3.0 * (e.control.x - start.x), start.y + 2.0 / 3.0 * (e.control.y - start.y)};
            const Point c2{e.point.x + 2.0 / 3.0 * (e.control.x - e.point.x),
                           e.point.y + 2.0 / 3.0 * (e.control.y - e.point.y)};
            cairo_curve_to(cr, c1.x, c1.y, c2.x, c2.y, e.point.x, e.point.y);
            current = e.point;
            hasCurrent = true;
            break;
        }
        case Path::Op::close:
            if (hasCurrent) {
                cairo_close_path(cr);
                current = subpathStart;
            }
            break;
        }
    }
}

// Replaces the current path by its first `fraction` of length, measured along the flattened
// curve. Whole closed sub-paths keep their closing join; the cut one ends with a plain segment.
void trimPath(cairo_t* cr, double fraction) {
    cairo_path_t* flat = cairo_copy_path_flat(cr);
    if (flat->status != CAIRO_STATUS_SUCCESS) {
        cairo_path_destroy(flat);
        cairo_new_path(cr);
        return;
    }
    auto forEachSegment = [flat](auto&& segment, auto&& move, auto&& close) {
        double cx = 0, cy = 0, sx = 0, sy = 0;
        for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
            const cairo_path_data_t& header = flat->data[i];
            switch (header.header.type) {
            case CAIRO_PATH_MOVE_TO:
                cx = sx = flat->data[i + 1].point.x;
                cy = sy = flat->data[i + 1].point.y;
                move(cx, cy);
                break;
            case CAIRO_PATH_LINE_TO: {
                const double x = flat->data[i + 1].point.x, y = flat->data[i + 1].point.y;
                if (!segment(cx, cy, x, y, false)) return;
                cx = x, cy = y;
                break;
            }
            case CAIRO_PATH_CLOSE_PATH:
                if (!segment(cx, cy, sx, sy, true)) return;
                close();
                cx = sx, cy = sy;
                break;
            case CAIRO_PATH_CURVE_TO:  // never in a flattened path
                break;
            }
        }
    };

    double total = 0;
    forEachSegment([&](double x0, double y0, double x1, double y1, bool) {
                       total += std::hypot(x1 - x0, y1 - y0);
                       return true;
                   },
                   [](double, double) {}, [] {});

    double remaining = total * fraction;
    cairo_new_path(cr);
    forEachSegment(
        [&](double x0, double y0, double x1, double y1, bool closing) {
            const double length = std::hypot(x1 - x0, y1 - y0);
            if (length <= remaining) {
                remaining -= length;
                if (!closing) cairo_line_to(cr, x1, y1);
                return true;
            }
            const double t = length > 0 ? remaining / length : 0;
            cairo_line_to(cr, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t);
            return false;
        },
        [&](double x, double y) { cairo_move_to(cr, x, y); }, [&] { cairo_close_path(cr); });
    cairo_path_destroy(flat);
}

void roundedRectPath(cairo_t* cr, const Rect& r, double radius) {
    radius = std::clamp(std::isnan(radius) ? 0.0 : radius, 0.0, std::min(r.width(), r.height()) / 2);
    cairo_new_path(cr);
    if (radius <= 0) {
        cairo_rectangle(cr, r.minX(), r.minY(), r.width(), r.height());
        return;
    }
    cairo_new_sub_path(cr);
    cairo_arc(cr, r.maxX() - radius, r.minY() + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, r.maxX() - radius, r.maxY() - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, r.minX() + radius, r.maxY() - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, r.minX() + radius, r.minY() + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

class Painter {
public:
    explicit Painter(cairo_t* cr) : m_cr(cr) {}
    ~Painter() {
        if (m_context) g_object_unref(m_context);
    }
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    void operator()(const draw::FillPath& op) {
        if (op.path.isEmpty() || !usable(op.path)) return;
        appendPath(m_cr, op.path);
        setColor(m_cr, op.color);
        cairo_fill(m_cr);
    }

    void operator()(const draw::StrokePath& op) {
        if (op.path.isEmpty() || !usable(op.path)) return;
        if (!(op.lineWidth > 0) || !usable(op.lineWidth)) return;
        if (!(op.strokeEnd > 0)) return;  // nothing of the path yet, and NaN draws nothing
        appendPath(m_cr, op.path);
        if (op.strokeEnd < 1) trimPath(m_cr, op.strokeEnd);
        cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_MITER);
        cairo_set_line_width(m_cr, op.lineWidth);
        setColor(m_cr, op.color);
        cairo_stroke(m_cr);
    }

    void operator()(const draw::RoundedRect& op) {
        if (!usable(op.rect) || op.rect.isEmpty()) return;
        if (op.fill) {
            roundedRectPath(m_cr, op.rect, op.radius);
            setColor(m_cr, *op.fill);
            cairo_fill(m_cr);
        }
        if (op.border && op.borderWidth > 0 && usable(op.borderWidth)) {
            // The border lies inside the rectangle, like a layer's border: the stroke runs along
            // a rectangle inset by half its width, with the corner radius shrunk to match.
            const double width = std::min(op.borderWidth, std::min(op.rect.width(), op.rect.height()) / 2);
            const double radius = std::isnan(op.radius) ? 0.0 : op.radius;
            roundedRectPath(m_cr, op.rect.insetBy(width / 2, width / 2), std::max(0.0, radius - width / 2));
            cairo_set_line_width(m_cr, width);
            setColor(m_cr, *op.border);
            cairo_stroke(m_cr);
        }
    }

    void operator()(const draw::Text& op) {
        if (op.text.empty() || !usable(op.frame) || !PangoFonts::isUsable(op.font)) return;
        cairo_save(m_cr);
        // Text is laid out top-down: make the frame's top-left corner the origin with y down.
        cairo_translate(m_cr, op.frame.minX(), op.frame.maxY());
        cairo_scale(m_cr, 1, -1);
        PangoContext* context = pangoContext();
        pango_cairo_update_context(m_cr, context);
        PangoLayout* layout = pango_layout_new(context);
        (void)PangoFonts::configure(layout, op.text, op.font);
        if (op.wraps) {
            // Laid out exactly as the text measurer measured it: the frame's width is the wrap
            // width, lines break between words, and the spacing goes between lines.
            if (op.frame.width() > 0 && op.frame.width() <= PangoTextMeasurer::kLargestWrapWidth) {
                pango_layout_set_width(layout, static_cast<int>(std::ceil(op.frame.width() * PANGO_SCALE)));
                pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
            }
            pango_layout_set_spacing(
                layout, static_cast<int>(std::lround(PangoTextMeasurer::wrapSpacing(op.lineSpacing) * PANGO_SCALE)));
        } else if (op.frame.width() > 0) {
            // A line longer than its frame ends in an ellipsis instead of running over its
            // neighbours. The width is rounded up, so a frame sized from a measurement never
            // cuts its own text.
            pango_layout_set_width(layout, static_cast<int>(std::ceil(op.frame.width() * PANGO_SCALE)) + 1);
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        }
        // Centring needs a width to centre in; a text without one is as wide as its line.
        if (op.alignment == TextAlignment::center && pango_layout_get_width(layout) > 0)
            pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        cairo_move_to(m_cr, 0, 0);
        setColor(m_cr, op.color);
        pango_cairo_show_layout(m_cr, layout);
        g_object_unref(layout);
        cairo_restore(m_cr);
    }

    void operator()(const draw::Symbol& op) {
        if (!usable(op.box) || op.box.isEmpty()) return;
        cairo_save(m_cr);
        cairo_translate(m_cr, op.box.minX(), op.box.maxY());
        cairo_scale(m_cr, 1, -1);
        SymbolImages::draw(m_cr, op.name, op.box.width(), op.box.height(),
                           Color{unit(op.tint.red), unit(op.tint.green), unit(op.tint.blue), unit(op.tint.alpha)});
        cairo_restore(m_cr);
    }

    void operator()(const draw::Picture& op) {
        // Application pictures are not resolved yet; a soft plate keeps the layout readable.
        if (!usable(op.box) || op.box.isEmpty()) return;
        roundedRectPath(m_cr, op.box, std::min(op.box.width(), op.box.height()) * 0.2);
        setColor(m_cr, Color::white(0.3));
        cairo_fill(m_cr);
    }

    void operator()(const draw::PushState& op) {
        cairo_save(m_cr);
        if (op.clip) {
            if (usable(*op.clip)) appendPath(m_cr, *op.clip);
            else cairo_new_path(m_cr);  // a clip that cannot be drawn lets nothing through
            cairo_clip(m_cr);
        }
        cairo_push_group(m_cr);
        m_alphas.push_back(unit(op.alpha));
    }

    void operator()(const draw::PopState&) {
        if (m_alphas.empty()) return;  // an unmatched pop has nothing to close
        cairo_pop_group_to_source(m_cr);
        cairo_paint_with_alpha(m_cr, m_alphas.back());
        cairo_restore(m_cr);
        m_alphas.pop_back();
    }

    // Closes the states a drawing left open, so their content is not lost.
    void finish() {
        while (!m_alphas.empty()) (*this)(draw::PopState{});
    }

private:
    PangoContext* pangoContext() {
        if (!m_context) m_context = PangoFonts::newContext();
        return m_context;
    }

    cairo_t* m_cr;
    PangoContext* m_context = nullptr;
    std::vector<double> m_alphas;
};

Result<Surface> render(const Drawing& drawing, double scale) {
    if (!std::isfinite(scale) || !(scale > 0)) return Failure{"cannot render at a scale that is not a positive number"};
    const double w = drawing.size.width * scale, h = drawing.size.height * scale;
    if (!std::isfinite(w) || !std::isfinite(h) || !(w > 0) || !(h > 0))
        return Failure{"cannot render a drawing without an area"};
    // A hair of tolerance keeps 46 × 1.1 from becoming 51 pixels through rounding noise.
    const double widthPixels = std::ceil(w - 1e-6), heightPixels = std::ceil(h - 1e-6);
    if (widthPixels > CairoRenderer::kLargestSide || heightPixels > CairoRenderer::kLargestSide)
        return Failure{"cannot render a drawing of " + std::to_string(static_cast<long long>(widthPixels)) + " × " +
                       std::to_string(static_cast<long long>(heightPixels)) + " pixels"};
    const int width = std::max(1, static_cast<int>(widthPixels));
    const int height = std::max(1, static_cast<int>(heightPixels));

    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return Failure{std::string("cannot create the image: ") + cairo_status_to_string(cairo_surface_status(surface.get()))};

    cairo_t* cr = cairo_create(surface.get());
    // One flip for the whole drawing: points with the origin at the bottom-left and y up.
    cairo_translate(cr, 0, height);
    cairo_scale(cr, scale, -scale);
    {
        Painter painter(cr);
        for (const auto& op : drawing.ops) std::visit(painter, op);
        painter.finish();
    }
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status != CAIRO_STATUS_SUCCESS) return Failure{std::string("cannot draw: ") + cairo_status_to_string(status)};
    cairo_surface_flush(surface.get());
    return Result<Surface>(std::move(surface));
}

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

Status CairoRenderer::renderPNG(const Drawing& drawing, double scale, const std::filesystem::path& file) {
    auto surface = render(drawing, scale);
    if (!surface.ok()) return Failure{surface.error()};
    std::string png;
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface.value().get(), appendToString, &png);
    if (status != CAIRO_STATUS_SUCCESS) return Failure{std::string("cannot encode the PNG: ") + cairo_status_to_string(status)};
    return FileIO::writeAtomically(file, png);
}

std::vector<std::uint8_t> CairoRenderer::renderRGBA(const Drawing& drawing, double scale, int& width, int& height) {
    width = height = 0;
    auto rendered = render(drawing, scale);
    if (!rendered.ok()) return {};
    cairo_surface_t* surface = rendered.value().get();
    const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);

    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    auto straight = [](std::uint32_t component, std::uint32_t alpha) {
        return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (component * 255 + alpha / 2) / alpha));
    };
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        std::uint8_t* out = rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 4;
        for (int x = 0; x < w; ++x, out += 4) {
            // ARGB32 is one native-endian word per pixel with premultiplied colour.
            const std::uint32_t pixel = row[x];
            const std::uint32_t a = pixel >> 24;
            if (a == 0) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            if (a == 255) {  // most pixels: opaque, nothing to divide
                out[0] = static_cast<std::uint8_t>(pixel >> 16);
                out[1] = static_cast<std::uint8_t>(pixel >> 8);
                out[2] = static_cast<std::uint8_t>(pixel);
                out[3] = 255;
                continue;
            }
            out[0] = straight((pixel >> 16) & 0xff, a);
            out[1] = straight((pixel >> 8) & 0xff, a);
            out[2] = straight(pixel & 0xff, a);
            out[3] = static_cast<std::uint8_t>(a);
        }
    }
    width = w;
    height = h;
    return rgba;
}

}  // namespace tarnlet::host
