#include "keys/HotkeyFormat.h"

#include <algorithm>
#include <limits>
#include <memory>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace tarnlet {

namespace {

constexpr std::string_view kModifierSymbols[] = {"⌘", "⌥", "⌃", "⇧"};

// The user-perceived characters of a label, each as UTF-8. Malformed UTF-8 arrives here as
// U+FFFD replacement characters (ICU's conversion), so a damaged label still formats instead of
// failing. Should ICU be unable to build a character iterator, code points stand in for
// characters: a rarer split of combined symbols is better than no text at all.
std::vector<std::string> characters(std::string_view label) {
    // ICU lengths are 32-bit; a label beyond that is cut there (a split sequence becomes U+FFFD).
    const auto length = static_cast<std::int32_t>(
        std::min<std::size_t>(label.size(), static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(icu::StringPiece(label.data(), length));
    std::vector<std::string> out;
    auto append = [&](std::int32_t start, std::int32_t end) {
        std::string piece;
        text.tempSubStringBetween(start, end).toUTF8String(piece);
        out.push_back(std::move(piece));
    };

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> iterator(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !iterator) {
        for (std::int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) append(i, text.moveIndex32(i, 1));
        return out;
    }
    iterator->setText(text);
    std::int32_t start = iterator->first();
    for (std::int32_t end = iterator->next(); end != icu::BreakIterator::DONE; start = end, end = iterator->next())
        append(start, end);
    return out;
}

bool isASCIILetter(const std::string& character) {
    if (character.size() != 1) return false;
    const char c = character[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool HotkeyFormat::isModifier(std::string_view symbol) {
    for (std::string_view modifier : kModifierSymbols)
        if (symbol == modifier) return true;
    return false;
}

HotkeyFormat::Parsed HotkeyFormat::parse(std::string_view label) {
    Parsed parsed;
    // Pieces are split at characters rather than bytes, so a space carrying a combining mark is
    // part of a piece, not a separator.
    std::vector<std::vector<std::string>> pieces(1);
    for (auto& character : characters(label)) {
        if (character == " ") {
            if (!pieces.back().empty()) pieces.emplace_back();
        } else {
            pieces.back().push_back(std::move(character));
        }
    }

    for (const auto& piece : pieces) {
        if (piece.empty()) continue;
        std::size_t first = 0;
        // "r" directly before a modifier symbol marks the right-hand key; "r" before anything else
        // is an ordinary letter.
        if (piece.size() >= 2 && piece[0] == "r" && isModifier(piece[1])) {
            parsed.rightSide = true;
            first = 1;
        }
        const std::size_t remaining = piece.size() - first;
        bool allLetters = remaining >= 2;
        for (std::size_t i = first; allLetters && i < piece.size(); ++i) allLetters = isASCIILetter(piece[i]);
        if (allLetters) {
            std::string name;
            for (std::size_t i = first; i < piece.size(); ++i) name += piece[i];
            parsed.keys.push_back(std::move(name));
        } else {
            parsed.keys.insert(parsed.keys.end(), piece.begin() + static_cast<std::ptrdiff_t>(first), piece.end());
        }
    }
    return parsed;
}

std::string HotkeyFormat::compact(std::string_view label) {
    const Parsed parsed = parse(label);
    std::string out = parsed.rightSide ? "r " : "";
    bool previousSingle = false;
    for (std::size_t i = 0; i < parsed.keys.size(); ++i) {
        const std::string& key = parsed.keys[i];
        const bool single = characters(key).size() == 1;
        // A run of one-character keys (symbols and a letter) reads as one unit; names stand apart.
        if (i > 0 && !(single && previousSingle)) out += ' ';
        out += key;
        previousSingle = single;
    }
    return out;
}

}  // namespace tarnlet
