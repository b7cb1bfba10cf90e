#include "clipboard/ClipboardStore.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <nlohmann/json.hpp>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "clipboard/TextLines.h"
#include "diagnostics/Log.h"
#include "platform/MainQueue.h"

namespace tarnlet {

namespace fs = std::filesystem;

namespace {

// An array of entry objects, all of them well formed, or none: a file that is only partly
// understood is treated as not understood, and is kept aside whole rather than half rewritten.
std::optional<std::vector<ClipboardEntry>> decodeEntries(const Value& json) {
    if (!json.is_array()) return std::nullopt;
    std::vector<ClipboardEntry> entries;
    entries.reserve(json.size());
    for (const auto& item : json) {
        auto entry = ClipboardEntry::fromJSON(item);
        if (!entry) return std::nullopt;
        entries.push_back(std::move(*entry));
    }
    return entries;
}

struct DecodedPins {
    std::vector<ClipboardEntry> pins;
    bool manualOrder = false;
};

std::optional<DecodedPins> decodePins(const Value& json) {
    if (json.is_object()) {
        const auto pins = json.find("pins");
        const auto manualOrder = json.find("manualOrder");
        if (pins != json.end() && manualOrder != json.end() && manualOrder->is_boolean()) {
            if (auto entries = decodeEntries(*pins)) return DecodedPins{std::move(*entries), manualOrder->get<bool>()};
        }
    }
    // The older form of the file: the pins alone, always in automatic order.
    if (auto entries = decodeEntries(json)) return DecodedPins{std::move(*entries), false};
    return std::nullopt;
}

// Blank means only white space and line breaks (the Unicode White_Space characters), so a copy of
// nothing but indentation or empty lines never enters the history.
bool isBlank(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        if (bytes[i] < 0x80) {
            if (!u_isUWhiteSpace(bytes[i])) return false;
            ++i;
            continue;
        }
        const std::size_t window = std::min<std::size_t>(size - i, std::numeric_limits<std::int32_t>::max());
        std::int32_t offset = 0;
        UChar32 c = 0;
        U8_NEXT(bytes + i, offset, static_cast<std::int32_t>(window), c);
        if (c < 0 || !u_isUWhiteSpace(c)) return false;
        i += static_cast<std::size_t>(offset);
    }
    return true;
}

// A line with trailing spaces and tabs trimmed and every run of spaces collapsed to one (it starts
// with neither already).
std::string tidied(std::string_view line) {
    while (!line.empty() && TextLines::isSpaceOrTab(line.back())) line.remove_suffix(1);
    std::string out;
    out.reserve(line.size());
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t space = line.find(' ', i);
        if (space == std::string_view::npos) {
            out.append(line.substr(i));
            break;
        }
        out.append(line.substr(i, space + 1 - i));
        i = line.find_first_not_of(' ', space);  // the line ends in something else
    }
    return out;
}

bool isLink(std::string_view line) { return line.starts_with("http://") || line.starts_with("https://"); }

}  // namespace

std::optional<std::size_t> ClipboardStore::List::find(std::string_view form) const {
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (this->form(i) == form) return i;
    return std::nullopt;
}

void ClipboardStore::List::assign(std::vector<ClipboardEntry> items) {
    m_items.clear();
    m_composed.clear();
    for (auto& item : items) {
        if (m_items.size() == kCapacity) break;
        auto composed = ClipboardEntry::composedIfDifferent(item.text);
        if (find(composed ? std::string_view(*composed) : std::string_view(item.text))) continue;
        m_items.push_back(std::move(item));
        m_composed.push_back(std::move(composed));
    }
}

void ClipboardStore::List::insertFront(ClipboardEntry entry, std::optional<std::string> composed) {
    m_items.insert(m_items.begin(), std::move(entry));
    m_composed.insert(m_composed.begin(), std::move(composed));
}

