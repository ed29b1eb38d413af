#pragma once

#include <string>

namespace quillet {

class Prompter;
struct Project;

// Points every form the script serves at the script and writes its page back:
// the main page and the pages that Post HTML Form actions carry. False when a
// page cannot be read or written; the message has been shown.
bool PrepareFormPages(const Project& project, const std::string& projectFile, Prompter& prompter);

// The build without the action sheet: the pages prepared, then the script
// generated. False, with the message shown, when there is no page to build from.
bool BuildProject(const Project& project, const std::string& projectFile, Prompter& prompter,
                  std::string* scriptPath = nullptr);

} // namespace quillet
