#pragma once

#include <string>
#include <string_view>

namespace quillet {

class Prompter;

struct PageProjectRequest {
    std::string projectFile;
    std::string pageFile;
    // Empty: the first unnamed form, else the first form.
    std::string formName;
    // "sqlite", "mysql" or "pg".
    std::string database = "sqlite";
};

bool IsPageProjectDatabase(std::string_view database);

// Makes a working project around a page the user already has: the form, one
// handler per named submit button (offering a name to each unnamed one, which
// is then written into the page), a data source with a table whose columns are
// the form's fields, and for every handler an Insert Record action bound field
// by field and a response showing what was submitted (a template written beside
// the project). Server settings come from the preferences. An existing project
// file is never replaced. False, with the message shown and no project written,
// when the page, the form or a named submit button is missing.
bool CreateProjectFromPage(const PageProjectRequest& request, Prompter& prompter);

} // namespace quillet
