#pragma once

#include "project/Prompter.h"

namespace quillet {

// Message boxes parented to the active window, titled with the program's name.
class QtPrompter : public Prompter {
public:
    void Show(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    Answer AskYesNoCancel(const std::string& text) override;
};

} // namespace quillet
