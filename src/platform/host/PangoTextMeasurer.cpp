#include "platform/host/PangoTextMeasurer.h"

#include <pango/pangocairo.h>

#include "platform/host/PangoFonts.h"

namespace tarnlet::host {

namespace {

double points(int pangoUnits) { return static_cast<double>(pangoUnits) / PANGO_SCALE; }

using MetricsKey = std::tuple<int, double, bool>;

}  // namespace

// The context and the one reusable layout are made on first use, so a measurer that is built but
// never asked (most simulated desktops in tests) costs no font loading at all.
struct PangoTextMeasurer::Impl {
    PangoContext* context = nullptr;
    PangoLayout* layout = nullptr;
    std::map<MetricsKey, FontMetrics> metrics;

    PangoLayout* ensureLayout() {
        if (!layout) {
            context = PangoFonts::newContext();
            layout = pango_layout_new(context);
        }
        return layout;
    }

    ~Impl() {
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
