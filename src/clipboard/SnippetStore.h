#pragma once
// The user's snippets and the one file that holds them, "Snippets.json" under the data folder (a
// compact JSON array of {"id", "trigger", "body"} objects in the user's order), plus the template
// language that turns a body into the inserted text.
//
//     SnippetStore store(appFiles.root());
//     store.save(Snippet::make("sig", "Regards,\n{cursor}"));
//     auto ranked = SnippetStore::matches(query, store.all());
//     auto expansion = SnippetStore::expand(body, pasteboardText,
//                                           {queue.wallNow(), facts.localeIdentifier(), facts.timeZoneIdentifier()});
//     paste(expansion.text); if (expansion.caretOffsetFromEnd) moveCaretLeft(*expansion.caretOffsetFromEnd);
//
// The file is read once, on first use, and kept in memory; every change replaces the whole file
// atomically, readable by the user alone. Changes another process makes to the file meanwhile are
// not seen until invalidateCache(). A file that cannot be read or decoded gives an empty list (or
// the well-formed snippets of a partly damaged one), and before it is first overwritten it is
// renamed "Snippets.json.corrupt" beside itself, so no snippet the user had is silently destroyed.
// A failed write keeps the change in memory and is logged once for each way it failed (see
// StoreFile); lastWriteError() tells why.
//
// Placeholders in a body: "{date}", "{time}", a signed offset with a unit ("{date+1d}",
// "{time-30m}"; units d w mo y h m s), a Unicode date pattern after a colon ("{date:yyyy-MM-dd}"),
// "{uuid}" (a fresh lowercase identifier each time), "{clipboard}" and "{cursor}" (where the caret
// lands; later markers are dropped).
//
// The store is main thread only; its static functions are safe on any thread.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Value.h"
#include "clipboard/Snippet.h"
#include "platform/StoreFile.h"

namespace tarnlet {

class SnippetStore {
public:
    static constexpr const char* kFileName = "Snippets.json";

    // What an expansion resolves placeholders against: the wall-clock moment (seconds since
    // 1970-01-01 UTC, as MainQueue::wallNow()), the user's ICU locale identifier ("en_GB") and time
    // zone identifier ("Europe/Berlin"), as SystemFacts reports them.
    struct Moment {
        double now = 0;
        std::string locale;
        std::string timeZone;
    };

    // The result of expanding a body.
    struct Expansion {
        // The text to insert, every placeholder resolved and every caret marker removed.
        std::string text;
        // With a caret marker: how many user-perceived characters of text follow the caret.
        std::optional<std::size_t> caretOffsetFromEnd;

        friend bool operator==(const Expansion&, const Expansion&) = default;
    };

    // One row of the placeholder list shown to the user, in display order.
    struct Placeholder {
        const char* token;
        const char* hint;
    };
    static const std::array<Placeholder, 8>& placeholders();

    // root: the application's data folder (AppFiles::root()); it is created on the first write.
    // Nothing is read until the snippets are first asked for.
    explicit SnippetStore(const std::filesystem::path& root);
    SnippetStore(const SnippetStore&) = delete;
    SnippetStore& operator=(const SnippetStore&) = delete;

    // Every snippet in the user's order, read from the file on first use.
    const std::vector<Snippet>& all();

    // Inserts a new snippet at the end, or replaces the one with the same id in its place. Any
    // other snippet whose trigger equals this one's ignoring case is removed: the one saved wins.
    // The trigger is stored as given. Writes the file.
    void save(const Snippet& snippet);

    // Removes the snippet with this id; writes the file only when there was one.
    void remove(const Uuid& id);

    // The snippets for the settings backup: a JSON array, in order, of {"trigger": …, "body": …}.
    Value exportEntries();

    // Adds the snippets of a settings backup, in order, each with a fresh id. An entry counts when
    // it is an object with a string "trigger" and a string "body" (well-formed UTF-8) whose trigger,
    // trimmed of white space and line breaks and stripped of leading ":", is not empty; it replaces
    // any snippet with the same trigger ignoring case (so a later entry replaces an earlier one).
    // Anything malformed is skipped. Returns how many were added; writes the file when any was.
    int importEntries(const Value& entries);

    // Forgets the in-memory copy, so the next use reads the file afresh.
    void invalidateCache();

    const std::filesystem::path& fileURL() const { return m_file.file(); }
    // Why the latest write failed; none after a successful one.
    const std::optional<std::string>& lastWriteError() const { return m_file.lastWriteError(); }

    // The picker's search: the query trimmed of spaces and tabs, stripped of leading ":" and
    // compared ignoring case. Triggers beginning with it come first, then triggers containing it,
    // then bodies containing it, each group in the given order; the rest are left out. A blank
    // query returns snippets unchanged.
    static std::vector<Snippet> matches(std::string_view query, const std::vector<Snippet>& snippets);

    // Placeholders, in display order, that begin with word ignoring case; none unless word begins
    // with "{".
    static std::vector<std::string> completions(std::string_view word);

    // Expands a body at the moment of insertion. clipboard: the pasteboard's plain text, if any. A
    // body without "{" comes back unchanged. Never fails: malformed tokens stay literal.
    static Expansion expand(std::string_view body, const std::optional<std::string>& clipboard, const Moment& moment);

    // The example shown beside a placeholder in the settings window: what the token expands to now.
    static std::string placeholderExample(std::string_view token, const std::optional<std::string>& clipboard,
                                          const Moment& moment);

    // Replaces every date and time token of text, formatted in the Gregorian calendar for date
    // (seconds since 1970), locale and timeZone. Text between tokens is copied byte for byte.
    static std::string expandDateTokens(std::string_view text, double date, std::string_view locale,
                                        std::string_view timeZone);

private:
    void persist(std::vector<Snippet> list);

    StoreFile m_file;
    std::optional<std::vector<Snippet>> m_cache;
};

}  // namespace tarnlet
