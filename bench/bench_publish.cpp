// Publishing 100 files of 5 KB and 4 of 200 KB into a nested folder and
// setting their permissions, by Quillet and by lftp against the same local
// pyftpdlib server, so that the two can be read side by side.
#include "e2e/publish/ServerProcess.h"
#include "net/Publisher.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>

namespace {

using namespace quillet;

struct Site {
    test::TempDir folder;
    test::FtpServer server;
    UploadList list;
    std::vector<std::string> names;
    ServerSettings settings;
};

Site& TheSite()
{
    static std::unique_ptr<Site> site = [] {
        auto s = std::make_unique<Site>();
        std::filesystem::create_directories(s->folder.Path() / "root");
        std::filesystem::create_directories(s->folder.Path() / "local");
        if (!s->server.Start((s->folder.Path() / "root").string()))
            std::abort();
        for (int i = 0; i < 104; ++i) {
            bool large = i >= 100;
            std::string name = (large ? "big" : "page") + std::to_string(i) + (large ? ".gif" : ".html");
            std::string local = (s->folder.Path() / "local" / name).string();
            test::WriteBytes(local, std::string(large ? 200 * 1024 : 5 * 1024, large ? '\x7f' : 'x'));
            UploadEntry entry;
            entry.localPath = local;
            entry.remotePath = "/quillet/site/deep/folder/" + name;
            entry.kind = large ? UploadKind::Image : UploadKind::Html;
            entry.permission = "644";
            entry.upload = true;
            s->list.push_back(entry);
            s->names.push_back(name);
        }
        s->settings.uploadMethod = "Using FTP";
        s->settings.ftpServer = s->server.Address();
        s->settings.ftpUser = "web";
        s->settings.ftpPassword = "secret";
        s->settings.ftpPassive = 1;
        s->settings.serverType = "Unix";
        return s;
    }();
    return *site;
}

void BM_QuilletPublish(benchmark::State& state)
{
    Site& site = TheSite();
    SilentPrompter prompter;
    for (auto _ : state)
        if (UploadNow(site.list, site.settings, prompter) != PublishOutcome::Done)
            state.SkipWithError("publish failed");
}
BENCHMARK(BM_QuilletPublish)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same work as one lftp session: create the folders, put every file with
// its own ASCII or binary mode, then chmod them all.
void BM_LftpPublish(benchmark::State& state)
{
    Site& site = TheSite();
    std::string script = site.folder.File("lftp.script");
    std::string text = "set ftp:passive-mode on\nset cmd:fail-exit yes\nset xfer:clobber on\n"
                       "open -u web,secret ftp://" +
                       site.server.Address() + "\nmkdir -p -f /lftp/site/deep/folder\ncd /lftp/site/deep/folder\n";
    for (const UploadEntry& entry : site.list)
        text += (entry.kind == UploadKind::Image ? "put " : "put -a ") + entry.localPath + "\n";
    text += "chmod 644";
    for (const std::string& name : site.names)
        text += " " + name;
    text += "\nbye\n";
    test::WriteBytes(script, text);
    std::string command = "lftp -f '" + script + "' > /dev/null 2>&1";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("lftp failed");
}
BENCHMARK(BM_LftpPublish)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
