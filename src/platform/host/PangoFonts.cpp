#include "platform/host/PangoFonts.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <map>
#include <tuple>

namespace tarnlet::host {

namespace {

// Family lists: the chosen face first, then the generic family fontconfig resolves on any system,
// so a machine without DejaVu still draws text instead of boxes.
constexpr const char* kSystemFamily = "DejaVu Sans, sans-serif";
constexpr const char* kMonospacedFamily = "DejaVu Sans Mono, monospace";

// One point per layout unit: sizes in the drawing are points, and so are all coordinates.
constexpr double kResolution = 72;

using Key = std::tuple<int, double, bool>;

// Everything Pango-side that is per thread. Destroyed when the thread ends, which for the main
// thread is at exit, so nothing stays allocated behind the leak checker's back.
struct ThreadFonts {
    PangoFontMap* fontMap = nullptr;
    PangoAttrList* tabularFigures = nullptr;
    std::map<Key, PangoFontDescription*> descriptions;

    ThreadFonts() {
        fontMap = pango_cairo_font_map_new();
        pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap), kResolution);
        tabularFigures = pango_attr_list_new();
        pango_attr_list_insert(tabularFigures, pango_attr_font_features_new("tnum 1"));
    }
    ~ThreadFonts() {
        for (auto& [key, description] : descriptions) pango_font_description_free(description);
        pango_attr_list_unref(tabularFigures);
        g_object_unref(fontMap);
    }
    ThreadFonts(const ThreadFonts&) = delete;
    ThreadFonts& operator=(const ThreadFonts&) = delete;
};

ThreadFonts& threadFonts() {
    thread_local ThreadFonts fonts;
    return fonts;
}

}  // namespace

bool PangoFonts::isUsable(const Font& font) {
    return std::isfinite(font.size) && font.size >= kSmallestSize && font.size <= kLargestSize;
}

PangoContext* PangoFonts::newContext() {
    PangoContext* context = pango_font_map_create_context(threadFonts().fontMap);
    // Hinted metrics would snap advances to whole device pixels, so a layout measured at one scale
    // would be wider or narrower when drawn at another; unhinted glyphs also keep snapshots
    // identical across machines with different hinting defaults.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
    return context;
}

const PangoFontDescription* PangoFonts::description(const Font& font) {
    auto& fonts = threadFonts();
    const Key key{static_cast<int>(font.role), font.size, font.semibold};
    auto found = fonts.descriptions.find(key);
    if (found != fonts.descriptions.end()) return found->second;

    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description,
                                      font.role == FontRole::monospaced ? kMonospacedFamily : kSystemFamily);
    pango_font_description_set_weight(description, font.semibold ? PANGO_WEIGHT_SEMIBOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description, PANGO_STYLE_NORMAL);
    pango_font_description_set_stretch(description, PANGO_STRETCH_NORMAL);
    pango_font_description_set_absolute_size(description, font.size * PANGO_SCALE);
    fonts.descriptions.emplace(key, description);
    return description;
}

bool PangoFonts::configure(PangoLayout* layout, std::string_view text, const Font& font) {
    if (!isUsable(font)) return false;
    pango_layout_set_font_description(layout, description(font));
    pango_layout_set_attributes(layout, font.role == FontRole::monospacedDigit ? threadFonts().tabularFigures : nullptr);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    const std::string line = lineText(text);
    pango_layout_set_text(layout, line.data(), static_cast<int>(line.size()));
    return true;
}

std::string PangoFonts::lineText(std::string_view text) {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    const std::string_view source(valid);
    // Line breaks and tabs become spaces. So do the Unicode line and paragraph separators and the
    // C1 next-line control, which would otherwise show as boxes in a single-paragraph layout.
    std::string line;
    line.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f') {
            line.push_back(' ');
        } else if (source.compare(i, 3, "\u2028") == 0 || source.compare(i, 3, "\u2029") == 0) {
            line.push_back(' ');
            i += 2;
        } else if (source.compare(i, 2, "\u0085") == 0) {
            line.push_back(' ');
            i += 1;
        } else {
            line.push_back(c);
        }
    }
    g_free(valid);
    return line;
}

}  // namespace tarnlet::host
