#include "clipboard/SnippetStore.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <nlohmann/json.hpp>

#include <unicode/brkiter.h>
#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include "base/UnicodeText.h"
#include "clipboard/ClipboardEntry.h"
#include "clipboard/ClipboardStore.h"
#include "diagnostics/Log.h"

namespace tarnlet {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCursor = "{cursor}";
constexpr std::string_view kUuid = "{uuid}";
constexpr std::string_view kClipboard = "{clipboard}";

// Identities are random, so their first and last eight bytes are hash enough; both are mixed in
// so that a file of hand-made identities sharing one half spreads too.
struct UuidHash {
    std::size_t operator()(const Uuid& id) const {
        std::uint64_t high = 0;
        std::uint64_t low = 0;
        std::memcpy(&high, id.bytes().data(), sizeof high);
        std::memcpy(&low, id.bytes().data() + sizeof high, sizeof low);
        return static_cast<std::size_t>(high ^ (low * 0x9E3779B97F4A7C15ULL));
    }
};

// ICU counts in 32 bits; longer texts are cut there for the purposes that need ICU.
std::int32_t icuLength(std::size_t size) {
    return static_cast<std::int32_t>(std::min<std::size_t>(size, std::numeric_limits<std::int32_t>::max()));
}

icu::UnicodeString unicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), icuLength(text.size())));
}

std::string utf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

// Text a JSON file can hold unchanged: ill-formed UTF-8 becomes U+FFFD, so what is in memory is
// what the file will say.
std::string wellFormed(std::string text) {
    if (ClipboardEntry::isWellFormed(text)) return text;
    return utf8(unicode(text));
}

bool isASCII(std::string_view text) {
    std::size_t i = 0;
    // Eight bytes at a time: ASCII is by far the commonest text.
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & 0x8080808080808080ULL) != 0) return false;
    }
    for (; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The form triggers and queries are compared in: lowercased as the platform lowercases (the full
// Unicode mapping, no locale tailoring), then canonically composed, so "É" typed composed matches
// "é" stored decomposed.
std::string folded(std::string_view text) {
    if (isASCII(text)) {
        std::string out(text);
        for (char& c : out) c = asciiLower(c);
        return out;
    }
    icu::UnicodeString lower = unicode(text);
    lower.toLower(icu::Locale::getRoot());
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_SUCCESS(status)) {
        icu::UnicodeString composed = nfc->normalize(lower, status);
        if (U_SUCCESS(status)) return utf8(composed);
    }
    return utf8(lower);
}

// Where needle occurs in haystack ignoring ASCII case (needle already lowercase); both are ASCII.
std::size_t findASCII(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) return std::string_view::npos;
    const char lower = needle[0];
    const char upper = lower >= 'a' && lower <= 'z' ? static_cast<char>(lower - 'a' + 'A') : lower;
    const std::size_t last = haystack.size() - needle.size();
    constexpr std::size_t npos = std::string_view::npos;
    // The next place of each case of the first letter, found with the library's fast byte search.
    std::size_t nextLower = haystack.find(lower);
    std::size_t nextUpper = upper == lower ? npos : haystack.find(upper);
    for (;;) {
        const std::size_t i = std::min(nextLower, nextUpper);
        if (i == npos || i > last) return npos;
        std::size_t j = 1;
        while (j < needle.size() && asciiLower(haystack[i + j]) == needle[j]) ++j;
        if (j == needle.size()) return i;
        if (i == nextLower) nextLower = haystack.find(lower, i + 1);
        else nextUpper = haystack.find(upper, i + 1);
    }
}

// Where query (folded, not empty) occurs in text ignoring case; npos when it does not.
std::size_t findFolded(std::string_view text, std::string_view query, bool queryIsASCII) {
    if (queryIsASCII && isASCII(text)) return findASCII(text, query);
    return folded(text).find(query);
}

