#include "app/cli/CliCommand.h"
#include "app/cli/CliPrompter.h"
#include "generator/Build.h"
#include "project/ProjectDocument.h"

#include <cstdio>

namespace quillet::cli {

namespace {

int RunBuild(const Args& given);

} // namespace

extern const Command kBuildCommand = {"build", "build PROJECT.prj",
                                      "Prepares the form pages of the project for its script (ACTION, METHOD and\n"
                                      "ENCTYPE of each form tag), writes the pages back and generates the Perl CGI\n"
                                      "script into the page folder's \"scripts\" folder. Prints the script's path.",
                                      RunBuild};

namespace {

int RunBuild(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    if (args.size() != 1)
        return UsageError(kBuildCommand, "expects one project file");
    std::optional<Project> project = ProjectDocument::ReadProjectFile(args[0], prompter);
    if (!project)
        return 1;
    std::string scriptPath;
    if (!BuildProject(*project, args[0], prompter, &scriptPath))
        return 1;
    std::printf("%s\n", scriptPath.c_str());
    return 0;
}

} // namespace

} // namespace quillet::cli
