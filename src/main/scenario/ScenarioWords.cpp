#include "main/scenario/ScenarioWords.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tarnlet::scenario {

std::optional<Words> splitWords(std::string_view text, std::string& error) {
    Words words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) word += text[++i];
            else if (c == '"') quoted = false;
            else word += c;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == '#' && !inWord) {
            break;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(std::exchange(word, {}));
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        error = "unterminated quote";
        return std::nullopt;
    }
    if (inWord) words.push_back(word);
    return words;
}

std::string clip(std::string_view word) {
    // Characters, not bytes: a cut inside a UTF-8 sequence would leave a broken character behind.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if ((static_cast<unsigned char>(word[i]) & 0xC0) == 0x80) continue;
        if (++characters > kClipLength) return std::string(word.substr(0, i)) + "…";
    }
    return std::string(word);
}

std::optional<bool> onOff(std::string_view word) {
    if (word == "on") return true;
    if (word == "off") return false;
    return std::nullopt;
}

std::optional<double> decimal(std::string_view word) {
    if (word.empty()) return std::nullopt;
    // strtod stops at a NUL byte, so the whole word must be what it read.
    const std::string text(word);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<double> seconds(std::string_view word) {
    const auto value = decimal(word);
    if (!value || !(*value >= 0) || *value > 1e9) return std::nullopt;
    return value;
}

std::optional<ScreenSpec> screenSpec(std::string_view word) {
    ScreenSpec spec;
    std::string_view size = word;
    if (const auto plus = word.find('+'); plus != std::string_view::npos) {
        if (word.substr(plus) != "+notch") return std::nullopt;
        size = word.substr(0, plus);
        spec.notch = true;
    }
    const auto x = size.find('x');
    if (x == std::string_view::npos) return std::nullopt;
    const auto width = seconds(size.substr(0, x));
    const auto height = seconds(size.substr(x + 1));
    if (!width || !height || *width < 1 || *height < 1) return std::nullopt;
    spec.width = *width;
    spec.height = *height;
    return spec;
}

bool ScenarioPlan::hasStarted(const std::string& bundle) const {
    return std::find(m_apps.begin(), m_apps.end(), bundle) != m_apps.end();
}

const std::string& ScenarioWords::peek() const {
    static const std::string kNone;
    return atEnd() ? kNone : m_words[m_next];
}

bool ScenarioWords::take(std::string_view literal) {
    if (atEnd() || m_words[m_next] != literal) return false;
    ++m_next;
    return true;
}

bool ScenarioWords::exactly(std::size_t count) {
    if (left() == count) return true;
    fail();
    return false;
}

std::string ScenarioWords::word() {
    if (atEnd()) {
        fail();
        return {};
    }
    return m_words[m_next++];
}

std::string ScenarioWords::oneOf(std::initializer_list<std::string_view> choices) {
    std::string chosen = word();
    if (std::find(choices.begin(), choices.end(), chosen) == choices.end()) fail();
    return chosen;
}

bool ScenarioWords::onOff() {
    const auto value = scenario::onOff(word());
    if (!value) fail();
    return value.value_or(false);
}

double ScenarioWords::decimal() {
    const auto value = scenario::decimal(word());
    if (!value) fail();
    return value.value_or(0);
}

double ScenarioWords::seconds() {
    const auto value = scenario::seconds(word());
    if (!value) fail();
    return value.value_or(0);
}

Rect ScenarioWords::rect() {
    const double x = decimal(), y = decimal(), width = decimal(), height = decimal();
    if (width < 0 || height < 0) fail();
    return Rect(x, y, width, height);
}

std::string ScenarioWords::startedApp() {
    std::string bundle = word();
    if (!failed() && !m_plan.hasStarted(bundle))
        failLater("no application " + clip(bundle) + " was started on an earlier app line");
    return bundle;
}

void ScenarioWords::fail(std::string message) {
    if (!m_problem) m_problem = std::move(message);
}

void ScenarioWords::failLater(std::string message) {
    if (!m_laterProblem) m_laterProblem = std::move(message);
}

std::optional<std::string> ScenarioWords::problem() const { return m_problem ? m_problem : m_laterProblem; }

}  // namespace tarnlet::scenario