// The number of user-perceived characters in text: what one press of the Left arrow key steps
// over. Without an ICU iterator, code points stand in for characters.
std::size_t characterCount(std::string_view text) {
    if (text.empty()) return 0;
    thread_local std::unique_ptr<icu::BreakIterator> cached = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> iterator(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(iterator) : nullptr;
    }();
    if (cached && text.size() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        UErrorCode status = U_ZERO_ERROR;
        UText utext = UTEXT_INITIALIZER;
        utext_openUTF8(&utext, text.data(), static_cast<std::int64_t>(text.size()), &status);
        if (U_SUCCESS(status)) {
            cached->setText(&utext, status);
            std::size_t count = 0;
            if (U_SUCCESS(status)) {
                cached->first();
                while (cached->next() != icu::BreakIterator::DONE) ++count;
            }
            utext_close(&utext);
            if (U_SUCCESS(status)) return count;
        }
    }
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Replaces every occurrence of token in text in one pass, the replacement never being scanned
// again; with produces each replacement.
template <class Producer>
std::string replacedAll(const std::string& text, std::string_view token, Producer&& with) {
    std::size_t at = text.find(token);
    if (at == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    while (at != std::string::npos) {
        out.append(text, from, at - from);
        out += with();
        from = at + token.size();
        at = text.find(token, from);
    }
    out.append(text, from, std::string::npos);
    return out;
}

// text with every caret marker removed, including one that only forms once another is removed
// ("{cur{cursor}sor}"), so no marker is ever typed out. One pass: a marker has no prefix that is
// also its suffix, so dropping each one as soon as it is complete leaves none behind.
std::string withoutMarkers(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '}' && out.size() >= kCursor.size() &&
            std::string_view(out).substr(out.size() - kCursor.size()) == kCursor)
            out.resize(out.size() - kCursor.size());
    }
    return out;
}

// ---- Date and time tokens ----

const icu::RegexPattern* tokenPattern() {
    static const icu::RegexPattern* pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        icu::RegexPattern* compiled = icu::RegexPattern::compile(
            icu::UnicodeString(u"\\{(date|time)(?:([+-]\\d+)(mo|[dwyhms]))?(?::([^}]*))?\\}"), 0, parseError, status);
        if (U_FAILURE(status)) {
            delete compiled;
            return static_cast<icu::RegexPattern*>(nullptr);
        }
        return compiled;
    }();
    return pattern;
}

