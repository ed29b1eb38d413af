#pragma once

#include "project/Prompter.h"

#include <string>
#include <vector>

namespace quillet::cli {

// Messages go to stderr; questions take the answer given with --yes or --no.
class CliPrompter : public Prompter {
public:
    explicit CliPrompter(Answer reply = Answer::No) : m_reply(reply) {}
    void Show(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    Answer AskYesNoCancel(const std::string& text) override;

    // Takes --yes and --no out of args; the last one given counts, else fallback.
    static CliPrompter FromArgs(std::vector<std::string>& args, Answer fallback = Answer::No);

private:
    Answer m_reply;
};

} // namespace quillet::cli