void ClipboardStore::List::removeAll(std::string_view form) {
    for (std::size_t i = m_items.size(); i-- > 0;) {
        if (this->form(i) != form) continue;
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
        m_composed.erase(m_composed.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void ClipboardStore::List::moveToFront(std::size_t index) {
    const auto at = static_cast<std::ptrdiff_t>(index);
    std::rotate(m_items.begin(), m_items.begin() + at, m_items.begin() + at + 1);
    std::rotate(m_composed.begin(), m_composed.begin() + at, m_composed.begin() + at + 1);
}

void ClipboardStore::List::reorder(const std::set<std::size_t>& fromOffsets, std::size_t toOffset) {
    m_items = moved(m_items, fromOffsets, toOffset);
    m_composed = moved(m_composed, fromOffsets, toOffset);
}

void ClipboardStore::List::truncate(std::size_t count) {
    if (m_items.size() <= count) return;
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(count), m_items.end());
    m_composed.erase(m_composed.begin() + static_cast<std::ptrdiff_t>(count), m_composed.end());
}

void ClipboardStore::List::clear() {
    m_items.clear();
    m_composed.clear();
}

ClipboardStore::ClipboardStore(const fs::path& root, MainQueue& queue)
    : m_queue(queue),
      m_historyFile(root / kHistoryFileName, queue, kWriteDelay),
      m_pinsFile(root / kPinsFileName, queue, kWriteDelay) {
    m_historyFile.onWriteFailure = [](const std::string& reason) {
        Log::error("Clipboard: could not save history — " + reason);
    };
    m_pinsFile.onWriteFailure = [](const std::string& reason) { Log::error("Clipboard: could not save pins — " + reason); };
}

ClipboardStore::~ClipboardStore() { flush(); }

void ClipboardStore::flush() {
    m_historyFile.flush();
    m_pinsFile.flush();
}

void ClipboardStore::load() {
    std::vector<ClipboardEntry> entries;
    const auto history = m_historyFile.readJSON();
    auto decodedHistory = history ? decodeEntries(*history) : std::nullopt;
    if (history && !decodedHistory) m_historyFile.setAsideBeforeWriting();
    if (decodedHistory) entries = std::move(*decodedHistory);
    // A text no copy could bring in would otherwise be rewritten with every copy for as long as it
    // stays in the history.
    std::erase_if(entries, [](const ClipboardEntry& entry) { return entry.text.size() > kMaxTextBytes; });
    m_entries.assign(std::move(entries));

    DecodedPins pins;
    const auto pinsFile = m_pinsFile.readJSON();
    auto decodedPins = pinsFile ? decodePins(*pinsFile) : std::nullopt;
    if (pinsFile && !decodedPins) m_pinsFile.setAsideBeforeWriting();
    if (decodedPins) pins = std::move(*decodedPins);
    m_pinned.assign(std::move(pins.pins));
    // Without pins there is no order to keep; the next pin starts automatic order again, just as
    // when the last pin is removed.
    m_pinsManualOrder = pins.manualOrder && !m_pinned.empty();
}

const std::optional<std::string>* ClipboardStore::knownComposition(std::string_view text) const {
    for (const List* list : {&m_entries, &m_pinned})
        for (std::size_t i = 0; i < list->size(); ++i)
            if (list->items()[i].text == text) return &list->composed(i);
    return nullptr;
}

void ClipboardStore::ingest(std::string_view copied) {
    if (copied.size() > kMaxTextBytes || isBlank(copied)) return;
    std::optional<std::string> composed;
    if (const auto* known = knownComposition(copied)) {
        // A text the store holds already is well formed, and its form is worked out.
        composed = *known;
    } else {
        if (!ClipboardEntry::isWellFormed(copied)) return;
        composed = ClipboardEntry::composedIfDifferent(copied);
    }
    // A copy of its own: the caller's text may be one of this store's entries, which the steps
    // below move or remove.
    std::string text(copied);
    const std::string_view form = composed ? std::string_view(*composed) : std::string_view(text);

    refrontPinIfNeeded(form);
    if (!m_entries.empty() && m_entries.form(0) == form) return;

    const auto earlier = m_entries.find(form);
    const double date = earlier ? m_entries.items()[*earlier].firstCopiedAt : m_queue.wallNow();
    m_entries.removeAll(form);
    m_entries.insertFront(ClipboardEntry{std::move(text), date}, std::move(composed));
    m_entries.truncate(kCapacity);
    writeHistory();
}

void ClipboardStore::refrontPinIfNeeded(std::string_view form) {
    if (m_pinsManualOrder) return;
    const auto index = m_pinned.find(form);
    if (!index || *index == 0) return;
    m_pinned.moveToFront(*index);
    writePins();
}

void ClipboardStore::setPinned(const ClipboardEntry& pin, bool pinned) {
    std::optional<std::string> composed;
    if (const auto* known = knownComposition(pin.text)) {
        composed = *known;
    } else {
        if (pinned && !ClipboardEntry::isWellFormed(pin.text)) return;
        composed = ClipboardEntry::composedIfDifferent(pin.text);
    }
    // A copy of its own: the caller's entry may be one of the pins removed below.
    ClipboardEntry entry = pin;
    m_pinned.removeAll(composed ? std::string_view(*composed) : std::string_view(entry.text));
    if (pinned) m_pinned.insertFront(std::move(entry), std::move(composed));
    m_pinned.truncate(kCapacity);
    if (m_pinned.empty()) m_pinsManualOrder = false;
    writePins();
}

void ClipboardStore::movePins(const std::set<std::size_t>& fromOffsets, std::size_t toOffset) {
    // Nothing to order: manual order without pins would only keep the next pin from moving up.
    if (m_pinned.empty()) return;
    m_pinned.reorder(fromOffsets, toOffset);
    m_pinsManualOrder = true;
    writePins();
}

void ClipboardStore::clearHistory() {
    m_entries.clear();
    writeHistory();
}

bool ClipboardStore::isPinned(std::string_view text) const {
    std::optional<std::string> worked;
    const std::optional<std::string>* composed = knownComposition(text);
    if (!composed) {
        worked = ClipboardEntry::composedIfDifferent(text);
        composed = &worked;
    }
    return m_pinned.find(*composed ? std::string_view(**composed) : text).has_value();
}

std::vector<ClipboardEntry> ClipboardStore::ordered() const {
    std::vector<ClipboardEntry> out = m_pinned.items();
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (!m_pinned.find(m_entries.form(i))) out.push_back(m_entries.items()[i]);
    return out;
}

std::vector<ClipboardEntry> ClipboardStore::pickerOrdered() const {
    std::vector<ClipboardEntry> out;
    std::vector<std::string_view> forms;
    out.reserve(m_entries.size() + m_pinned.size());
    forms.reserve(m_entries.size() + m_pinned.size());
    auto add = [&](const List& list, std::size_t index) {
        const std::string_view form = list.form(index);
        if (std::find(forms.begin(), forms.end(), form) != forms.end()) return;
        forms.push_back(form);
        out.push_back(list.items()[index]);
    };
    if (!m_entries.empty()) add(m_entries, 0);
    for (std::size_t i = 0; i < m_pinned.size(); ++i) add(m_pinned, i);
    for (std::size_t i = 0; i < m_entries.size(); ++i) add(m_entries, i);
    return out;
}

namespace {

std::size_t encodedSizeGuess(const std::vector<ClipboardEntry>& entries) {
    std::size_t size = 32;
    for (const auto& entry : entries) size += entry.text.size() + 48;
    return size;
}

}  // namespace

void ClipboardStore::writeHistory() {
    m_historyFile.scheduleWrite([this] { return encodedHistory(); });
}

void ClipboardStore::writePins() {
    m_pinsFile.scheduleWrite([this] { return encodedPins(); });
}

std::string ClipboardStore::encodedHistory() const {
    std::string json;
    json.reserve(encodedSizeGuess(m_entries.items()));
    json += '[';
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (i > 0) json += ',';
        m_entries.items()[i].appendJSON(json);
    }
    json += ']';
    return json;
}

std::string ClipboardStore::encodedPins() const {
    std::string json;
    json.reserve(encodedSizeGuess(m_pinned.items()));
    json += "{\"pins\":[";
    for (std::size_t i = 0; i < m_pinned.size(); ++i) {
        if (i > 0) json += ',';
        m_pinned.items()[i].appendJSON(json);
    }
    json += m_pinsManualOrder ? "],\"manualOrder\":true}" : "],\"manualOrder\":false}";
    return json;
}

std::string ClipboardStore::preview(std::string_view text, int limit) {
    if (limit <= 0) return {};
    const auto start = TextLines::firstVisible(text);
    if (!start) return {};
    const auto count = static_cast<std::size_t>(limit);
    constexpr std::string_view kEllipsis = "…";

    // A long line is read through a window from its start that grows until it decides the
    // preview, so a 100,000-byte line costs no more than a short one. That is exact: where one
    // user-perceived character ends depends on the text before it and on one code point after it
    // only, so every boundary before the window's last code point is final. The window ends on a
    // code point and is trimmed like a line, so a character after the limit-th one inside it is a
    // real one; only a link, cut in the middle, needs its whole line.
    const std::size_t rest = text.size() - *start;
    std::size_t window = 64 + 8 * count;
    for (;;) {
        std::size_t end = rest <= window ? text.size() : *start + window;
        while (end < text.size() && (static_cast<std::uint8_t>(text[end]) & 0xC0) == 0x80) --end;
        const std::size_t stop = TextLines::lineEnd(text, *start, end);
        const bool whole = stop < end || end == text.size();
        const std::string line = tidied(text.substr(*start, stop - *start));
        const TextLines::Characters characters(line);
        const auto cut = characters.offsetAfter(count);
        const bool longer = cut && *cut < line.size();
        if (whole && !longer) return line;

        if (longer && !isLink(line)) {
            std::string out(line, 0, *characters.offsetAfter(count - 1));
            out += kEllipsis;
            return out;
        }
        if (whole) {
            // A middle cut keeps both the host and the tail of a link in sight.
            const std::size_t keep = limit / 2 > 1 ? static_cast<std::size_t>(limit / 2 - 1) : 0;
            std::string out(line, 0, keep == 0 ? 0 : *characters.offsetAfter(keep));
            out += kEllipsis;
            out.append(line, keep == 0 ? line.size() : characters.offsetBefore(keep));
            return out;
        }
        window = longer || window > rest / 4 ? rest : window * 4;
    }
}

}  // namespace tarnlet
