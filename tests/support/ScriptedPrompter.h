#pragma once

#include "project/Prompter.h"

#include <deque>
#include <gtest/gtest.h>
#include <string>

namespace quillet::test {

// Answers questions in the order the test scripted them; any message or
// question the script did not expect fails the test. An expected text that
// ends early matches as a prefix when it is shorter than the actual text.
class ScriptedPrompter : public Prompter {
public:
    void ExpectShow(std::string text) { m_script.push_back({false, std::move(text), Answer::Yes}); }
    void ExpectQuestion(std::string text, Answer answer) { m_script.push_back({true, std::move(text), answer}); }
    bool Done() const { return m_script.empty(); }

    void Show(const std::string& text) override { Next(false, text); }
    bool AskYesNo(const std::string& text) override { return Next(true, text) == Answer::Yes; }
    Answer AskYesNoCancel(const std::string& text) override { return Next(true, text); }

private:
    struct Step {
        bool question;
        std::string text;
        Answer answer;
    };

    Answer Next(bool question, const std::string& text)
    {
        if (m_script.empty()) {
            ADD_FAILURE() << "unexpected " << (question ? "question" : "message") << ": " << text;
            return Answer::Cancel;
        }
        Step step = m_script.front();
        m_script.pop_front();
        EXPECT_EQ(step.question, question) << text;
        EXPECT_EQ(text.substr(0, step.text.size()), step.text);
        return step.answer;
    }

    std::deque<Step> m_script;
};

} // namespace quillet::test
