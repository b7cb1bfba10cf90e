#include "notch/NotchStates.h"

#include <algorithm>
#include <cstdio>

#include "notch/BatteryIcon.h"

namespace tarnlet {

namespace {

NotchBarItem symbolItem(const char* name) {
    NotchBarItem item;
    item.icon = Image::symbol(name);
    return item;
}

NotchBarItem valueItem(std::string text, bool dimmed = false) {
    NotchBarItem item;
    item.text = std::move(text);
    item.value = true;
    item.dimmed = dimmed;
    return item;
}

NotchContent chip(NotchBarItem left, NotchBarItem right, std::optional<std::string> caption = std::nullopt) {
    NotchContent c;
    c.left = {std::move(left)};
    c.right = {std::move(right)};
    c.caption = std::move(caption);
    return c;
}

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Code points of a UTF-8 text, each as its bytes.
std::vector<std::string_view> codePoints(std::string_view text) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = 1;
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0xF0) n = 4;
        else if (lead >= 0xE0) n = 3;
        else if (lead >= 0xC0) n = 2;
        n = std::min(n, text.size() - i);
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

}  // namespace

NotchContent NotchStates::spaceChip(int number) {
    return chip(symbolItem("rectangle.on.rectangle"), valueItem(std::to_string(number)));
}

NotchContent NotchStates::sessionChip(bool active, int minutes) {
    NotchBarItem right = valueItem(!active ? "Ended" : minutes > 0 ? std::to_string(minutes) + "m" : "On");
    right.accentDot = active;
    return chip(symbolItem("cup.and.saucer.fill"), right, active ? std::optional<std::string>("awake") : std::nullopt);
}

NotchContent NotchStates::shelfChip(int count) {
    NotchBarItem right = symbolItem("doc.fill");
    right.text = std::to_string(count);
    right.textLeading = true;
    right.value = true;
    return chip(symbolItem("tray.fill"), right);
}

NotchContent NotchStates::leaderHints(const std::vector<NotchBarItem>& items, std::optional<std::string> caption) {
    NotchContent c;
    if (items.size() < 2) {
        c.right = items;
    } else {
        const std::size_t left = (items.size() + 1) / 2;
        c.left.assign(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(left));
        c.right.assign(items.begin() + static_cast<std::ptrdiff_t>(left), items.end());
    }
    c.caption = std::move(caption);
    return c;
}

NotchContent NotchStates::snippetCopiedChip() {
    return chip(symbolItem("doc.on.clipboard"), valueItem("⌘V"), "snippet copied");
}

NotchContent NotchStates::ocrChip(const std::string& text) {
    std::string trimmed = text;
    while (!trimmed.empty() && isSpace(static_cast<unsigned char>(trimmed.back()))) trimmed.pop_back();
    std::size_t first = 0;
    while (first < trimmed.size() && isSpace(static_cast<unsigned char>(trimmed[first]))) ++first;
    trimmed.erase(0, first);
    if (trimmed.empty()) return chip(symbolItem("text.viewfinder"), valueItem("none", true), "nothing found");
    return chip(symbolItem("text.viewfinder"), valueItem("⌘V"), textPreview(trimmed, 48));
}

NotchContent NotchStates::ocrPermissionChip() {
    return chip(symbolItem("text.viewfinder"), valueItem("Grant", true), "Screen Recording");
}

NotchContent NotchStates::ocrRestartChip() {
    return chip(symbolItem("text.viewfinder"), valueItem("restart", true), "Restart required");
}

NotchContent NotchStates::colorChip(const std::string& hex, Color color) {
    NotchContent c = chip(symbolItem("eyedropper.halffull"), valueItem("⌘V"), hex);
    c.outlineColor = color;
    return c;
}

NotchContent NotchStates::appQuitChip(std::optional<Image> icon, const std::string& name) {
    NotchBarItem left;
    left.icon = icon ? *icon : Image::symbol("xmark.circle.fill");
    return chip(left, valueItem("Quit", true), name);
}