// A signed decimal offset ("+12", "-3"); none when it is out of range or not made of ASCII digits
// (the token pattern also admits other scripts' digits).
std::optional<std::int64_t> parsedOffset(std::string_view text) {
    if (text.size() < 2 || (text[0] != '+' && text[0] != '-')) return std::nullopt;
    const bool negative = text[0] == '-';
    std::int64_t value = 0;
    for (char c : text.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        // Accumulating negatively reaches the most negative value too.
        if (value < (std::numeric_limits<std::int64_t>::min() + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<std::int64_t>::min()) return std::nullopt;
        value = -value;
    }
    return value;
}

std::optional<UCalendarDateFields> unitField(std::string_view unit) {
    if (unit == "mo") return UCAL_MONTH;
    if (unit == "w") return UCAL_WEEK_OF_YEAR;
    if (unit == "y") return UCAL_YEAR;
    if (unit == "h") return UCAL_HOUR_OF_DAY;
    if (unit == "m") return UCAL_MINUTE;
    if (unit == "s") return UCAL_SECOND;
    if (unit == "d") return UCAL_DATE;
    return std::nullopt;
}

// Calendars and formatters for one locale and time zone, built on first use. Building an ICU
// formatter costs far more than using one, and a body usually repeats the same few tokens.
class Formatting {
public:
    static Formatting& forZone(std::string_view locale, std::string_view timeZone) {
        thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Formatting>> cache;
        auto key = std::make_pair(std::string(locale), std::string(timeZone));
        auto found = cache.find(key);
        if (found != cache.end()) return *found->second;
        if (cache.size() >= 8) cache.clear();  // only tests and travellers ever switch
        auto made = std::unique_ptr<Formatting>(new Formatting(key.first, key.second));
        return *cache.emplace(std::move(key), std::move(made)).first->second;
    }

    // date moved by amount units in the Gregorian calendar, without wrapping (a month after 31
    // January is the last day of February); none when the calendar cannot produce it.
    std::optional<UDate> adding(UDate date, UCalendarDateFields field, std::int64_t amount) {
        if (!m_calendar) return std::nullopt;
        if (amount < std::numeric_limits<std::int32_t>::min() || amount > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        UErrorCode status = U_ZERO_ERROR;
        m_calendar->setTime(date, status);
        m_calendar->add(field, static_cast<std::int32_t>(amount), status);
        const UDate moved = m_calendar->getTime(status);
        if (U_FAILURE(status) || !std::isfinite(moved)) return std::nullopt;
        return moved;
    }

    // date in a Unicode date pattern; none when ICU refuses the pattern.
    std::optional<std::string> formatted(UDate date, std::string_view pattern) {
        if (pattern.empty()) return std::string();
        auto found = m_patterns.find(std::string(pattern));
        if (found == m_patterns.end()) {
            if (m_patterns.size() >= 32) m_patterns.clear();
            UErrorCode status = U_ZERO_ERROR;
            auto formatter = std::make_unique<icu::SimpleDateFormat>(unicode(pattern), m_locale, status);
            if (U_FAILURE(status)) formatter.reset();
            else formatter->adoptTimeZone(m_timeZone->clone());
            found = m_patterns.emplace(std::string(pattern), std::move(formatter)).first;
        }
        return format(found->second.get(), date);
    }

    // date in the locale's abbreviated date style, or its short time style.
    std::optional<std::string> styled(UDate date, bool time) {
        auto& formatter = time ? m_time : m_date;
        if (!formatter) {
            formatter.reset(time ? icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, m_locale)
                                 : icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, m_locale));
            if (formatter) formatter->adoptTimeZone(m_timeZone->clone());
        }
        return format(formatter.get(), date);
    }

private:
    Formatting(const std::string& locale, const std::string& timeZone)
        : m_locale(locale.empty() ? icu::Locale::getDefault() : icu::Locale::createFromName(locale.c_str())),
          m_timeZone(timeZone.empty() ? icu::TimeZone::createDefault() : icu::TimeZone::createTimeZone(unicode(timeZone))) {
        if (m_locale.isBogus()) m_locale = icu::Locale::getRoot();
        UErrorCode status = U_ZERO_ERROR;
        m_calendar = std::make_unique<icu::GregorianCalendar>(m_timeZone->clone(), m_locale, status);
        if (U_FAILURE(status)) m_calendar.reset();
    }

    static std::optional<std::string> format(const icu::DateFormat* formatter, UDate date) {
        if (!formatter) return std::nullopt;
        icu::UnicodeString out;
        icu::FieldPosition position;
        UErrorCode status = U_ZERO_ERROR;
        formatter->format(date, out, position, status);
        if (U_FAILURE(status)) return std::nullopt;
        return utf8(out);
    }

    icu::Locale m_locale;
    std::unique_ptr<icu::TimeZone> m_timeZone;
    std::unique_ptr<icu::GregorianCalendar> m_calendar;
    std::unique_ptr<icu::DateFormat> m_date;
    std::unique_ptr<icu::DateFormat> m_time;
    std::map<std::string, std::unique_ptr<icu::SimpleDateFormat>, std::less<>> m_patterns;
};

