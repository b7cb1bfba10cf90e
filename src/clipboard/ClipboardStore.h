#pragma once
// The clipboard history and its pins, and the two files that hold them under the data folder:
// "Clipboard.json" (the history, newest first) and "ClipboardPins.json" (the pins in display order
// and whether the user ordered them by hand). Both lists hold at most 20 texts, no two equal
// (canonically equivalent texts are equal); a text may be in both lists at once.
//
//     ClipboardStore store(appFiles.root(), queue);
//     store.load();                                  // at activation; writes nothing
//     store.ingest(copiedText);                      // the only way the history grows
//     for (const auto& entry : store.pickerOrdered()) show(ClipboardStore::preview(entry.text, 34));
//
// A change is written kWriteDelay seconds later, together with every change made meanwhile, so a
// burst of copies costs one write and no copy waits for the disk; the whole file is replaced
// atomically as compact JSON readable by the user alone. Loading, flush() and destroying the store
// write what is still waiting. A file that cannot be read or decoded reads as empty, and before it
// is first overwritten it is renamed "<name>.corrupt" beside itself, so nothing a user had is
// silently destroyed (when it cannot be moved aside, it is not overwritten either). A failed write
// keeps the change in memory and is logged once for each way it failed (see StoreFile).
//
// Main thread only.

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/ClipboardEntry.h"
#include "platform/StoreFile.h"

namespace tarnlet {

class ClipboardStore {
public:
    // Both lists are cut to their first 20 items.
    static constexpr std::size_t kCapacity = 20;
    // Longer copies (in UTF-8 bytes, untrimmed) are not kept.
    static constexpr std::size_t kMaxTextBytes = 100'000;
    static constexpr const char* kHistoryFileName = "Clipboard.json";
    static constexpr const char* kPinsFileName = "ClipboardPins.json";
    // How long a change waits for others to share its write.
    static constexpr double kWriteDelay = 1.0;

    // root: the application's data folder (AppFiles::root()); it is created on the first write.
    // queue: its wall clock dates new entries, and it runs the delayed writes. Starts empty;
    // nothing is read until load().
    ClipboardStore(const std::filesystem::path& root, MainQueue& queue);
    ClipboardStore(const ClipboardStore&) = delete;
    ClipboardStore& operator=(const ClipboardStore&) = delete;
    // Writes the changes still waiting.
    ~ClipboardStore();

    // Replaces the history, the pins and the pin order from the files, once the changes still
    // waiting are written. A missing or unreadable history file gives an empty history; a missing
    // or unreadable pins file no pins and automatic order. The older pins file, a bare array of
    // entries, is read with automatic order. Duplicate texts in a file keep their first
    // occurrence, and history texts longer than kMaxTextBytes are left out, as a copy of them
    // would be. Clears what interrupted writes left behind; writes nothing.
    void load();

    // Writes the changes still waiting now (at quit, say).
    void flush();

    // Admits one copied text to the front of the history, dated now, or, when it is already there,
    // with the date of its first copy. Ignored when it is blank (only white space and line breaks),
    // longer than kMaxTextBytes or not well-formed UTF-8. Until the pins are ordered by hand, a
    // pin with this text moves to the front of the pins. Copying the text that is already first
    // changes nothing and writes nothing (apart from that pin move).
    void ingest(std::string_view text);

    // Pins (to the front of the pins, even after a manual reorder) or unpins entry by its text. A
    // 21st pin drops the last one; removing the last pin returns to automatic order. Writes the
    // pins file. Texts that are not well-formed UTF-8 are never pinned.
    void setPinned(const ClipboardEntry& entry, bool pinned);

    // Reorders the pins by hand as moved() does, switches to manual order and writes the pins file.
    void movePins(const std::set<std::size_t>& fromOffsets, std::size_t toOffset);

    // Empties the history and writes its file; the pins stay.
    void clearHistory();

    // History, newest first.
    const std::vector<ClipboardEntry>& entries() const { return m_entries.items(); }
    // Pins in display order.
    const std::vector<ClipboardEntry>& pinned() const { return m_pinned.items(); }
    // True once the pins were ordered by hand; false again when the last pin goes.
    bool pinsManualOrder() const { return m_pinsManualOrder; }
    // True when some pin's text equals text.
    bool isPinned(std::string_view text) const;

