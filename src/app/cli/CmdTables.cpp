#include "app/cli/CliCommand.h"
#include "app/cli/CliPrompter.h"
#include "db/AdminRequests.h"
#include "db/CreateTable.h"
#include "net/Publisher.h"
#include "project/Paths.h"
#include "project/ProjectDocument.h"

#include <cstdio>

namespace quillet::cli {

namespace {

int RunTables(const Args& given);
int RunCreateTables(const Args& given);

} // namespace

extern const Command kTablesCommand = {"tables", "tables PROJECT.prj",
                                       "Prints the CREATE TABLE statement of every table of every data source of the\n"
                                       "project, one per line, in the dialect of the data source's driver (mysql,\n"
                                       "SQLite or Pg).",
                                       RunTables};

extern const Command kCreateTablesCommand = {
    "create-tables", "create-tables PROJECT.prj [--yes] [--no-upload] [--keep-admin]",
    "Creates every designed table on the database server through the project's\n"
    "administration script (dbadmin with the script extension in the CGI-BIN\n"
    "URL). First uploads that script as a publish would, unless --no-upload.\n"
    "A table the database refuses is dropped and created again only with --yes;\n"
    "dropping loses its rows. Once every table stands, the script is deleted\n"
    "from the server unless --keep-admin. Exits with 0 only when every table\n"
    "was created.",
    RunCreateTables};

namespace {

struct CreateOptions {
    bool upload = true;
    bool keepAdmin = false;
};

bool LoadArgs(const Command& command, const Args& given, CliPrompter& prompter, ProjectDocument& doc, std::string& path,
              CreateOptions* options)
{
    Args args = given;
    prompter = CliPrompter::FromArgs(args);
    for (const std::string& arg : args) {
        if (options && arg == "--no-upload") {
            options->upload = false;
        } else if (options && arg == "--keep-admin") {
            options->keepAdmin = true;
        } else if (path.empty() && arg.rfind("--", 0) != 0) {
            path = arg;
        } else {
            UsageError(command, "unexpected argument " + arg);
            return false;
        }
    }
    if (path.empty()) {
        UsageError(command, "expects one project file");
        return false;
    }
    return doc.LoadProject(path);
}

int RunTables(const Args& given)
{
    CliPrompter prompter;
    ProjectDocument doc(prompter);
    std::string path;
    if (!LoadArgs(kTablesCommand, given, prompter, doc, path, nullptr))
        return 1;
    for (const DataSource& dataSource : doc.Content().dataSources)
        for (const TableDef& table : dataSource.tables)
            std::printf("%s\n", BuildCreateTable(table, DialectOfDriver(dataSource.driver)).c_str());
    return 0;
}

int RunCreateTables(const Args& given)
{
    CliPrompter prompter;
    ProjectDocument doc(prompter);
    std::string path;
    CreateOptions options;
    if (!LoadArgs(kCreateTablesCommand, given, prompter, doc, path, &options))
        return 1;
    const Project& project = doc.Content();
    auto uploadStep = [&](UploadList& list) {
        if (options.upload)
            UploadNow(list, project.settings, prompter);
    };
    AdminScriptRemoval removal = options.keepAdmin ? AdminScriptRemoval::Keep : AdminScriptRemoval::Remove;
    return SyncTablesToServer(project, PathContext::ForProject(project, path), prompter, uploadStep, {}, removal) ? 0
                                                                                                                  : 1;
}

} // namespace

} // namespace quillet::cli
