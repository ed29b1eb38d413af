#pragma once

#include <string>

namespace quillet {

class Prompter;
class ScriptPrinter;
struct Form;
struct LoadedPage;
class PageFileCache;
struct Project;

// Reads the form's page into page and selects the form the project names (by its
// NAME, or the name an unnamed form is given), naming it in form and the nodes as
// FindForm does. False, with the message shown, for an unreadable page, a page
// without a form, or a name that none of its forms has.
bool LoadServedForm(Form& form, const std::string& projectFile, LoadedPage& page, Prompter& prompter,
                    PageFileCache* pages = nullptr);

// LoadServedForm for every form the script serves.
bool CheckFormPages(const Project& project, const std::string& projectFile, Prompter& prompter);

// What would make a built script useless or harmful, refused before anything is
// written: names that are no script variables (CheckProjectNames), the checks of
// CheckFormPages, actions for a button the form does not
// have, a record action on a data source the project lacks, a Delete or Update
// without a complete criterion (it would change every row), or one over several
// tables on a driver that cannot run it. The first problem is shown.
bool CheckBuild(const Project& project, const std::string& projectFile, Prompter& prompter,
                PageFileCache* pages = nullptr);

// Has Perl compile the script without running it, where a Perl is at hand; false,
// with Perl's message and the action the failing line came from, when it does not
// compile. Modules the machine lacks (DBI, a driver) count as present.
bool CheckScriptCompiles(const ScriptPrinter& script, Prompter& prompter);

} // namespace quillet
