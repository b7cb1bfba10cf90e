#pragma once
// Draws the interface's system symbols ("tray.fill", "eye.fill" …) with the installed freedesktop
// icon theme (Adwaita's symbolic icons), tinted like template images: only the icon's coverage is
// taken from the file, the colour is always the requested tint.
//
//     cairo_save(cr);
//     cairo_translate(cr, left, top);              // a y-down box at the origin
//     SymbolImages::draw(cr, "eye.fill", 24, 24, tint);
//     cairo_restore(cr);
//
// A few symbols have no icon in the theme and are drawn here ("1.square": a digit in a rounded
// square); a name that is neither mapped nor drawn here gets a neutral placeholder, a rounded
// square outline, so a missing icon is visible but never alarming.
//
// Parsed icons are cached per process behind a lock, so any thread may draw.

#include <cairo.h>

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Drawing.h"

namespace tarnlet::host {

class SymbolImages {
public:
    SymbolImages() = delete;

    // The icon file that stands for a symbol name; none for names without one.
    static std::optional<std::filesystem::path> iconFile(std::string_view symbolName);

    // Whether the name is drawn as a real symbol (an icon file or a glyph drawn here) rather than
    // as the placeholder. Lets callers fall back to a second name, as the shelf's buttons do.
    static bool isAvailable(std::string_view symbolName);

    // Every name the icon table maps, in table order.
    static std::vector<std::string_view> mappedNames();

    // Draws the symbol scaled to fit a width × height box at the user-space origin (y pointing
    // down), keeping its aspect ratio and centred, in `tint`. Nothing for an empty box.
    static void draw(cairo_t* cr, std::string_view symbolName, double width, double height, const Color& tint);
};

}  // namespace tarnlet::host