    // The settings window's list: the pins, then the history entries that are not pinned.
    std::vector<ClipboardEntry> ordered() const;
    // The picker's list: the newest history entry (what a plain paste would paste), the pins, then
    // the rest of the history, each text once, at its first place.
    std::vector<ClipboardEntry> pickerOrdered() const;

    const std::filesystem::path& fileURL() const { return m_historyFile.file(); }
    const std::filesystem::path& pinsURL() const { return m_pinsFile.file(); }
    // Why the latest write of the history file failed, else that of the pins file; none while both
    // files are up to date with what was written.
    const std::optional<std::string>& lastWriteError() const {
        return m_historyFile.lastWriteError() ? m_historyFile.lastWriteError() : m_pinsFile.lastWriteError();
    }

    // A one-line preview of text for lists: its first line that is not blank once spaces and tabs
    // are trimmed from both ends, runs of spaces collapsed. Longer than limit user-perceived
    // characters, it is cut to limit − 1 characters and "…"; a link (http:// or https://) keeps
    // limit / 2 − 1 characters at each end around the "…" instead, so both host and tail show. Any
    // line break ends a line (LF, CR, CR LF, and the Unicode separators). Empty when there is no
    // such line or limit is not positive.
    static std::string preview(std::string_view text, int limit);

    // list with the items at fromOffsets taken out (keeping their order) and put back as one block
    // before the item that stood at toOffset (at the end for the list's length). Offsets outside
    // the list are ignored and toOffset beyond it means the end.
    template <class T>
    static std::vector<T> moved(const std::vector<T>& list, const std::set<std::size_t>& fromOffsets,
                                std::size_t toOffset) {
        toOffset = std::min(toOffset, list.size());
        std::vector<T> block;
        std::vector<T> rest;
        std::size_t movedBelow = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (fromOffsets.count(i)) {
                block.push_back(list[i]);
                if (i < toOffset) ++movedBelow;
            } else {
                rest.push_back(list[i]);
            }
        }
        const std::size_t at = std::min(toOffset - movedBelow, rest.size());
        rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(at), block.begin(), block.end());
        return rest;
    }

private:
    // A list of entries with each text's comparison form beside it, worked out once when the entry
    // enters the list, so a comparison is a plain byte comparison even for long texts.
    class List {
    public:
        const std::vector<ClipboardEntry>& items() const { return m_items; }
        std::size_t size() const { return m_items.size(); }
        bool empty() const { return m_items.empty(); }
        std::string_view form(std::size_t index) const {
            return m_composed[index] ? std::string_view(*m_composed[index]) : std::string_view(m_items[index].text);
        }
        // The text's composition when it differs from the text (see ClipboardEntry).
        const std::optional<std::string>& composed(std::size_t index) const { return m_composed[index]; }
        std::optional<std::size_t> find(std::string_view form) const;

        // Takes items in order, dropping later duplicates, then cuts the list to kCapacity.
        void assign(std::vector<ClipboardEntry> items);
        void insertFront(ClipboardEntry entry, std::optional<std::string> composed);
        void removeAll(std::string_view form);
        void moveToFront(std::size_t index);
        void reorder(const std::set<std::size_t>& fromOffsets, std::size_t toOffset);
        void truncate(std::size_t count);
        void clear();

    private:
        std::vector<ClipboardEntry> m_items;
        std::vector<std::optional<std::string>> m_composed;
    };

    // The cached composition of a stored item whose text is byte for byte text; null when there is
    // none. Texts handed back from the lists (the picker's, the settings window's) are found here,
    // which spares checking and normalising them again.
    const std::optional<std::string>* knownComposition(std::string_view text) const;
    void refrontPinIfNeeded(std::string_view form);
    void writeHistory();
    void writePins();
    std::string encodedHistory() const;
    std::string encodedPins() const;

    MainQueue& m_queue;
    List m_entries;
    List m_pinned;
    bool m_pinsManualOrder = false;
    // After the lists their encoders read, so a write still waiting when they are destroyed finds
    // them whole.
    StoreFile m_historyFile;
    StoreFile m_pinsFile;
};

}  // namespace tarnlet
