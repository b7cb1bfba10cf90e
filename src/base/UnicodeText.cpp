#include "base/UnicodeText.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace tarnlet {

std::string_view UnicodeText::trimmedWhiteSpace(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    // ICU counts in 32 bits; a longer text is trimmed within its first 2 GiB.
    const auto length = static_cast<std::int32_t>(
        std::min<std::size_t>(text.size(), static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
    std::int32_t start = 0;
    while (start < length) {
        std::int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        start = next;
    }
    std::int32_t end = length;
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

}  // namespace tarnlet