NotchContent NotchStates::breakCountdown(int second, bool eyeOpen) {
    NotchBarItem left = symbolItem("eye.fill");
    left.closedEye = !eyeOpen;
    char text[16];
    std::snprintf(text, sizeof text, "0:%02d", second);
    return chip(left, valueItem(text), "Breaks");
}

NotchContent NotchStates::breakPreWarning() { return chip(symbolItem("eye.fill"), valueItem("1m"), "Breaks"); }

NotchContent NotchStates::breakDone() { return chip(symbolItem("eye.fill"), valueItem("Done"), "Breaks"); }

NotchContent NotchStates::batteryChip(bool charging, int percent) {
    NotchBarItem left;
    left.icon = BatteryIcon::image(percent, charging);
    return chip(left, valueItem(std::to_string(percent) + "%"),
                charging ? std::optional<std::string>("charging") : std::nullopt);
}

NotchContent NotchStates::lowBatteryChip(int percent) {
    const bool critical = percent <= *std::min_element(std::begin(kBatteryChipThresholds), std::end(kBatteryChipThresholds));
    NotchBarItem left;
    left.icon = BatteryIcon::image(percent, false);
    left.warning = critical;
    NotchBarItem right = valueItem(std::to_string(percent) + "%");
    right.warning = critical;
    return chip(left, right, "low");
}

NotchContent NotchStates::featureToggleChip(const Image& icon, const std::string& title, bool on) {
    NotchBarItem left;
    left.icon = icon;
    NotchBarItem right = valueItem(on ? "On" : "Off");
    right.accentDot = on;
    return chip(left, right, title);
}

NotchContent NotchStates::snapUnsupported() {
    NotchBarItem left = symbolItem("macwindow");
    left.dimmed = true;
    NotchContent c;
    c.left = {left};
    c.caption = "Snap: window not supported";
    return c;
}

NotchContent NotchStates::snapHints(std::vector<NotchBarItem> first, std::vector<NotchBarItem> second) {
    NotchContent c;
    c.left = std::move(first);
    c.right = std::move(second);
    c.caption = kSnapHintCaption;
    return c;
}

NotchContent NotchStates::nowPlaying(NowPlayingPhase phase, const std::string& title, const std::string& artist) {
    NotchContent c;
    if (phase == NowPlayingPhase::hidden) return c;
    if (phase == NowPlayingPhase::controls) {
        const std::pair<const char*, const char*> controls[] = {
            {"backward.fill", "prev"}, {"playpause.fill", "playpause"}, {"forward.fill", "next"}};
        for (const auto& [symbol, key] : controls) {
            NotchBarItem item = symbolItem(symbol);
            item.pulseKey = key;
            c.left.push_back(item);
        }
    } else {
        c.left = {symbolItem("music.note")};
    }
    NotchBarItem wave;
    wave.wave = true;
    c.right = {wave};
    if (phase != NowPlayingPhase::compact) c.caption = artist.empty() ? title : title + " — " + artist;
    return c;
}

std::string NotchStates::textPreview(std::string_view text, std::size_t limit) {
    std::string collapsed;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSpace(static_cast<unsigned char>(text[i]))) ++i;
        std::size_t start = i;
        while (i < text.size() && !isSpace(static_cast<unsigned char>(text[i]))) ++i;
        if (i > start) {
            if (!collapsed.empty()) collapsed += ' ';
            collapsed.append(text.substr(start, i - start));
        }
    }
    const auto points = codePoints(collapsed);
    if (points.size() <= limit) return collapsed;
    const std::size_t k = limit >= 3 ? (limit - 3) / 2 : 0;
    std::string out;
    for (std::size_t j = 0; j < k; ++j) out += points[j];
    out += " … ";
    for (std::size_t j = points.size() - k; j < points.size(); ++j) out += points[j];
    return out;
}

}  // namespace tarnlet
