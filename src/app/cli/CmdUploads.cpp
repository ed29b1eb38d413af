#include "app/cli/CliCommand.h"
#include "app/cli/CliProject.h"
#include "app/cli/CliPrompter.h"
#include "project/Paths.h"
#include "project/ProjectDocument.h"
#include "project/UploadList.h"

#include <cstdio>
#include <cstdlib>

namespace quillet::cli {

namespace {

int RunUploads(const Args& given);

} // namespace

extern const Command kUploadsCommand = {
    "uploads", "uploads PROJECT.prj [--kinds N]",
    "Prints the files that a publish of the project's current form sends, one\n"
    "tab-separated line each: upload mark, create-empty mark, binary mark (1 or 0),\n"
    "file type, permission, local path, remote path.\n"
    "--kinds N lists only the kinds whose bits N holds: 1 page, 2 script,\n"
    "8 action files, 16 administration script, 32 library modules, 64 images\n"
    "(default 123, a full publish). The library modules and images are written\n"
    "to the program folder ($QUILLET_HOME) on the way, as a publish does.",
    RunUploads};

namespace {

int RunUploads(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    unsigned kinds = kPublishKinds;
    std::string path;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--kinds") {
            if (i + 1 >= args.size() || !ParseKinds(args[++i], kinds))
                return UsageError(kUploadsCommand, "--kinds expects a number from 1 to 127");
        } else if (path.empty()) {
            path = args[i];
        } else {
            return UsageError(kUploadsCommand, "expects one project file");
        }
    }
    if (path.empty())
        return UsageError(kUploadsCommand, "expects one project file");
    Project project;
    UploadList list;
    if (!LoadUploadList(path, kinds, prompter, project, list))
        return 1;
    for (const UploadEntry& e : list)
        std::printf("%d\t%d\t%d\t%s\t%s\t%s\t%s\n", e.upload, e.createEmpty, e.binary,
                    std::string(UploadKindName(static_cast<unsigned>(e.kind))).c_str(), e.permission.c_str(),
                    e.localPath.c_str(), e.remotePath.c_str());
    return 0;
}

} // namespace

} // namespace quillet::cli
