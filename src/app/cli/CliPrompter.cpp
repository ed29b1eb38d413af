#include "app/cli/CliPrompter.h"

#include "project/WebText.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace quillet::cli {

void CliPrompter::Show(const std::string& text)
{
    std::fprintf(stderr, "quillet-cli: %s\n", TerminalText(text).c_str());
}

bool CliPrompter::AskYesNo(const std::string& text)
{
    std::fprintf(stderr, "quillet-cli: %s %s\n", TerminalText(text).c_str(), m_reply == Answer::Yes ? "[yes]" : "[no]");
    return m_reply == Answer::Yes;
}

Prompter::Answer CliPrompter::AskYesNoCancel(const std::string& text)
{
    std::fprintf(stderr, "quillet-cli: %s %s\n", TerminalText(text).c_str(), m_reply == Answer::Yes ? "[yes]" : "[no]");
    return m_reply;
}

CliPrompter CliPrompter::FromArgs(std::vector<std::string>& args, Answer fallback)
{
    Answer reply = fallback;
    for (const std::string& a : args) {
        if (a == "--yes")
            reply = Answer::Yes;
        else if (a == "--no")
            reply = Answer::No;
    }
    std::erase_if(args, [](const std::string& a) { return a == "--yes" || a == "--no"; });
    return CliPrompter(reply);
}

} // namespace quillet::cli