// The text of a group of the last match, by its native (UTF-8 byte) bounds; none when the group
// took no part in the match.
std::optional<std::string_view> group(const icu::RegexMatcher& matcher, std::string_view text, int index) {
    UErrorCode status = U_ZERO_ERROR;
    const std::int64_t start = matcher.start64(index, status);
    const std::int64_t end = matcher.end64(index, status);
    if (U_FAILURE(status) || start < 0 || end < start) return std::nullopt;
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

// The replacement of one token; none leaves the token as it stands.
std::optional<std::string> tokenValue(const icu::RegexMatcher& matcher, std::string_view text, UDate date,
                                      Formatting& formatting) {
    const auto kind = group(matcher, text, 1);
    if (!kind) return std::nullopt;
    if (const auto offset = group(matcher, text, 2)) {
        const auto unit = group(matcher, text, 3);
        const auto field = unit ? unitField(*unit) : std::nullopt;
        const std::int64_t amount = parsedOffset(*offset).value_or(0);
        if (field && amount != 0) date = formatting.adding(date, *field, amount).value_or(date);
    }
    if (const auto pattern = group(matcher, text, 4)) return formatting.formatted(date, *pattern);
    return formatting.styled(date, *kind == "time");
}

}  // namespace

// ---- The store ----

const std::array<SnippetStore::Placeholder, 8>& SnippetStore::placeholders() {
    static const std::array<Placeholder, 8> table{{
        {"{date}", "today's date"},
        {"{time}", "the current time"},
        {"{date+1d}", "offset date — units d w mo y (also h m s); minute is m, month is mo"},
        {"{date:yyyy-MM-dd}", "custom format (yyyy MM dd HH mm …)"},
        {"{time:HH:mm}", "custom time format"},
        {"{uuid}", "a fresh random ID each time"},
        {"{clipboard}", "whatever you last copied"},
        {"{cursor}", "where the typing caret lands after inserting — use once"},
    }};
    return table;
}

SnippetStore::SnippetStore(const fs::path& root) : m_file(root / kFileName) {
    m_file.onWriteFailure = [](const std::string& reason) { Log::error("Snippets: could not save snippets — " + reason); };
}

const std::vector<Snippet>& SnippetStore::all() {
    if (m_cache) return *m_cache;
    std::vector<Snippet> snippets;
    const auto json = m_file.readJSON();
    if (json && !json->is_array()) m_file.setAsideBeforeWriting();
    if (json && json->is_array()) {
        snippets.reserve(json->size());
        std::unordered_set<Uuid, UuidHash> ids;
        ids.reserve(json->size());
        for (const auto& item : *json) {
            auto text = [&](const char* key) -> const std::string* {
                if (!item.is_object()) return nullptr;
                const auto found = item.find(key);
                return found != item.end() && found->is_string() ? &found->get_ref<const std::string&>() : nullptr;
            };
            const std::string* id = text("id");
            const std::string* trigger = text("trigger");
            const std::string* body = text("body");
            const std::optional<Uuid> uuid = id ? Uuid::parse(*id) : std::nullopt;
            if (!uuid || !trigger || !body) {
                // The snippets that are well formed still serve; the file as it was is kept
                // aside before it is rewritten, so the damaged ones can still be recovered.
                m_file.setAsideBeforeWriting();
                continue;
            }
            // Two snippets under one identity would be edited and removed as one; the later
            // one gets an identity of its own.
            Uuid identity = *uuid;
            while (!ids.insert(identity).second) identity = Uuid::random();
            snippets.push_back(Snippet{identity, *trigger, *body});
        }
    }
    m_cache = std::move(snippets);
    return *m_cache;
}

void SnippetStore::invalidateCache() { m_cache.reset(); }

void SnippetStore::save(const Snippet& given) {
    Snippet snippet{given.id, wellFormed(given.trigger), wellFormed(given.body)};
    std::vector<Snippet> list = all();
    const auto same = std::find_if(list.begin(), list.end(), [&](const Snippet& s) { return s.id == snippet.id; });
    if (same != list.end()) *same = snippet;
    else list.push_back(snippet);
    const std::string key = folded(snippet.trigger);
    std::erase_if(list, [&](const Snippet& s) { return s.id != snippet.id && folded(s.trigger) == key; });
    persist(std::move(list));
}

void SnippetStore::remove(const Uuid& id) {
    std::vector<Snippet> list = all();
    if (std::erase_if(list, [&](const Snippet& s) { return s.id == id; }) > 0) persist(std::move(list));
}

