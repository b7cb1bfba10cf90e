#pragma once
// The simulated user answering modal alerts: answers are queued in advance and used in order; an
// alert with no answer waiting is cancelled (closed with no button). Every alert shown is kept.

#include <deque>
#include <vector>

#include "platform/Alerts.h"

namespace tarnlet::sim {

class SimAlerts : public Alerts {
public:
    NumberPromptAnswer runNumberPrompt(const NumberPrompt& prompt) override {
        m_shown.push_back(prompt);
        if (m_answers.empty()) return {};
        NumberPromptAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    void answerNext(NumberPromptAnswer answer) { m_answers.push_back(std::move(answer)); }
    const std::vector<NumberPrompt>& shown() const { return m_shown; }

private:
    std::deque<NumberPromptAnswer> m_answers;
    std::vector<NumberPrompt> m_shown;
};

}  // namespace tarnlet::sim
