#include "clipboard/TextLines.h"

namespace tarnlet {

std::size_t TextLines::lineBreakAt(std::string_view rest) {
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

std::optional<std::size_t> TextLines::firstVisible(std::string_view text) {
    std::size_t at = 0;
    for (;;) {
        while (at < text.size() && isSpaceOrTab(text[at])) ++at;
        if (at == text.size()) return std::nullopt;
        const std::size_t breakLength = lineBreakAt(text.substr(at));
        if (breakLength == 0) return at;
        at += breakLength;
    }
}

std::size_t TextLines::lineEnd(std::string_view text, std::size_t from, std::size_t to) {
    for (std::size_t at = from; at < to; ++at) {
        // Only these bytes can begin a line break, so any other byte costs one test.
        const auto byte = static_cast<std::uint8_t>(text[at]);
        if (((byte >= '\n' && byte <= '\r') || byte == 0xC2 || byte == 0xE2) && lineBreakAt(text.substr(at)) != 0)
            return at;
    }
    return to;
}

}  // namespace tarnlet
