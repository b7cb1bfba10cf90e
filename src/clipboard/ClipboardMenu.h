#pragma once
// The clipboard picker's window: the shared list popup with one row per preview — its slot
// number, the preview, monospaced for code, and an icon by what the text looks like (a pin for a
// pinned one) — the tab caption above and the key hints below. Slots are 1-based here, rows
// 0-based in the list. Main thread only.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/ListMenu.h"
#include "clipboard/PasteFlow.h"

namespace tarnlet {

class ClipboardMenu {
public:
    enum class Kind { link, email, code, text };

    static constexpr int kVisibleRows = 5;
    static constexpr const char* kNoPinsText = "No pins yet — pin items in Settings → Clipboard";
    static constexpr const char* kNothingCopiedText = "Nothing copied yet";

    ClipboardMenu(Panels& panels, Mouse& mouse, Screens& screens, TextMeasurer& measurer);

    std::function<void(int slot)> onPick;
    std::function<void(int slot)> onHover;

    void show(const std::vector<std::string>& previews, const std::vector<bool>& pinned, ClipboardTab tab);
    void update(const std::vector<std::string>& previews, const std::vector<bool>& pinned, ClipboardTab tab);
    void highlight(int slot);
    void close();
    bool isOpen() const { return m_menu.isOpen(); }

    // What a preview looks like, judged on it trimmed of white space.
    static Kind kind(std::string_view preview);
    static std::string caption(ClipboardTab tab);
    static std::vector<ListMenu::Item> items(const std::vector<std::string>& previews, const std::vector<bool>& pinned);

    ListMenu& menu() { return m_menu; }
    const ListMenu& menu() const { return m_menu; }

private:
    ListMenu m_menu;
};

}  // namespace tarnlet
