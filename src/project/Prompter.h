#pragma once

#include <string>

namespace quillet {

// Every user-visible failure and question of core goes through this interface,
// so that the window, the command line and the tests can each answer in their own way.
class Prompter {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompter() = default;
    virtual void Show(const std::string& text) = 0;
    virtual bool AskYesNo(const std::string& text) = 0;
    virtual Answer AskYesNoCancel(const std::string& text) = 0;
};

// Answers every question with a fixed reply and keeps the last text shown; for
// callers that run without anybody to ask.
class SilentPrompter : public Prompter {
public:
    explicit SilentPrompter(Answer reply = Answer::No) : m_reply(reply) {}
    void Show(const std::string& text) override { m_last = text; }
    bool AskYesNo(const std::string& text) override
    {
        m_last = text;
        return m_reply == Answer::Yes;
    }
    Answer AskYesNoCancel(const std::string& text) override
    {
        m_last = text;
        return m_reply;
    }
    const std::string& LastText() const { return m_last; }

private:
    Answer m_reply;
    std::string m_last;
};

} // namespace quillet
