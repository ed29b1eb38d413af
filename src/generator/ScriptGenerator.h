#pragma once

#include "generator/ScriptPrinter.h"

#include <string>
#include <vector>

namespace quillet {

class PageFileCache;
class Prompter;
struct Form;
struct Project;

// Everything the generator needs of the open project.
struct GenerateInput {
    const Project& project;
    // The project file's path: relative page files are found from its folder.
    std::string projectFile;
    bool portable = false;
    // Where a build keeps the pages it has read; none reads them afresh.
    PageFileCache* pages = nullptr;
};

// The forms the script dispatches over: the main form, then every form that a
// Post HTML Form action carries, depth first in handler and action order.
std::vector<const Form*> ScriptFormList(const Project& project);

// The address a posted form must name: the script's address, with the page and
// form in the query for any form but the main one.
std::string ScriptUrlForForm(const Project& project, const Form& form);

// The page's name as the script dispatches on it: the file name without folder,
// cut at its first dot.
std::string PageBaseName(const std::string& pageFile);

// Writes the script into the page folder's "scripts" folder. False when a
// message was shown: no CGI folder, a page that cannot be found, a file that
// cannot be written. scriptPath receives where the script went.
bool GenerateScript(const GenerateInput& input, Prompter& prompter, std::string* scriptPath = nullptr);

// The script's text without writing it; false as for GenerateScript. The
// printer's sections tell which action wrote a line.
bool GenerateScriptText(const GenerateInput& input, Prompter& prompter, ScriptPrinter& out);
bool GenerateScriptText(const GenerateInput& input, Prompter& prompter, std::string& text);

// Writes a generated script where GenerateScript puts it, executable; false, shown, when it cannot.
bool WriteScriptFile(const GenerateInput& input, const std::string& text, Prompter& prompter,
                     std::string* scriptPath = nullptr);

} // namespace quillet
