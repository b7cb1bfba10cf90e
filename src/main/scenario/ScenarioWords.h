#pragma once
// A scenario line's words as a command's parser reads them, in order, with the first problem kept
// for the runner to report:
//
//     ScenarioWords& w = …;           // "advance 2.5" after the command's name
//     const double seconds = w.seconds();
//     // the runner refuses the line with the command's usage when the word was missing or bad
//
// Reading past the end never touches memory beyond the words: it is a problem like any other, and
// the value read is a harmless default. Beside the reader live the helpers that turn single words
// into values and that keep a quoted word short in messages. Parsing runs on the main thread only.

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Geometry.h"

namespace tarnlet::scenario {

using Words = std::vector<std::string>;

// Splits a line into words; double quotes group words and \" or \\ escape inside them. A '#'
// outside quotes starts a comment. None, with the reason in `error`, for an unterminated quote.
std::optional<Words> splitWords(std::string_view text, std::string& error);

// A word as a message quotes it: at most kClipLength characters, the rest replaced by "…", so a
// runaway word cannot flood the error output.
inline constexpr std::size_t kClipLength = 60;
std::string clip(std::string_view word);

std::optional<bool> onOff(std::string_view word);
// Any finite decimal number, negative ones included.
std::optional<double> decimal(std::string_view word);
// A number of seconds: finite, 0 or more and at most a billion.
std::optional<double> seconds(std::string_view word);

// A screen written as "1512x982" or "1512x982+notch".
struct ScreenSpec {
    double width = 0;
    double height = 0;
    bool notch = false;
};
std::optional<ScreenSpec> screenSpec(std::string_view word);

// What the parsers of one scenario learn as they go, for checks that span lines: an application
// must be started before its windows are named, the application is launched at most once.
class ScenarioPlan {
public:
    void startApp(const std::string& bundle) { m_apps.push_back(bundle); }
    bool hasStarted(const std::string& bundle) const;
    bool launches() const { return m_launches; }
    void setLaunches() { m_launches = true; }

private:
    std::vector<std::string> m_apps;
    bool m_launches = false;
};

class ScenarioWords {
public:
    // Reads words[first…]; `usage` is what a line that does not follow the grammar is told.
    ScenarioWords(const Words& words, std::size_t first, std::string usage, ScenarioPlan& plan)
        : m_words(words), m_next(first), m_usage(std::move(usage)), m_plan(plan) {}

    std::size_t left() const { return m_next < m_words.size() ? m_words.size() - m_next : 0; }
    bool atEnd() const { return left() == 0; }
    // The next word without taking it; empty at the end.
    const std::string& peek() const;
    // Takes the next word when it is `literal`.
    bool take(std::string_view literal);
    // True when exactly `count` words are left; otherwise the line does not follow the grammar.
    bool exactly(std::size_t count);

    // Each of these takes the next word; a missing or unfitting word fails with the usage.
    std::string word();
    std::string oneOf(std::initializer_list<std::string_view> choices);
    bool onOff();
    double decimal();
    double seconds();
    // X Y WIDTH HEIGHT, the size not negative.
    Rect rect();
    // The bundle identifier of an application an earlier `app` line started.
    std::string startedApp();

    // The line does not follow the grammar: `message`, or the usage when none is given. The first
    // problem is kept.
    void fail(std::string message);
    void fail() { fail(m_usage); }
    // The line follows the grammar but cannot run (an application never started, a second launch);
    // reported only when the grammar holds, so a malformed line hears its usage first.
    void failLater(std::string message);
    // What to report, grammar problems first; none when the line is sound.
    std::optional<std::string> problem() const;
    bool failed() const { return m_problem.has_value(); }

    ScenarioPlan& plan() { return m_plan; }
    const std::string& usage() const { return m_usage; }
    // A subcommand reads the rest of the line under its own, narrower usage.
    void setUsage(std::string usage) { m_usage = std::move(usage); }

private:
    const Words& m_words;
    std::size_t m_next;
    std::string m_usage;
    ScenarioPlan& m_plan;
    std::optional<std::string> m_problem;
    std::optional<std::string> m_laterProblem;
};

}  // namespace tarnlet::scenario
