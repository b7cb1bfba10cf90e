#include "windows/WindowActivator.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>

#include "base/UnicodeText.h"
#include "platform/Workspace.h"

namespace tarnlet {

namespace {

constexpr std::size_t kLongNameLength = 11;
constexpr std::size_t kShortenedLength = 9;

// The code point at the start of `text`, or a negative value for an empty or malformed start.
UChar32 firstCodePoint(std::string_view text) {
    if (text.empty()) return -1;
    std::int32_t offset = 0;
    UChar32 c = 0;
    U8_NEXT(text.data(), offset, static_cast<std::int32_t>(text.size()), c);
    return c;
}

bool startsWithLetter(std::string_view text) {
    const UChar32 c = firstCodePoint(text);
    return c >= 0 && u_isalpha(c);
}

std::string lowercased(std::string_view text) {
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
    // The root locale keeps lowercasing the same whatever language the user runs the desktop in.
    unicode.toLower(icu::Locale::getRoot());
    std::string result;
    unicode.toUTF8String(result);
    return result;
}

// The user-perceived characters of `text`, each as UTF-8.
std::vector<std::string> characters(std::string_view text) {
    std::vector<std::string> result;
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> iterator(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !iterator) {
        // Without break rules every code point counts as a character of its own.
        for (std::int32_t i = 0; i < unicode.length(); i = unicode.moveIndex32(i, 1)) {
            std::string piece;
            unicode.tempSubStringBetween(i, unicode.moveIndex32(i, 1)).toUTF8String(piece);
            result.push_back(std::move(piece));
        }
        return result;
    }
    iterator->setText(unicode);
    std::int32_t start = iterator->first();
    for (std::int32_t end = iterator->next(); end != icu::BreakIterator::DONE; start = end, end = iterator->next()) {
        std::string piece;
        unicode.tempSubStringBetween(start, end).toUTF8String(piece);
        result.push_back(std::move(piece));
    }
    return result;
}

// The initial a window with this title is listed and raised under: the first letter of its
// lowercased hint segment, or the segment's first character when it has no letter. None for a
// title with nothing in it.
std::optional<std::string> initialOf(std::string_view title) {
    const std::vector<std::string> segment = characters(lowercased(WindowActivator::hintSegment(title)));
    if (segment.empty()) return std::nullopt;
    const auto letter = std::find_if(segment.begin(), segment.end(),
                                     [](const std::string& character) { return startsWithLetter(character); });
    return letter != segment.end() ? *letter : segment.front();
}

std::string shortened(const std::string& name) {
    const std::vector<std::string> chars = characters(name);
    if (chars.size() < kLongNameLength) return name;
    std::string result;
    for (std::size_t i = 0; i < kShortenedLength; ++i) result += chars[i];
    return result + "…";
}

// The application element, with its timeout, and its windows in the application's order.
std::optional<std::vector<AXElement>> windowsOf(Accessibility& accessibility, int pid) {
    const AXElement app = accessibility.createApplication(pid);
    accessibility.setMessagingTimeout(app, AXWindow::kMessagingTimeout);
    AXValue value;
    if (accessibility.copyAttribute(app, "AXWindows", value) != AXError::success) return std::nullopt;
    auto* windows = std::get_if<std::vector<AXElement>>(&value);
    if (!windows) return std::nullopt;
    for (const AXElement& window : *windows) accessibility.setMessagingTimeout(window, AXWindow::kMessagingTimeout);
    return std::move(*windows);
}

std::optional<std::string> titleOf(Accessibility& accessibility, const AXElement& window) {
    AXValue value;
    if (accessibility.copyAttribute(window, "AXTitle", value) != AXError::success) return std::nullopt;
    if (auto* title = std::get_if<std::string>(&value)) return std::move(*title);
    return std::nullopt;
}

}  // namespace

std::string WindowActivator::hintSegment(std::string_view title) {
    static constexpr std::string_view kSeparators[] = {" — ", " – ", " - "};
    const std::string_view trimmed = UnicodeText::trimmedWhiteSpace(title);
    std::vector<std::string_view> pieces{trimmed};
    for (const std::string_view separator : kSeparators) {
        std::vector<std::string_view> split;
        for (std::string_view piece : pieces) {
            for (std::size_t at = piece.find(separator); at != std::string_view::npos; at = piece.find(separator)) {
                split.push_back(piece.substr(0, at));
                piece.remove_prefix(at + separator.size());
            }
            split.push_back(piece);
        }
        pieces = std::move(split);
    }
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece)
        if (!piece->empty() && startsWithLetter(*piece)) return std::string(*piece);
    return std::string(trimmed);
}

std::vector<WindowActivator::TitleHint> WindowActivator::titleHints(WindowServices& services, int pid) {
    std::vector<TitleHint> hints;
    const auto windows = windowsOf(services.accessibility, pid);
    if (!windows) return hints;
    for (const AXElement& window : *windows) {
        const auto title = titleOf(services.accessibility, window);
        if (!title) continue;
        auto initial = initialOf(*title);
        if (!initial) continue;
        // Later windows whose initial is taken are dropped: one letter can raise only one hint.
        const bool taken =
            std::any_of(hints.begin(), hints.end(), [&](const TitleHint& hint) { return hint.initial == *initial; });
        if (!taken) hints.push_back({std::move(*initial), shortened(hintSegment(*title))});
    }
    return hints;
}

void WindowActivator::raise(WindowServices& services, int pid, std::string_view titleInitial) {
    Accessibility& accessibility = services.accessibility;
    const auto windows = windowsOf(accessibility, pid);
    if (!windows) return;
    const std::string wanted = lowercased(titleInitial);
    std::vector<AXElement> matches;
    for (const AXElement& window : *windows) {
        const auto title = titleOf(accessibility, window);
        if (!title) continue;
        if (initialOf(*title) == wanted) matches.push_back(window);
    }
    if (matches.empty()) return;

    // Without a matching main window the first match in the application's own order is raised: it
    // is the window the hint strip names for this letter.
    AXElement target = matches.front();
    const AXElement app = accessibility.createApplication(pid);
    accessibility.setMessagingTimeout(app, AXWindow::kMessagingTimeout);
    if (const auto main = copyElement(accessibility, app, "AXMainWindow")) {
        // The application lists its windows front to back, and raising one brings it to the front,
        // so stepping on through that order would bounce between the two front-most windows. A
        // fixed order (the windows' identities) lets repeated presses of one letter visit every
        // window sharing it.
        std::vector<AXElement> cycle = matches;
        std::sort(cycle.begin(), cycle.end(), [](const AXElement& a, const AXElement& b) { return a.id() > b.id(); });
        const auto found = std::find(cycle.begin(), cycle.end(), *main);
        if (found != cycle.end()) {
            const auto index = static_cast<std::size_t>(found - cycle.begin());
            target = cycle[(index + 1) % cycle.size()];
        }
    }
    accessibility.performAction(target, "AXRaise");
    services.workspace.activateApplication(pid);
}

std::optional<AXElement> WindowActivator::copyElement(Accessibility& accessibility, const AXElement& element,
                                                      const std::string& attribute) {
    AXValue value;
    if (accessibility.copyAttribute(element, attribute, value) != AXError::success) return std::nullopt;
    const AXElement* result = std::get_if<AXElement>(&value);
    if (!result || result->isNull()) return std::nullopt;
    accessibility.setMessagingTimeout(*result, AXWindow::kMessagingTimeout);
    return *result;
}

}  // namespace tarnlet
