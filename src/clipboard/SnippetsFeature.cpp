#include "clipboard/SnippetsFeature.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include "diagnostics/Log.h"
#include "keys/SyntheticPaste.h"
#include "platform/EventTaps.h"
#include "platform/InputEvent.h"
#include "platform/Mouse.h"
#include "platform/Pasteboard.h"
#include "platform/Permissions.h"
#include "platform/SystemFacts.h"
#include "platform/Workspace.h"

namespace tarnlet {

namespace {

// The byte offsets at which user-perceived characters (grapheme clusters) of well-formed UTF-8
// text begin, followed by the text's length; none when no character iterator is available.
std::optional<std::vector<std::size_t>> characterBoundaries(std::string_view text) {
    thread_local std::unique_ptr<icu::BreakIterator> cached = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> iterator(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(iterator) : nullptr;
    }();
    if (!cached || text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    UText utext = UTEXT_INITIALIZER;
    utext_openUTF8(&utext, text.data(), static_cast<std::int64_t>(text.size()), &status);
    std::vector<std::size_t> boundaries;
    if (U_SUCCESS(status)) {
        cached->setText(&utext, status);
        if (U_SUCCESS(status))
            for (std::int32_t at = cached->first(); at != icu::BreakIterator::DONE; at = cached->next())
                boundaries.push_back(static_cast<std::size_t>(at));
    }
    utext_close(&utext);
    if (U_FAILURE(status)) return std::nullopt;
    return boundaries;
}

// The code points of text; none when it is not well-formed UTF-8.
std::optional<std::vector<UChar32>> codePoints(std::string_view text) {
    std::vector<UChar32> out;
    const auto length = static_cast<std::int32_t>(std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max()));
    for (std::int32_t at = 0; at < length;) {
        UChar32 c = 0;
        U8_NEXT(text.data(), at, length, c);
        if (c < 0) return std::nullopt;
        out.push_back(c);
    }
    return out;
}

// Function, arrow and navigation keys report their characters in this private range.
bool isFunctionKeyCharacter(UChar32 c) { return c >= 0xF700 && c <= 0xF8FF; }

}  // namespace

SnippetsFeature::SnippetsFeature(Settings& settings, Services services)
    : m_settings(settings),
      m_services(std::move(services)),
      m_store(m_services.root),
      m_menu(m_services.panels, m_services.mouse, m_services.screens, m_services.measurer),
      m_keyTap(m_services.taps, true, true) {
    m_menu.setEmptyText(kEmptyText);
    m_keyTap.onKey = m_weak.bind([this](const TransientKeyTap::KeyEvent& event) { return key(event); });
    m_menu.onPick = m_weak.bind([this](int row) { pickRow(row); });
    m_menu.onHover = m_weak.bind([this](int row) {
        if (row < 0 || row >= static_cast<int>(m_visible.size())) return;
        m_highlighted = row;
        m_menu.highlight(row);
    });
}

SnippetsFeature::~SnippetsFeature() = default;

void SnippetsFeature::activate() {
    if (m_isActive) return;
    m_isActive = true;
    // The user may have restored a backup or edited the file while the tool was off.
    m_store.invalidateCache();
    if (!m_services.permissions.preflightPostEvent()) m_services.permissions.requestPostEvent();
    Log::debug([&] { return "Snippets activated (" + std::to_string(m_store.all().size()) + " saved)"; });
}

void SnippetsFeature::deactivate() {
    if (!m_isActive) return;
    m_isActive = false;
    closePicker();
    Log::debug("Snippets deactivated");
}

void SnippetsFeature::showPicker() {
    if (!m_isActive) return;
    if (isPickerShowing()) {
        closePicker();
        return;
    }
    m_query.clear();
    m_lastEmptyBackspace = kDistantPast;
    m_returnDown = false;
    m_visible = SnippetStore::matches("", m_store.all());
    m_highlighted = 0;
    m_menu.show(items(), header(), {"↑↓ move", "⏎ insert", "esc"}, kVisibleRows);

    m_keyTap.arm();
    m_outsideClickMonitor = m_services.mouse.addGlobalMonitor(MouseMask::leftDown | MouseMask::rightDown,
                                                              m_weak.bind([this](const MouseEvent&) { closePicker(); }));
    m_appSwitchToken = m_services.workspace.observeApplications(
        m_weak.bind([this](WorkspaceEvent event, const RunningApplication&) {
            if (event == WorkspaceEvent::activated) closePicker();
        }));
}

void SnippetsFeature::closePicker() {
    m_menu.close();
    // The key that closed the picker is still down; its release must not reach the application
    // alone.
    m_keyTap.disarmWhenReleased();
    m_outsideClickMonitor.reset();
    m_appSwitchToken.cancel();
    m_query.clear();
    m_visible.clear();
    m_highlighted = 0;
    m_lastEmptyBackspace = kDistantPast;
    m_returnDown = false;
}

bool SnippetsFeature::key(const TransientKeyTap::KeyEvent& event) {
    if (!m_menu.isOpen()) return false;
    const bool down = !event.isKeyUp;
    switch (event.code) {
        case kReturn:
        case kEnter: {
            if (down) {
                m_returnDown = true;
                return true;
            }
            // A release whose press went to the application before the picker opened is its own.
            if (!m_returnDown) return false;
            m_returnDown = false;
            if (m_highlighted >= 0 && m_highlighted < static_cast<int>(m_visible.size())) {
                const Snippet chosen = m_visible[static_cast<std::size_t>(m_highlighted)];
                closePicker();
                insert(chosen);
            }
            return true;
        }
        case kEscape:
            if (down) closePicker();
            return true;
        case kSemicolon:
            if (down && !event.isRepeat) closePicker();
            return true;
        case kDown:
        case kUp:
            if (down) moveHighlight(event.code == kDown ? 1 : -1);
            return true;
        case kDelete:
            if (!down) return true;
            if (!m_query.empty()) {
                m_query = dropLastCharacter(m_query);
                m_lastEmptyBackspace = kDistantPast;
                rerank();
            } else if (!event.isRepeat) {
                // Closing takes two deliberate presses: a held Delete that has just emptied the
                // query must not carry on into closing the picker.
                const double now = m_services.queue.now();
                if (now - m_lastEmptyBackspace < kDoubleDeleteInterval) closePicker();
                else m_lastEmptyBackspace = now;
            }
            return true;
        default:
            break;
    }
    if (!isTypedCharacter(event.characters())) return false;
    if (down) {
        m_query += event.characters();
        m_lastEmptyBackspace = kDistantPast;
        rerank();
    }
    return true;
}

void SnippetsFeature::rerank() {
    m_visible = SnippetStore::matches(m_query, m_store.all());
    m_highlighted = 0;
    m_menu.update(items(), header());
}

std::vector<ListMenu::Item> SnippetsFeature::items() const {
    std::vector<ListMenu::Item> out;
    out.reserve(m_visible.size());
    for (const Snippet& snippet : m_visible)
        out.push_back(ListMenu::Item{std::nullopt, ":" + snippet.trigger, snippet.preview(), kSymbol, true});
    return out;
}

ListMenu::Header SnippetsFeature::header() {
    return ListMenu::Header::search(m_query, m_store.all().empty() ? kEmptyStorePlaceholder : kPlaceholder);
}

void SnippetsFeature::moveHighlight(int delta) {
    if (m_visible.empty()) return;
    const int last = static_cast<int>(m_visible.size()) - 1;
    m_highlighted = std::clamp(m_highlighted + delta, 0, last);
    m_menu.highlight(m_highlighted);
}

void SnippetsFeature::pickRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_visible.size())) return;
    const Snippet chosen = m_visible[static_cast<std::size_t>(row)];
    closePicker();
    insert(chosen);
}

