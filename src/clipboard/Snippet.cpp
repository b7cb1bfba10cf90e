#include "clipboard/Snippet.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

namespace tarnlet {

namespace {

// The length in bytes of a line break at the start of rest, or 0. Every line break ends a line,
// not only the line feed: a carriage return left inside a one-line preview would show as garbage.
std::size_t lineBreakAt(std::string_view rest) {
    switch (rest[0]) {
        case '\n':
        case '\v':
        case '\f':
        case '\r':
            return 1;
        case '\xC2':
            return rest.size() >= 2 && rest[1] == '\x85' ? 2 : 0;  // NEXT LINE
        case '\xE2':  // LINE SEPARATOR, PARAGRAPH SEPARATOR
            return rest.size() >= 3 && rest[1] == '\x80' && (rest[2] == '\xA8' || rest[2] == '\xA9') ? 3 : 0;
        default:
            return 0;
    }
}

bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// Where the first count user-perceived characters of line end; none when the line is not longer
// than count characters. The iterator walks the UTF-8 in place, so only the characters asked for
// are examined. Without an ICU iterator, code points stand in for characters.
std::optional<std::size_t> cutAfter(std::string_view line, std::size_t count) {
    if (line.size() <= count) return std::nullopt;  // fewer bytes than characters asked for
    const auto length = static_cast<std::int64_t>(
        std::min<std::size_t>(line.size(), static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
    thread_local std::unique_ptr<icu::BreakIterator> cached = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> iterator(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(iterator) : nullptr;
    }();
    UErrorCode status = U_ZERO_ERROR;
    UText text = UTEXT_INITIALIZER;
    utext_openUTF8(&text, line.data(), length, &status);
    std::optional<std::size_t> cut;
    if (U_SUCCESS(status) && cached) {
        cached->setText(&text, status);
        if (U_SUCCESS(status)) {
            std::int32_t offset = cached->first();
            std::size_t seen = 0;
            while (seen < count && offset != icu::BreakIterator::DONE) {
                offset = cached->next();
                ++seen;
            }
            if (offset != icu::BreakIterator::DONE && static_cast<std::size_t>(offset) < line.size())
                cut = static_cast<std::size_t>(offset);
        }
        utext_close(&text);
        return cut;
    }
    if (U_SUCCESS(status)) utext_close(&text);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < count && offset < line.size(); ++i) {
        ++offset;
        while (offset < line.size() && (static_cast<std::uint8_t>(line[offset]) & 0xC0) == 0x80) ++offset;
    }
    if (offset < line.size()) cut = offset;
    return cut;
}

}  // namespace

std::string Snippet::previewOf(std::string_view body) {
    std::size_t at = 0;
    for (;;) {
        while (at < body.size() && isSpaceOrTab(body[at])) ++at;
        if (at == body.size()) return {};
        const std::size_t breakLength = lineBreakAt(body.substr(at));
        if (breakLength == 0) break;
        at += breakLength;
    }
    std::size_t end = at;
    while (end < body.size() && lineBreakAt(body.substr(end)) == 0) ++end;
    std::string_view line = body.substr(at, end - at);
    while (!line.empty() && isSpaceOrTab(line.back())) line.remove_suffix(1);

    if (!cutAfter(line, kPreviewLimit)) return std::string(line);
    std::string out(line.substr(0, *cutAfter(line, kPreviewLimit - 1)));
    out += "…";
    return out;
}

}  // namespace tarnlet
