#include "app/cli/CliCommand.h"
#include "app/cli/CliProject.h"
#include "app/cli/CliPrompter.h"
#include "net/Publisher.h"
#include "project/Paths.h"
#include "project/ProjectDocument.h"
#include "project/UploadList.h"

#include <cstdio>
#include <cstdlib>

namespace quillet::cli {

namespace {

int RunPublish(const Args& given);

} // namespace

extern const Command kPublishCommand = {"publish", "publish PROJECT.prj [--kinds N] [--all]",
                                        "Uploads the files of the project's current form to the web server named in\n"
                                        "its Web settings (FTP, FTPS or SFTP, or a folder path for direct copy),\n"
                                        "then sets their permissions. Prints one line per file as it is sent.\n"
                                        "--kinds N publishes only the kinds whose bits N holds: 1 page, 2 script,\n"
                                        "8 action files, 16 administration script, 32 library modules, 64 images\n"
                                        "(default 123). The shared files (images, modules, administration script)\n"
                                        "are listed unmarked beside a script and sent only when the server lacks\n"
                                        "the images or modules; --all sends every listed file.\n"
                                        "Exits with 0 only when every file was sent and its permission set.",
                                        RunPublish};

namespace {

bool PrintProgress(const PublishProgress& progress)
{
    if (progress.starting) {
        const UploadEntry& entry = *progress.entry;
        std::printf("%zu/%zu\t%s\t%s\t%s\n", progress.index + 1, progress.count,
                    std::string(UploadKindName(static_cast<unsigned>(entry.kind))).c_str(), entry.permission.c_str(),
                    entry.remotePath.c_str());
        std::fflush(stdout);
    }
    return true;
}

int RunPublish(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    unsigned kinds = kPublishKinds;
    bool all = false;
    std::string path;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--kinds") {
            if (i + 1 >= args.size() || !ParseKinds(args[++i], kinds))
                return UsageError(kPublishCommand, "--kinds expects a number from 1 to 127");
        } else if (args[i] == "--all") {
            all = true;
        } else if (path.empty() && args[i].rfind("--", 0) != 0) {
            path = args[i];
        } else {
            return UsageError(kPublishCommand, "unexpected argument " + args[i]);
        }
    }
    if (path.empty())
        return UsageError(kPublishCommand, "expects one project file");
    Project project;
    UploadList list;
    if (!LoadUploadList(path, kinds, prompter, project, list))
        return 1;
    if (!project.CurrentForm())
        return 0;
    for (UploadEntry& entry : list)
        entry.upload = entry.upload || all;
    MarkMissingServerFiles(list, project.settings, UploadKind::CgiLib | UploadKind::Image);
    return UploadNow(list, project.settings, prompter, PrintProgress) == PublishOutcome::Done ? 0 : 1;
}

} // namespace

} // namespace quillet::cli
