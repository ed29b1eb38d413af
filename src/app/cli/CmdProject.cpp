#include "app/cli/CliCommand.h"
#include "app/cli/CliPrompter.h"
#include "project/ProjectDocument.h"

#include <cstdio>

namespace quillet::cli {

namespace {

int RunNew(const Args& given);
int RunResave(const Args& given);

} // namespace

extern const Command kNewCommand = {"new", "new PATH.prj",
                                    "Creates a project with one empty form, taking the server settings from the\n"
                                    "preferences, and saves it to PATH.prj. An existing file is never replaced.",
                                    RunNew};

extern const Command kResaveCommand = {"resave", "resave IN.prj [OUT.prj]",
                                       "Loads IN.prj and saves it again, to OUT.prj when given, else over IN.prj.\n"
                                       "The file is written in the program's canonical form with CR LF line ends.",
                                       RunResave};

namespace {

int RunNew(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
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
