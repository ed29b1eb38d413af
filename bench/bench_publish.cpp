// Publishing 100 files of 5 KB and 4 of 200 KB into a nested folder and
// setting their permissions, by Quillet and by lftp against the same local
// servers (pyftpdlib for FTP and FTPS, OpenSSH for SFTP), so that the two can
// be read side by side for each method.
#include "e2e/publish/ServerProcess.h"
#include "net/Publisher.h"
#include "net/SshIdentity.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>

namespace {

using namespace quillet;

const char* const kMethods[] = {"Using FTP", "Using FTPS", "Using SFTP"};

struct Site {
    test::TempDir folder;
    test::FtpServer ftp;
    test::FtpServer ftps;
    test::SshServer ssh;
    UploadList list;
    std::vector<std::string> names;
    ServerSettings settings;

    // The settings of one method, whose server is trusted already.
    ServerSettings For(const std::string& method) const
    {
        ServerSettings out = settings;
        out.uploadMethod = method;
        if (method == "Using FTPS")
            out.ftpServer = ftps.Address();
        if (method == "Using SFTP") {
            out.ftpServer = ssh.Address();
            out.ftpUser = test::SshServer::User();
            out.ftpPassword.clear();
        }
        return out;
    }
    // Where the root folder of the FTP servers is on the SSH server.
    std::string Prefix(const std::string& method) const
    {
        return method == "Using SFTP" ? (folder.Path() / "root").string() : "";
    }
};

Site& TheSite()
{
    static std::unique_ptr<Site> site = [] {
        auto s = std::make_unique<Site>();
        std::filesystem::create_directories(s->folder.Path() / "root");
        std::filesystem::create_directories(s->folder.Path() / "local");
        std::string root = (s->folder.Path() / "root").string();
        // known_hosts and the SSH key choice go to the bench's own folder.
        setenv("HOME", s->folder.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", s->folder.File("config").c_str(), 1);
        setenv("SSL_CERT_FILE", s->folder.File("certs/cert.pem").c_str(), 1);
        std::filesystem::create_directories(s->folder.Path() / ".ssh");
        if (!s->ftp.Start(root) || !s->ftps.Start(root, "ready", {}, s->folder.File("certs")) ||
            !s->ssh.Start(s->folder.File("ssh")))
            std::abort();
        test::WriteBytes(KnownHostsPath(), s->ssh.KnownHostsLine());
        RememberSshKey(test::SshServer::User(), s->ssh.Address(), s->ssh.UserKey());
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
        s->settings.ftpServer = s->ftp.Address();
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
    std::string method = kMethods[state.range(0)];
    state.SetLabel(method);
    ServerSettings settings = site.For(method);
    UploadList list = site.list;
    for (UploadEntry& entry : list)
        entry.remotePath = site.Prefix(method) + entry.remotePath;
    SilentPrompter prompter;
    for (auto _ : state)
        if (UploadNow(list, settings, prompter) != PublishOutcome::Done)
            state.SkipWithError("publish failed");
}
BENCHMARK(BM_QuilletPublish)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same work as one lftp session: create the folders, put every file with
// its own ASCII or binary mode, then chmod them all.
void BM_LftpPublish(benchmark::State& state)
{
    Site& site = TheSite();
    std::string method = kMethods[state.range(0)];
    state.SetLabel(method);
    ServerSettings settings = site.For(method);
    std::string script = site.folder.File("lftp.script");
    std::string text = "set ftp:passive-mode on\nset cmd:fail-exit yes\nset xfer:clobber on\n";
    if (method == "Using FTPS")
        text += "set ftp:ssl-force yes\nset ftp:ssl-protect-data yes\nset ssl:verify-certificate no\n";
    if (method == "Using SFTP")
        text += "set sftp:connect-program \"ssh -a -x -i " + site.ssh.UserKey() +
                " -o UserKnownHostsFile=" + KnownHostsPath() + "\"\nopen -u " + settings.ftpUser + ", sftp://" +
                settings.ftpServer + "\n";
    else
        text += "open -u web,secret ftp://" + settings.ftpServer + "\n";
    std::string folder = site.Prefix(method) + "/lftp/site/deep/folder";
    text += "mkdir -p -f " + folder + "\ncd " + folder + "\n";
    for (const UploadEntry& entry : site.list)
        text +=
            (entry.kind == UploadKind::Image || method == "Using SFTP" ? "put " : "put -a ") + entry.localPath + "\n";
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
BENCHMARK(BM_LftpPublish)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
