#pragma once

#include <string>

namespace quillet {

class PageFileCache;
class Prompter;
struct Project;

// Points every form the script serves at the script and writes its page back:
// the main page and the pages that Post HTML Form actions carry. False when a
// page cannot be read or written; the message has been shown.
bool PrepareFormPages(const Project& project, const std::string& projectFile, Prompter& prompter,
                      PageFileCache* pages = nullptr);

// The build without the action sheet: the project checked (CheckBuild), the
// script generated and compiled, then the pages prepared and the script written.
// False, with the message shown and nothing written, when the project does not
// pass; a page or script that cannot be written is shown too.
bool BuildProject(const Project& project, const std::string& projectFile, Prompter& prompter,
                  std::string* scriptPath = nullptr);

} // namespace quillet