Value SnippetStore::exportEntries() {
    Value entries = Value::array();
    for (const auto& snippet : all()) entries.push_back(Value{{"trigger", snippet.trigger}, {"body", snippet.body}});
    return entries;
}

int SnippetStore::importEntries(const Value& entries) {
    if (!entries.is_array()) return 0;
    // Each entry replaces every snippet with its trigger and goes to the end, so what remains is
    // the snippets whose trigger no entry has, in order, then the last entry of each trigger, in
    // order: one pass over each list, every trigger folded once.
    std::vector<std::pair<std::string, Snippet>> imported;
    std::unordered_map<std::string, std::size_t> lastOfTrigger;
    for (const auto& entry : entries) {
        if (!entry.is_object()) continue;
        const auto trigger = entry.find("trigger");
        const auto body = entry.find("body");
        if (trigger == entry.end() || !trigger->is_string() || body == entry.end() || !body->is_string()) continue;
        const auto& triggerText = trigger->get_ref<const std::string&>();
        const auto& bodyText = body->get_ref<const std::string&>();
        if (!ClipboardEntry::isWellFormed(triggerText) || !ClipboardEntry::isWellFormed(bodyText)) continue;
        std::string_view normalised = UnicodeText::trimmedWhiteSpace(triggerText);
        while (!normalised.empty() && normalised.front() == ':') normalised.remove_prefix(1);
        if (normalised.empty()) continue;
        std::string key = folded(normalised);
        lastOfTrigger[key] = imported.size();
        imported.emplace_back(std::move(key), Snippet::make(std::string(normalised), bodyText));
    }
    if (imported.empty()) return 0;

    std::vector<Snippet> list;
    for (const auto& snippet : all())
        if (!lastOfTrigger.contains(folded(snippet.trigger))) list.push_back(snippet);
    for (std::size_t i = 0; i < imported.size(); ++i)
        if (lastOfTrigger.at(imported[i].first) == i) list.push_back(std::move(imported[i].second));
    persist(std::move(list));
    return static_cast<int>(imported.size());
}

void SnippetStore::persist(std::vector<Snippet> list) {
    m_cache = std::move(list);
    Value json = Value::array();
    for (const auto& snippet : *m_cache)
        json.push_back(Value{{"id", snippet.id.uppercased()}, {"trigger", snippet.trigger}, {"body", snippet.body}});
    m_file.write(json.dump(-1, ' ', false, Value::error_handler_t::replace));
}

// ---- Searching and completing ----

std::vector<Snippet> SnippetStore::matches(std::string_view query, const std::vector<Snippet>& snippets) {
    while (!query.empty() && (query.front() == ' ' || query.front() == '\t')) query.remove_prefix(1);
    while (!query.empty() && (query.back() == ' ' || query.back() == '\t')) query.remove_suffix(1);
    while (!query.empty() && query.front() == ':') query.remove_prefix(1);
    const std::string needle = folded(query);
    if (needle.empty()) return snippets;
    const bool needleIsASCII = isASCII(needle);

    std::array<std::vector<const Snippet*>, 3> ranks;
    for (const auto& snippet : snippets) {
        const std::size_t inTrigger = findFolded(snippet.trigger, needle, needleIsASCII);
        if (inTrigger == 0) ranks[0].push_back(&snippet);
        else if (inTrigger != std::string_view::npos) ranks[1].push_back(&snippet);
        else if (findFolded(snippet.body, needle, needleIsASCII) != std::string_view::npos) ranks[2].push_back(&snippet);
    }
    std::vector<Snippet> out;
    out.reserve(ranks[0].size() + ranks[1].size() + ranks[2].size());
    for (const auto& rank : ranks)
        for (const Snippet* snippet : rank) out.push_back(*snippet);
    return out;
}

