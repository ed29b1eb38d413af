#include "app/cli/CliCommand.h"
#include "app/cli/CliPrompter.h"
#include "generator/ProjectFromPage.h"
#include "project/ProjectDocument.h"

#include <algorithm>
#include <cstdio>

namespace quillet::cli {

namespace {

int RunNew(const Args& given);
int RunResave(const Args& given);

} // namespace

extern const Command kNewCommand = {"new", "new PATH.prj [--page PAGE.html [--form NAME] [--database sqlite|mysql|pg]]",
                                    "Creates a project with one empty form, taking the server settings from the\n"
                                    "preferences, and saves it to PATH.prj. An existing file is never replaced.\n"
                                    "With --page the project is made around an existing page: its form (--form\n"
                                    "NAME, as 'quillet-cli forms' names it; default the first form without a\n"
                                    "NAME, else the first form, as the Form tab takes it), one handler per\n"
                                    "named submit button, a data source \"db\" (SQLite in the data folder unless\n"
                                    "--database says mysql or pg) with a table of the form's fields, and for each\n"
                                    "handler an Insert Record action and a thank-you page showing what was sent\n"
                                    "(written to the templates folder beside PATH.prj). A submit button without a\n"
                                    "name is offered one, written into the page; --no declines. Then\n"
                                    "'quillet-cli preview PATH.prj' runs it.",
                                    RunNew};

extern const Command kResaveCommand = {"resave", "resave IN.prj [OUT.prj]",
                                       "Loads IN.prj and saves it again, to OUT.prj when given, else over IN.prj.\n"
                                       "The file is written in the program's canonical form with CR LF line ends;\n"
                                       "a file the reader refuses is reported with its line and left untouched.",
                                       RunResave};

namespace {

// new PATH.prj --page PAGE [--form NAME] [--database KIND]
int RunNewFromPage(const Args& args, CliPrompter& prompter)
{
    PageProjectRequest request;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool option = arg == "--page" || arg == "--form" || arg == "--database";
        if (option && i + 1 >= args.size())
            return UsageError(kNewCommand, arg + " expects a value");
        if (arg == "--page")
            request.pageFile = args[++i];
        else if (arg == "--form")
            request.formName = args[++i];
        else if (arg == "--database")
            request.database = args[++i];
        else if (request.projectFile.empty() && !arg.starts_with("--"))
            request.projectFile = arg;
        else
            return UsageError(kNewCommand, "unexpected argument " + arg);
    }
    if (request.projectFile.empty() || request.pageFile.empty())
        return UsageError(kNewCommand, "expects a project path and --page PAGE");
    if (!IsPageProjectDatabase(request.database))
        return UsageError(kNewCommand, "--database expects sqlite, mysql or pg");
    if (!CreateProjectFromPage(request, prompter))
        return 1;
    std::printf("%s\n", ProjectDocument::ProjectFilePath(request.projectFile).c_str());
    return 0;
}

int RunNew(const Args& given)
{
    Args args = given;
    bool fromPage = std::find(args.begin(), args.end(), "--page") != args.end();
    // Naming the page's unnamed submit buttons is what makes such a project work.
    CliPrompter prompter = CliPrompter::FromArgs(args, fromPage ? Prompter::Answer::Yes : Prompter::Answer::No);
    if (fromPage || std::any_of(args.begin(), args.end(), [](const std::string& a) { return a.starts_with("--"); }))
        return RunNewFromPage(args, prompter);
    if (args.size() != 1)
        return UsageError(kNewCommand, "expects one path");
    const std::string& path = args[0];
    ProjectDocument doc(prompter);
    if (std::FILE* existing = std::fopen(ProjectDocument::ProjectFilePath(path).c_str(), "r")) {
        std::fclose(existing);
        std::fprintf(stderr, "quillet-cli new: %s exists; not replaced\n", path.c_str());
        return 1;
    }
    LoadPreferences(doc.Content().settings);
    doc.Content().forms.emplace_back();
    doc.SetPath(path);
    return doc.SaveProject(path) ? 0 : 1;
}

int RunResave(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    if (args.empty() || args.size() > 2)
        return UsageError(kResaveCommand, "expects an input and an optional output path");
    ProjectDocument doc(prompter);
    if (!doc.LoadProject(args[0]))
        return 1;
    return doc.SaveProject(args.size() == 2 ? args[1] : args[0]) ? 0 : 1;
}

} // namespace

} // namespace quillet::cli