void SnippetsFeature::insert(const Snippet& snippet) {
    Pasteboard& pasteboard = m_services.pasteboard;
    const SnippetStore::Moment moment{m_services.queue.wallNow(), m_services.facts.localeIdentifier(),
                                      m_services.facts.timeZoneIdentifier()};
    const SnippetStore::Expansion expansion = SnippetStore::expand(snippet.body, pasteboard.string(), moment);

    pasteboard.clearContents();
    if (!pasteboard.setString(expansion.text)) {
        // Typing ⌘V now would paste whatever is left on the pasteboard instead of the snippet.
        Log::debug([&] { return "Snippets: the pasteboard refused :" + snippet.trigger + "; nothing inserted"; });
        return;
    }
    // The marker keeps clipboard histories, this system's included, from recording the text.
    pasteboard.setString("", PasteboardType::transient);

    if (!m_services.permissions.preflightPostEvent() || m_services.taps.isSecureEventInputEnabled()) {
        if (onCopiedWithoutPaste) onCopiedWithoutPaste();
        return;
    }
    const std::size_t caretSteps = expansion.caretOffsetFromEnd.value_or(0);
    // One task posts the paste and then the caret steps, so they reach the application in order
    // and only after the picker has gone.
    m_services.queue.post(m_weak.bind([this, caretSteps] {
        SyntheticPaste::post(m_services.taps);
        for (std::size_t i = 0; i < caretSteps; ++i) {
            for (const EventType type : {EventType::keyDown, EventType::keyUp}) {
                InputEvent left;
                left.type = type;
                left.keyCode = static_cast<std::uint16_t>(kLeft);
                left.flags = 0;
                left.userData = kSyntheticEventMarker;
                m_services.taps.post(left);
            }
        }
    }));
}

bool SnippetsFeature::isTypedCharacter(const std::string& characters) {
    if (characters.empty()) return false;
    const auto scalars = codePoints(characters);
    if (!scalars || scalars->empty()) return false;
    // A control or format character first is a key like Return, Tab or Escape, not typing.
    const auto category = u_charType(scalars->front());
    if (category == U_CONTROL_CHAR || category == U_FORMAT_CHAR) return false;
    for (const UChar32 c : *scalars)
        if (u_charType(c) == U_CONTROL_CHAR || isFunctionKeyCharacter(c)) return false;
    const auto boundaries = characterBoundaries(characters);
    if (!boundaries) return scalars->size() == 1;
    return boundaries->size() == 2;  // the start of one character and the end of the text
}

std::string SnippetsFeature::dropLastCharacter(const std::string& text) {
    if (text.empty()) return text;
    if (const auto boundaries = characterBoundaries(text); boundaries && boundaries->size() >= 2)
        return text.substr(0, (*boundaries)[boundaries->size() - 2]);
    // Without an iterator, drop the last code point rather than cut one in half.
    std::size_t end = text.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace tarnlet
