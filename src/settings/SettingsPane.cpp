#include "settings/SettingsPane.h"

namespace tarnlet {

namespace {

struct PaneInfo {
    SettingsPane pane;
    std::string_view raw;
    std::string_view icon;
};

constexpr std::array<PaneInfo, 17> kPanes = {{
    {SettingsPane::gettingStarted, "gettingStarted", "sparkles"},
    {SettingsPane::general, "general", "gearshape"},
    {SettingsPane::snap, "snap", "rectangle.split.2x1"},
    {SettingsPane::jump, "jump", "command"},
    {SettingsPane::colorPicker, "colorPicker", "eyedropper"},
    {SettingsPane::clipboard, "clipboard", "doc.on.clipboard"},
    {SettingsPane::snippets, "snippets", "text.quote"},
    {SettingsPane::ocr, "ocr", "text.viewfinder"},
    {SettingsPane::shelf, "shelf", "tray.full"},
    {SettingsPane::focus, "focus", "circle.lefthalf.filled"},
    {SettingsPane::breaks, "breaks", "eye"},
    {SettingsPane::swipe, "swipe", "rectangle.2.swap"},
    {SettingsPane::awake, "awake", "cup.and.saucer"},
    {SettingsPane::notch, "notch", "rectangle.topthird.inset.filled"},
    {SettingsPane::sweep, "sweep", "xmark.app"},
    {SettingsPane::autoQuit, "autoQuit", "clock.arrow.circlepath"},
    {SettingsPane::about, "about", "info.circle"},
}};

const PaneInfo& info(SettingsPane pane) { return kPanes[static_cast<std::size_t>(pane)]; }

}  // namespace

const std::array<SettingsPane, 17>& SettingsPanes::all() {
    static const std::array<SettingsPane, 17> panes = [] {
        std::array<SettingsPane, 17> out{};
        for (std::size_t i = 0; i < kPanes.size(); ++i) out[i] = kPanes[i].pane;
        return out;
    }();
    return panes;
}

const std::array<SettingsPane, 14>& SettingsPanes::features() {
    static const std::array<SettingsPane, 14> panes = [] {
        std::array<SettingsPane, 14> out{};
        std::size_t n = 0;
        for (const auto& p : kPanes)
            if (p.pane != SettingsPane::gettingStarted && p.pane != SettingsPane::general && p.pane != SettingsPane::about)
                out[n++] = p.pane;
        return out;
    }();
    return panes;
}

std::string_view SettingsPanes::rawValue(SettingsPane pane) { return info(pane).raw; }

std::optional<SettingsPane> SettingsPanes::fromRawValue(std::string_view raw) {
    for (const auto& p : kPanes)
        if (p.raw == raw) return p.pane;
    return std::nullopt;
}

std::string SettingsPanes::title(SettingsPane pane) {
    switch (pane) {
        case SettingsPane::gettingStarted: return "Getting Started";
        case SettingsPane::colorPicker: return "Color";
        case SettingsPane::ocr: return "OCR";
        case SettingsPane::autoQuit: return "Auto-Quit";
        default: {
            std::string title(info(pane).raw);
            title[0] = static_cast<char>(title[0] - 'a' + 'A');
            return title;
        }
    }
}

std::string_view SettingsPanes::icon(SettingsPane pane) { return info(pane).icon; }

std::string SettingsPanes::enabledKey(SettingsPane pane) { return std::string(info(pane).raw) + ".isEnabled"; }

}  // namespace tarnlet
