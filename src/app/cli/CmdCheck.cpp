#include "app/cli/CliCommand.h"
#include "app/cli/CliPrompter.h"
#include "db/ServerCheck.h"
#include "project/ProjectDocument.h"

#include <cstdio>

namespace quillet::cli {

namespace {

int RunCheck(const Args& given);

} // namespace

extern const Command kCheckCommand = {"check", "check PROJECT.prj",
                                      "Checks the web server of the project's Web settings before a first publish:\n"
                                      "stores a small probe script in the CGI folder through the project's upload\n"
                                      "method, requests it over HTTP and removes it again. Prints one line per\n"
                                      "finding: whether scripts run (extension, permission, Perl path), the Perl\n"
                                      "version, DBI and each DBD the data sources need, whether the data folder is\n"
                                      "writable, each mail program of the Send Email actions, and the server's\n"
                                      "clock. A failed line says what to change in the Web settings.\n"
                                      "Exits with 0 only when every line passed.",
                                      RunCheck};

namespace {

int RunCheck(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    if (args.size() != 1 || args[0].starts_with("--"))
        return UsageError(kCheckCommand, args.empty() ? "expects one project file" : "unexpected argument " + args[0]);
    ProjectDocument doc(prompter);
    if (!doc.LoadProject(args[0]))
        return 1;
    ServerCheckReport report = CheckServer(doc.Content(), prompter);
    std::fputs(report.Text().c_str(), stdout);
    return report.AllPassed() && !report.lines.empty() ? 0 : 1;
}

} // namespace

} // namespace quillet::cli
