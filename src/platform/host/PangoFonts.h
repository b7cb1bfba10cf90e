#pragma once
// The one place that turns the interface's font roles into installed faces, shared by the text
// measurer and the Cairo renderer so that a measured width is exactly the drawn width.
//
//     PangoContext* context = PangoFonts::newContext();       // caller unrefs
//     PangoLayout* layout = pango_layout_new(context);
//     if (PangoFonts::configure(layout, text, font)) ...      // false: nothing to lay out
//
// Faces: the system role is DejaVu Sans, the monospaced role DejaVu Sans Mono, and the
// monospaced-digit role DejaVu Sans with tabular figures requested. Semibold asks for weight 600;
// fontconfig settles on the bold face where a family has no semibold one. Sizes are in points and
// the font map runs at 72 dots per inch, so one point is one layout unit.
//
// Each thread has its own font map (Pango font maps are not thread-safe); use the contexts and
// layouts on the thread that made them.

#include <pango/pango.h>

#include <string>
#include <string_view>

#include "base/Drawing.h"

namespace tarnlet::host {

class PangoFonts {
public:
    PangoFonts() = delete;

    // Sizes outside this range are refused: nothing is measured or drawn for them.
    static constexpr double kSmallestSize = 0.5;
    static constexpr double kLargestSize = 1024;
    static bool isUsable(const Font& font);

    // A new context on this thread's font map, with hinting off so that layouts do not depend on
    // the scale they are drawn at. The caller owns the reference.
    static PangoContext* newContext();

    // The cached description of a font; owned by the cache, valid for the thread's lifetime.
    // Requires isUsable(font).
    static const PangoFontDescription* description(const Font& font);

    // Sets the layout up for one line of `text` in `font`. False (and the layout untouched) when
    // the font is unusable.
    static bool configure(PangoLayout* layout, std::string_view text, const Font& font);

    // The text as it is laid out: valid UTF-8 (bad bytes become U+FFFD), with line breaks and
    // tabs turned into spaces, because a single line never breaks.
    static std::string lineText(std::string_view text);
};

}  // namespace tarnlet::host
