#include "platform/host/PangoTextMeasurer.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/host/PangoFonts.h"

namespace tarnlet::host {

namespace {

double points(int pangoUnits) { return static_cast<double>(pangoUnits) / PANGO_SCALE; }

using MetricsKey = std::tuple<int, double, bool>;

}  // namespace

// The context and the reusable layouts are made on first use, so a measurer that is built but
// never asked (most simulated desktops in tests) costs no font loading at all. Wrapped text has a
// layout of its own, so that its width and spacing never leak into one-line measurements.
struct PangoTextMeasurer::Impl {
    PangoContext* context = nullptr;
    PangoLayout* layout = nullptr;
    PangoLayout* wrappedLayout = nullptr;
    std::map<MetricsKey, FontMetrics> metrics;

    PangoLayout* ensureLayout() {
        if (!layout) {
            context = PangoFonts::newContext();
            layout = pango_layout_new(context);
        }
        return layout;
    }

    PangoLayout* ensureWrappedLayout() {
        if (!wrappedLayout) {
            ensureLayout();
            wrappedLayout = pango_layout_new(context);
            pango_layout_set_wrap(wrappedLayout, PANGO_WRAP_WORD_CHAR);
        }
        return wrappedLayout;
    }

    ~Impl() {
        if (wrappedLayout) g_object_unref(wrappedLayout);
        if (layout) g_object_unref(layout);
        if (context) g_object_unref(context);
    }
};

PangoTextMeasurer::PangoTextMeasurer() : m_impl(std::make_unique<Impl>()) {}

PangoTextMeasurer::~PangoTextMeasurer() = default;

Size PangoTextMeasurer::measure(const std::string& text, const Font& font) {
    PangoLayout* layout = m_impl->ensureLayout();
    if (!PangoFonts::configure(layout, text, font)) return {};
    PangoRectangle logical{};
    pango_layout_get_extents(layout, nullptr, &logical);
    return {points(logical.width), points(logical.height)};
}

double PangoTextMeasurer::wrapSpacing(double lineSpacing) {
    if (std::isnan(lineSpacing)) return 0;
    return std::clamp(lineSpacing, 0.0, kLargestLineSpacing);
}

Size PangoTextMeasurer::measureWrapped(const std::string& text, const Font& font, double width, double lineSpacing) {
    if (!std::isfinite(width) || !(width > 0) || width > kLargestWrapWidth) return {};
    PangoLayout* layout = m_impl->ensureWrappedLayout();
    if (!PangoFonts::configure(layout, text, font)) return {};
    // The same width and spacing, in the same units, as the Cairo renderer sets for a wrapping
    // text, so that lines break at the same words.
    pango_layout_set_width(layout, static_cast<int>(std::ceil(width * PANGO_SCALE)));
    pango_layout_set_spacing(layout, static_cast<int>(std::lround(wrapSpacing(lineSpacing) * PANGO_SCALE)));
    PangoRectangle logical{};
    pango_layout_get_extents(layout, nullptr, &logical);
    return {points(logical.width), points(logical.height)};
}

FontMetrics PangoTextMeasurer::metrics(const Font& font) {
    if (!PangoFonts::isUsable(font)) return {};
    const MetricsKey key{static_cast<int>(font.role), font.size, font.semibold};
    if (auto found = m_impl->metrics.find(key); found != m_impl->metrics.end()) return found->second;

    PangoLayout* layout = m_impl->ensureLayout();
    PangoFontMetrics* fontMetrics = pango_context_get_metrics(m_impl->context, PangoFonts::description(font), nullptr);
    FontMetrics result;
    result.ascent = points(pango_font_metrics_get_ascent(fontMetrics));
    result.descent = points(pango_font_metrics_get_descent(fontMetrics));
    pango_font_metrics_unref(fontMetrics);

    // Fonts report no cap height through Pango, so take it from the ink of a capital H: the
    // distance from its top to the baseline.
    (void)PangoFonts::configure(layout, "H", font);
    PangoRectangle ink{};
    pango_layout_get_extents(layout, &ink, nullptr);
    result.capHeight = points(pango_layout_get_baseline(layout) - ink.y);

    m_impl->metrics.emplace(key, result);
    return result;
}

}  // namespace tarnlet::host