std::vector<std::string> SnippetStore::completions(std::string_view word) {
    if (!word.starts_with('{')) return {};
    const std::string prefix = folded(word);
    std::vector<std::string> out;
    for (const auto& placeholder : placeholders())
        if (folded(placeholder.token).starts_with(prefix)) out.emplace_back(placeholder.token);
    return out;
}

// ---- Expanding ----

std::string SnippetStore::expandDateTokens(std::string_view text, double date, std::string_view locale,
                                           std::string_view timeZone) {
    // Most bodies hold no date or time token; they never reach ICU.
    if (text.find("{date") == std::string_view::npos && text.find("{time") == std::string_view::npos)
        return std::string(text);
    const icu::RegexPattern* pattern = tokenPattern();
    if (!pattern) return std::string(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(status));
    UText utext = UTEXT_INITIALIZER;
    utext_openUTF8(&utext, text.data(), static_cast<std::int64_t>(text.size()), &status);
    if (U_FAILURE(status) || !matcher) {
        if (U_SUCCESS(status)) utext_close(&utext);
        return std::string(text);
    }
    matcher->reset(&utext);

    Formatting& formatting = Formatting::forZone(locale, timeZone);
    const UDate now = date * 1000.0;
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    std::size_t at = 0;
    // A token runs from a "{" to the first "}" after it (nothing inside it may be a "}"), so each
    // candidate is tried only within that stretch. Trying the pattern anywhere in the rest of the
    // text would make a long body of unclosed "{date:" rescan to its end from every one of them.
    for (;;) {
        const std::size_t open = text.find('{', at);
        if (open == std::string_view::npos) break;
        const std::size_t close = text.find('}', open);
        if (close == std::string_view::npos) break;  // no token can end anywhere after this
        status = U_ZERO_ERROR;
        matcher->region(static_cast<std::int64_t>(open), static_cast<std::int64_t>(close + 1), status);
        if (U_FAILURE(status) || !matcher->lookingAt(status) || U_FAILURE(status)) {
            at = open + 1;
            continue;
        }
        const std::int64_t end = matcher->end64(status);
        if (U_FAILURE(status) || end <= static_cast<std::int64_t>(open)) {
            at = open + 1;
            continue;
        }
        const auto value = tokenValue(*matcher, text, now, formatting);
        at = static_cast<std::size_t>(end);
        if (!value) continue;  // left literal, copied with the text after it
        out.append(text.substr(copied, open - copied));
        out += *value;
        copied = at;
    }
    out.append(text.substr(copied));
    matcher.reset();
    utext_close(&utext);
    return out;
}

SnippetStore::Expansion SnippetStore::expand(std::string_view body, const std::optional<std::string>& clipboard,
                                             const Moment& moment) {
    if (body.find('{') == std::string_view::npos) return {std::string(body), std::nullopt};
    // Each step works on the result of the one before and the order matters: a date token brought
    // in by the clipboard stays literal, while a caret marker in it counts when the body has none.
    std::string text = expandDateTokens(body, moment.now, moment.locale, moment.timeZone);
    text = replacedAll(text, kUuid, [] { return Uuid::random().lowercased(); });
    text = replacedAll(text, kClipboard, [&]() -> const std::string& {
        static const std::string none;
        return clipboard ? *clipboard : none;
    });

    const std::size_t marker = text.find(kCursor);
    if (marker == std::string::npos) return {std::move(text), std::nullopt};
    std::string after = withoutMarkers(std::string_view(text).substr(marker + kCursor.size()));
    text.resize(marker);
    const std::size_t caret = characterCount(after);
    text += after;
    return {std::move(text), caret};
}

std::string SnippetStore::placeholderExample(std::string_view token, const std::optional<std::string>& clipboard,
                                             const Moment& moment) {
    if (token == kCursor) return "caret marker (removed on insert)";
    if (token == kClipboard) {
        if (!clipboard || clipboard->empty()) return "(clipboard empty)";
        return ClipboardStore::preview(*clipboard, 40);
    }
    return expand(token, clipboard, moment).text;
}

}  // namespace tarnlet
