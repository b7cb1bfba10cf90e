#include "platform/host/SymbolImages.h"

#include <librsvg/rsvg.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/host/PangoFonts.h"

namespace tarnlet::host {

namespace fs = std::filesystem;

namespace {

struct Mapping {
    std::string_view symbol;
    std::string_view icon;  // relative to the theme's "scalable" folder
};

// The closest Adwaita symbolic icon for each symbol the interface uses. Where the theme has no
// true counterpart the pick favours the meaning in context (a sun for staying awake, a moon for
// dimming, a folder for the shelf's tray) over the literal shape.
constexpr std::array kIcons = {
    // Shelf
    Mapping{"tray.fill", "places/folder-symbolic.svg"},
    Mapping{"tray.full", "status/folder-open-symbolic.svg"},
    Mapping{"tray.and.arrow.down", "status/folder-drag-accept-symbolic.svg"},
    Mapping{"doc.fill", "mimetypes/text-x-generic-symbolic.svg"},
    Mapping{"doc.on.doc", "actions/edit-copy-symbolic.svg"},
    Mapping{"doc.zipper", "mimetypes/package-x-generic-symbolic.svg"},
    Mapping{"archivebox", "mimetypes/package-x-generic-symbolic.svg"},
    Mapping{"square.and.arrow.up", "actions/send-to-symbolic.svg"},
    Mapping{"xmark.bin", "places/user-trash-symbolic.svg"},
    Mapping{"trash", "places/user-trash-symbolic.svg"},
    Mapping{"checkmark.circle.fill", "emblems/emblem-ok-symbolic.svg"},
    // Clipboard, snippets and the pickers
    Mapping{"doc.on.clipboard", "actions/edit-paste-symbolic.svg"},
    Mapping{"text.quote", "actions/insert-text-symbolic.svg"},
    Mapping{"text.append", "actions/insert-text-symbolic.svg"},
    Mapping{"text.alignleft", "actions/format-justify-left-symbolic.svg"},
    Mapping{"link", "actions/insert-link-symbolic.svg"},
    Mapping{"envelope", "status/mail-unread-symbolic.svg"},
    Mapping{"chevron.left.forwardslash.chevron.right", "legacy/utilities-terminal-symbolic.svg"},
    Mapping{"pin.fill", "actions/view-pin-symbolic.svg"},
    Mapping{"eyedropper", "actions/color-select-symbolic.svg"},
    Mapping{"eyedropper.halffull", "actions/color-select-symbolic.svg"},
    Mapping{"text.viewfinder", "devices/scanner-symbolic.svg"},
    // Breaks, focus and keep-awake
    Mapping{"eye", "actions/view-reveal-symbolic.svg"},
    Mapping{"eye.fill", "actions/view-reveal-symbolic.svg"},
    Mapping{"cup.and.saucer", "status/display-brightness-symbolic.svg"},
    Mapping{"cup.and.saucer.fill", "status/display-brightness-symbolic.svg"},
    Mapping{"circle.lefthalf.filled", "status/weather-clear-night-symbolic.svg"},
    // Windows, spaces and quitting
    Mapping{"rectangle.on.rectangle", "legacy/preferences-desktop-multitasking-symbolic.svg"},
    Mapping{"rectangle.split.2x1", "actions/view-dual-symbolic.svg"},
    Mapping{"rectangle.2.swap", "actions/object-flip-horizontal-symbolic.svg"},
    Mapping{"rectangle.topthird.inset.filled", "ui/focus-top-bar-symbolic.svg"},
    Mapping{"macwindow", "actions/view-paged-symbolic.svg"},
    Mapping{"xmark.circle.fill", "actions/edit-delete-symbolic.svg"},
    Mapping{"xmark.app", "actions/process-stop-symbolic.svg"},
    Mapping{"clock.arrow.circlepath", "actions/document-open-recent-symbolic.svg"},
    // General
    Mapping{"sparkles", "status/starred-symbolic.svg"},
    Mapping{"gearshape", "emblems/emblem-system-symbolic.svg"},
    Mapping{"command", "legacy/preferences-desktop-keyboard-shortcuts-symbolic.svg"},
    Mapping{"info.circle", "actions/help-about-symbolic.svg"},
    // Devices
    Mapping{"headphones", "devices/audio-headphones-symbolic.svg"},
    Mapping{"airpods", "devices/audio-headset-symbolic.svg"},
    Mapping{"airpods.pro", "devices/audio-headset-symbolic.svg"},
    Mapping{"keyboard", "devices/input-keyboard-symbolic.svg"},
    Mapping{"computermouse", "devices/input-mouse-symbolic.svg"},
    Mapping{"magicmouse", "devices/input-mouse-symbolic.svg"},
    // Now playing
    Mapping{"music.note", "emblems/emblem-music-symbolic.svg"},
    Mapping{"play.fill", "actions/media-playback-start-symbolic.svg"},
    Mapping{"pause.fill", "actions/media-playback-pause-symbolic.svg"},
    Mapping{"playpause.fill", "actions/media-playback-start-symbolic.svg"},
    Mapping{"backward.fill", "actions/media-seek-backward-symbolic.svg"},
    Mapping{"forward.fill", "actions/media-seek-forward-symbolic.svg"},
};

// Theme folders in the order the XDG base directory rules give: $XDG_DATA_DIRS, then the usual
// system folder as the last resort.
std::vector<fs::path> themeFolders() {
    std::vector<fs::path> folders;
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= list.size()) {
        const auto end = std::min(list.find(':', start), list.size());
        fs::path folder = list.substr(start, end - start);
        if (folder.is_absolute()) folders.push_back(folder / "icons" / "Adwaita" / "scalable");
        start = end + 1;
    }
    folders.emplace_back("/usr/share/icons/Adwaita/scalable");
    return folders;
}

const Mapping* findMapping(std::string_view symbol) {
    auto found = std::find_if(kIcons.begin(), kIcons.end(), [&](const Mapping& m) { return m.symbol == symbol; });
    return found == kIcons.end() ? nullptr : &*found;
}

// "0.square" to "9.square": the theme has no numbered squares, so they are drawn here.
std::optional<char> squareDigit(std::string_view symbol) {
    if (symbol.size() == 8 && symbol[0] >= '0' && symbol[0] <= '9' && symbol.substr(1) == ".square") return symbol[0];
    return std::nullopt;
}

struct HandleDeleter {
    void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
};
using Handle = std::unique_ptr<RsvgHandle, HandleDeleter>;

// Parsed icons by symbol name. An icon that fails to load is remembered as null so a broken file
// is read once, not once per frame. Guarded by the mutex, which is also held while a handle
// renders because librsvg handles are not safe to share between threads.
struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct IconCache {
    static constexpr std::size_t kMaxCoverages = 256;
    std::mutex mutex;
    std::map<std::string, Handle, std::less<>> handles;
    // Each icon's coverage rasterised once per pixel size: rendering the vector document is by far
    // the dearest part of drawing a bar, and bars redraw the same icons at the same size.
    std::map<std::string, Surface, std::less<>> coverages;
};

IconCache& iconCache() {
    static IconCache cache;
    return cache;
}

RsvgHandle* loadedHandle(IconCache& cache, std::string_view symbol) {
    if (auto found = cache.handles.find(symbol); found != cache.handles.end()) return found->second.get();
    Handle handle;
    if (auto file = SymbolImages::iconFile(symbol)) {
        GError* error = nullptr;
        handle.reset(rsvg_handle_new_from_file(file->c_str(), &error));
        if (error) g_error_free(error);
    }
    return cache.handles.emplace(std::string(symbol), std::move(handle)).first->second.get();
}

void setTint(cairo_t* cr, const Color& tint) { cairo_set_source_rgba(cr, tint.red, tint.green, tint.blue, tint.alpha); }

void roundedSquare(cairo_t* cr, double x, double y, double side, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + side - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + side - radius, y + side - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + side - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// A rounded square outline centred in the box, in the proportions of the theme's own strokes.
// Returns the square's side.
double strokeSquare(cairo_t* cr, double width, double height, const Color& tint) {
    const double side = std::min(width, height) * 0.8;
    const double line = std::max(side * 0.1, 0.5);
    const double inner = side - line;
    roundedSquare(cr, (width - inner) / 2, (height - inner) / 2, inner, inner * 0.22);
    cairo_set_line_width(cr, line);
    setTint(cr, tint);
    cairo_stroke(cr);
    return side;
}

void drawDigitSquare(cairo_t* cr, char digit, double width, double height, const Color& tint) {
    const double side = strokeSquare(cr, width, height, tint);
    const Font font{FontRole::system, side * 0.62, true};
    if (!PangoFonts::isUsable(font)) return;
    PangoContext* context = PangoFonts::newContext();
    pango_cairo_update_context(cr, context);
    PangoLayout* layout = pango_layout_new(context);
    (void)PangoFonts::configure(layout, std::string_view(&digit, 1), font);
    // Centre the digit's ink, not its line box, so it sits optically in the middle of the square.
    PangoRectangle ink{};
    pango_layout_get_extents(layout, &ink, nullptr);
    const double inkX = static_cast<double>(ink.x) / PANGO_SCALE, inkY = static_cast<double>(ink.y) / PANGO_SCALE;
    const double inkW = static_cast<double>(ink.width) / PANGO_SCALE, inkH = static_cast<double>(ink.height) / PANGO_SCALE;
    cairo_move_to(cr, (width - inkW) / 2 - inkX, (height - inkH) / 2 - inkY);
    setTint(cr, tint);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    g_object_unref(context);
}

}  // namespace

std::optional<fs::path> SymbolImages::iconFile(std::string_view symbolName) {
    const Mapping* mapping = findMapping(symbolName);
    if (!mapping) return std::nullopt;
    static const std::vector<fs::path> folders = themeFolders();
    for (const auto& folder : folders) {
        fs::path file = folder / mapping->icon;
        std::error_code ec;
        if (fs::is_regular_file(file, ec)) return file;
    }
    return std::nullopt;
}

bool SymbolImages::isAvailable(std::string_view symbolName) {
    return squareDigit(symbolName).has_value() || iconFile(symbolName).has_value();
}

std::vector<std::string_view> SymbolImages::mappedNames() {
    std::vector<std::string_view> names;
    names.reserve(kIcons.size());
    for (const auto& mapping : kIcons) names.push_back(mapping.symbol);
    return names;
}

void SymbolImages::draw(cairo_t* cr, std::string_view symbolName, double width, double height, const Color& tint) {
    if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height)) return;
    cairo_save(cr);
    if (auto digit = squareDigit(symbolName)) {
        drawDigitSquare(cr, *digit, width, height, tint);
        cairo_restore(cr);
        return;
    }

    auto& cache = iconCache();
    std::lock_guard lock(cache.mutex);
    RsvgHandle* handle = loadedHandle(cache, symbolName);
    if (!handle) {
        strokeSquare(cr, width, height, tint);
        cairo_restore(cr);
        return;
    }
    // The icon's own colours are ignored: its coverage masks the tint, exactly like a template
    // image. Rendering the document into the box keeps its aspect ratio and centres it.
    double pixelWidth = width, pixelHeight = height;
    cairo_user_to_device_distance(cr, &pixelWidth, &pixelHeight);
    const int pw = std::clamp(static_cast<int>(std::ceil(std::fabs(pixelWidth))), 1, 4096);
    const int ph = std::clamp(static_cast<int>(std::ceil(std::fabs(pixelHeight))), 1, 4096);
    const std::string key = std::string(symbolName) + "@" + std::to_string(pw) + "x" + std::to_string(ph);
    auto found = cache.coverages.find(key);
    if (found == cache.coverages.end()) {
        Surface coverage(cairo_image_surface_create(CAIRO_FORMAT_A8, pw, ph));
        cairo_t* raster = cairo_create(coverage.get());
        cairo_scale(raster, pw / width, ph / height);
        const RsvgRectangle viewport{0, 0, width, height};
        GError* error = nullptr;
        const bool drawn = rsvg_handle_render_document(handle, raster, &viewport, &error);
        if (error) g_error_free(error);
        cairo_destroy(raster);
        if (!drawn) coverage.reset();
        if (cache.coverages.size() >= IconCache::kMaxCoverages) cache.coverages.clear();
        found = cache.coverages.emplace(key, std::move(coverage)).first;
    }
    if (found->second) {
        setTint(cr, tint);
        cairo_scale(cr, width / pw, height / ph);
        cairo_mask_surface(cr, found->second.get(), 0, 0);
    } else {
        strokeSquare(cr, width, height, tint);
    }
    cairo_restore(cr);
}

}  // namespace tarnlet::host
