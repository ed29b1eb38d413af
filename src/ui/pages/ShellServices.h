#pragma once

#include <string>

namespace quillet {

class Prompter;

// Opens a file or address with the desktop's default handler; a failure is shown.
bool OpenWithShell(const std::string& target, Prompter& prompter);

// Starts editor on file without waiting for it. An empty editor falls back to
// $VISUAL, then $EDITOR, then the desktop's handler for the file.
bool LaunchEditor(const std::string& editor, const std::string& file, Prompter& prompter);

} // namespace quillet
