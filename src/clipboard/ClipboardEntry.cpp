#include "clipboard/ClipboardEntry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/utf8.h>

namespace tarnlet {

namespace {

// The length of the well-formed UTF-8 sequence at the start of bytes, or 0 when it is ill-formed.
std::size_t decodedLength(const std::uint8_t* bytes, std::size_t available) {
    // At most four bytes make a code point, so a short window keeps ICU's 32-bit counts happy.
    const auto window = static_cast<std::int32_t>(std::min<std::size_t>(available, 4));
    std::int32_t offset = 0;
    UChar32 c = 0;
    U8_NEXT(bytes, offset, window, c);
    return c < 0 ? 0 : static_cast<std::size_t>(offset);
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// True when one of the eight bytes of word needs a look of its own in a JSON string: a control
// character, a quote, a backslash, or a byte of a multi-byte sequence. Runs of bytes that need
// none are copied as they are.
bool needsLook(std::uint64_t word) {
    auto hasZero = [](std::uint64_t w) { return ((w - kOnes) & ~w & kHighBits) != 0; };
    const bool hasControl = ((word - kOnes * 0x20) & ~word & kHighBits) != 0;
    return (word & kHighBits) != 0 || hasControl || hasZero(word ^ (kOnes * '"')) || hasZero(word ^ (kOnes * '\\'));
}

const icu::Normalizer2* composition() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    return U_SUCCESS(status) ? nfc : nullptr;
}

}  // namespace

bool ClipboardEntry::isWellFormed(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        // Runs of ASCII, by far the commonest text, are skipped eight bytes at a time.
        std::uint64_t word = 0;
        if (size - i >= sizeof word) {
            std::memcpy(&word, bytes + i, sizeof word);
            if ((word & kHighBits) == 0) {
                i += sizeof word;
                continue;
            }
        }
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        if (decodedLength(bytes + i, size - i) == 0) return false;
        i += decodedLength(bytes + i, size - i);
    }
    return true;
}

std::optional<std::string> ClipboardEntry::composedIfDifferent(std::string_view text) {
    // ICU lengths are 32-bit; an ill-formed or gigantic text keeps its exact bytes as its form.
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
    const icu::Normalizer2* nfc = composition();
    if (!nfc || !isWellFormed(text)) return std::nullopt;
    const icu::StringPiece piece(text.data(), static_cast<std::int32_t>(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    if (nfc->isNormalizedUTF8(piece, status) || U_FAILURE(status)) return std::nullopt;
    std::string composed;
    icu::StringByteSink<std::string> sink(&composed, static_cast<std::int32_t>(text.size()));
    status = U_ZERO_ERROR;
    nfc->normalizeUTF8(0, piece, sink, nullptr, status);
    if (U_FAILURE(status)) return std::nullopt;
    return composed;
}

bool ClipboardEntry::sameText(std::string_view a, std::string_view b) {
    if (a == b) return true;
    const auto composedA = composedIfDifferent(a);
    const auto composedB = composedIfDifferent(b);
    // Two texts that are both already composed and differ in bytes are different texts.
    if (!composedA && !composedB) return false;
    return (composedA ? std::string_view(*composedA) : a) == (composedB ? std::string_view(*composedB) : b);
}

void ClipboardEntry::appendJSON(std::string& out) const {
    // Hand-escaped rather than built as a JSON tree: a full history of long texts is written on
    // every copy, and copying runs of plain bytes is several times faster than a general encoder.
    static constexpr char kHex[] = "0123456789abcdef";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    out += "{\"text\":\"";
    std::size_t run = 0;  // start of the bytes not yet copied
    std::size_t i = 0;
    while (i < size) {
        std::uint64_t word = 0;
        if (size - i >= sizeof word) {
            std::memcpy(&word, bytes + i, sizeof word);
            if (!needsLook(word)) {
                i += sizeof word;
                continue;
            }
        }
        const std::uint8_t byte = bytes[i];
        if (byte >= 0x20 && byte != '"' && byte != '\\' && byte < 0x80) {
            ++i;
            continue;
        }
        if (byte >= 0x80) {
            if (const std::size_t length = decodedLength(bytes + i, size - i)) {
                i += length;
                continue;
            }
        }
        out.append(text, run, i - run);
        switch (byte) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xF];
                } else {
                    out += "\uFFFD";  // an ill-formed byte
                }
        }
        run = ++i;
    }
    out.append(text, run, size - run);
    out += "\",\"firstCopiedAt\":";
    // The shortest text that reads back as the same double. JSON has no infinity or NaN; such a
    // date (only a caller can make one) is written as the reference date rather than as null,
    // which would make the whole file unreadable.
    const double date = firstCopiedAt - kReferenceDateOffset;
    out += Value(std::isfinite(date) ? date : 0.0).dump();
    out += '}';
}

std::optional<ClipboardEntry> ClipboardEntry::fromJSON(const Value& value) {
    if (!value.is_object()) return std::nullopt;
    const auto text = value.find("text");
    const auto date = value.find("firstCopiedAt");
    if (text == value.end() || !text->is_string()) return std::nullopt;
    if (date == value.end() || !date->is_number()) return std::nullopt;
    const double seconds = date->get<double>() + kReferenceDateOffset;
    // A number too large for a double reads as infinity; no date can be that.
    if (!std::isfinite(seconds)) return std::nullopt;
    return ClipboardEntry{text->get<std::string>(), seconds};
}

}  // namespace tarnlet
