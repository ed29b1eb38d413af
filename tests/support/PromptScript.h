#pragma once

#include "project/Prompter.h"

#include <deque>
#include <string>

namespace quillet::test {

// Answers messages and questions in the order a test scripted them; an
// expected text matches as a prefix of the actual one. What does not match
// the script goes to Fail, which each test framework reports in its own way.
class PromptScript : public Prompter {
public:
    void ExpectShow(std::string text) { m_script.push_back({false, std::move(text), Answer::Yes}); }
    void ExpectQuestion(std::string text, Answer answer) { m_script.push_back({true, std::move(text), answer}); }
    bool Done() const { return m_script.empty(); }

    void Show(const std::string& text) override { Next(false, text); }
    bool AskYesNo(const std::string& text) override { return Next(true, text) == Answer::Yes; }
    Answer AskYesNoCancel(const std::string& text) override { return Next(true, text); }

protected:
    virtual void Fail(const std::string& what) = 0;

private:
    struct Step {
        bool question;
        std::string text;
        Answer answer;
    };

    Answer Next(bool question, const std::string& text)
    {
        if (m_script.empty()) {
            Fail(std::string("unexpected ") + (question ? "question" : "message") + ": " + text);
            return Answer::Cancel;
        }
        Step step = m_script.front();
        m_script.pop_front();
        if (step.question != question || text.compare(0, step.text.size(), step.text) != 0)
            Fail("expected \"" + step.text + "\", got \"" + text + "\"");
        return step.answer;
    }

    std::deque<Step> m_script;
};

} // namespace quillet::test
