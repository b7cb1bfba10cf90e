#pragma once
// One text of the clipboard history or of the pins: the text exactly as it was copied (never
// trimmed) and when it first entered the history.
//
// Texts compare by canonical equivalence, as the platform compares strings: "é" stored as one code
// point equals "e" followed by a combining acute accent, so the same words copied from two
// applications that compose them differently are one entry. Equality of entries covers both
// fields.
//
//     ClipboardEntry entry{"hello", queue.wallNow()};
//     entry.appendJSON(file);                          // {"text":"hello","firstCopiedAt":…}
//     auto back = ClipboardEntry::fromJSON(value);     // none unless both keys are well typed
//
// A plain value; any thread.

#include <optional>
#include <string>
#include <string_view>

#include "base/Value.h"

namespace tarnlet {

struct ClipboardEntry {
    // The files count dates in seconds since 2001-01-01 00:00:00 UTC; this is that instant in
    // seconds since 1970, the epoch of MainQueue::wallNow().
    static constexpr double kReferenceDateOffset = 978307200.0;

    std::string text;
    // Seconds since 1970-01-01 UTC, the main queue's wall clock.
    double firstCopiedAt = 0;

    friend bool operator==(const ClipboardEntry& a, const ClipboardEntry& b) {
        return a.firstCopiedAt == b.firstCopiedAt && sameText(a.text, b.text);
    }

    // True when the texts are canonically equivalent Unicode (byte-equal texts always are).
    static bool sameText(std::string_view a, std::string_view b);

    // The text's canonical composition (NFC), the form texts are compared in; none when the text is
    // already in that form, which is nearly always, so callers keeping it need no second copy.
    // Ill-formed UTF-8 is compared byte for byte.
    static std::optional<std::string> composedIfDifferent(std::string_view text);

    // True when text is well-formed UTF-8, the only text a JSON file can hold unchanged.
    static bool isWellFormed(std::string_view text);

    // Appends the file form, compact: {"text":…,"firstCopiedAt":seconds since 2001}. Ill-formed
    // UTF-8 (which the store never admits) is written as U+FFFD, so the output is always JSON.
    void appendJSON(std::string& out) const;
    // Reads the file form; none unless it is an object whose "text" is a string and whose
    // "firstCopiedAt" is a finite number (a boolean is not). Other keys are ignored.
    static std::optional<ClipboardEntry> fromJSON(const Value& value);
};

}  // namespace tarnlet
