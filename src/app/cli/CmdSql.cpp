#include "app/cli/CliCommand.h"
#include "app/cli/CliPrompter.h"
#include "generator/SqlBuilder.h"
#include "project/ProjectDocument.h"

#include <cstdio>

namespace quillet::cli {

namespace {

int RunSql(const Args& given);

} // namespace

extern const Command kSqlCommand = {"sql", "sql PROJECT.prj",
                                    "Prints the SQL statement of every record action of the project, nested\n"
                                    "conditions and posted forms included, as the generated script holds it:\n"
                                    "handler, action name and statement, separated by tabs. A statement may go\n"
                                    "on over further lines (WHERE, GROUP BY, ORDER BY); those hold no tab.",
                                    RunSql};

namespace {

void PrintStatements(const std::string& handler, const ActionList& actions);

void PrintForm(const Form& form)
{
    for (const Handler& handler : form.handlers)
        PrintStatements(handler.name, handler.actions);
}

void PrintStatements(const std::string& handler, const ActionList& actions)
{
    for (const Action& action : actions) {
        if (std::optional<std::string> sql = BuildSqlStatement(action))
            std::printf("%s\t%s\t%s\n", handler.c_str(), action.name.c_str(), sql->c_str());
        else if (action.type == ActionType::ConditionalStatement)
            PrintStatements(handler, action.Condition().actions);
        else if (action.type == ActionType::PostHtmlForm)
            PrintForm(action.FormBody().form);
    }
}

int RunSql(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    if (args.size() != 1)
        return UsageError(kSqlCommand, "expects one project file");
    ProjectDocument doc(prompter);
    if (!doc.LoadProject(args[0]))
        return 1;
    for (const Form& form : doc.Content().forms)
        PrintForm(form);
    return 0;
}

} // namespace

} // namespace quillet::cli
