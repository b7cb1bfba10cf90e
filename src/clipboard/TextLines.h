#pragma once
// Lines of text as lists show them: where line breaks are (every kind, not only the line feed),
// where the first line that is not blank starts, and where user-perceived characters (grapheme
// clusters) begin and end. Shared by the clipboard's and the snippets' one-line previews. Any
// thread; a Characters walker belongs to the thread that made it.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

namespace tarnlet {

class TextLines {
public:
    TextLines() = delete;

    // The length in bytes of a line break at the start of rest, or 0. Every line break counts, not
    // only the line feed: a carriage return left inside a one-line preview would show as garbage.
    static std::size_t lineBreakAt(std::string_view rest);
    static bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }
    // Where the first line that is not empty once spaces and tabs are trimmed starts, past those
    // leading spaces and tabs; none when every line is blank.
    static std::optional<std::size_t> firstVisible(std::string_view text);
    // The first line break in text between from and to, or to.
    static std::size_t lineEnd(std::string_view text, std::size_t from, std::size_t to);

    // Byte offsets of user-perceived characters (grapheme clusters) at either end of a line. The
    // iterator walks UTF-8 in place, so only the characters asked for are examined, however long the
    // line. Without an ICU iterator, code points stand in for characters.
    class Characters {
    public:
        explicit Characters(std::string_view line) : m_line(line) {
            if (line.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return;
            thread_local std::unique_ptr<icu::BreakIterator> cached;
            if (!cached) {
                UErrorCode status = U_ZERO_ERROR;
                cached.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
                if (U_FAILURE(status)) cached.reset();
            }
            if (!cached) return;
            UErrorCode status = U_ZERO_ERROR;
            utext_openUTF8(&m_text, line.data(), static_cast<std::int64_t>(line.size()), &status);
            if (U_FAILURE(status)) return;
            m_opened = true;
            cached->setText(&m_text, status);
            if (U_SUCCESS(status)) m_iterator = cached.get();
        }
        ~Characters() {
            if (m_opened) utext_close(&m_text);
        }
        Characters(const Characters&) = delete;
        Characters& operator=(const Characters&) = delete;

        // Where the first count characters end; none when the line is shorter.
        std::optional<std::size_t> offsetAfter(std::size_t count) const {
            if (!m_iterator) {
                std::size_t offset = 0;
                for (std::size_t i = 0; i < count; ++i) {
                    if (offset >= m_line.size()) return std::nullopt;
                    offset = nextCodePoint(offset);
                }
                return offset;
            }
            std::int32_t offset = m_iterator->first();
            for (std::size_t i = 0; i < count; ++i) {
                offset = m_iterator->next();
                if (offset == icu::BreakIterator::DONE) return std::nullopt;
            }
            return static_cast<std::size_t>(offset);
        }

        // Where the last count characters begin; the line is known to be longer than count.
        std::size_t offsetBefore(std::size_t count) const {
            if (!m_iterator) {
                std::size_t offset = m_line.size();
                for (std::size_t i = 0; i < count && offset > 0; ++i) {
                    --offset;
                    while (offset > 0 && (static_cast<std::uint8_t>(m_line[offset]) & 0xC0) == 0x80) --offset;
                }
                return offset;
            }
            std::int32_t offset = m_iterator->last();
            for (std::size_t i = 0; i < count; ++i) {
                const std::int32_t previous = m_iterator->previous();
                if (previous == icu::BreakIterator::DONE) break;
                offset = previous;
            }
            return static_cast<std::size_t>(offset);
        }

    private:
        std::size_t nextCodePoint(std::size_t offset) const {
            ++offset;
            while (offset < m_line.size() && (static_cast<std::uint8_t>(m_line[offset]) & 0xC0) == 0x80) ++offset;
            return offset;
        }

        std::string_view m_line;
        UText m_text = UTEXT_INITIALIZER;
        bool m_opened = false;
        icu::BreakIterator* m_iterator = nullptr;
    };
};

}  // namespace tarnlet
