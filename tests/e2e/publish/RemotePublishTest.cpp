#include "e2e/publish/ServerProcess.h"
#include "net/PublishSteps.h"
#include "net/Publisher.h"
#include "net/RemoteBrowser.h"
#include "net/ServerTrust.h"
#include "net/SshIdentity.h"
#include "project/Messages.h"
#include "project/ServerSettings.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/UploadEntries.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <thread>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using test::Entry;
using test::ModeOf;
using test::ReadBytes;
using test::WriteBytes;

// Points known_hosts, the preferences and the system's certificate store into
// a test folder for the life of the object.
class UserFolders {
public:
    explicit UserFolders(const fs::path& folder)
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "SSL_CERT_FILE"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        fs::create_directories(folder / ".ssh");
        setenv("HOME", folder.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        unsetenv("SSL_CERT_FILE");
    }
    ~UserFolders()
    {
        for (const auto& [name, value] : m_saved)
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

// Publishing over each upload method that logs in, against pyftpdlib (plain
// and with explicit TLS) and OpenSSH. The server's identity is settled before
// each test: the FTPS certificate as one the system trusts, the SSH host key
// in known_hosts, the user's key chosen for the server.
class RemotePublish : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        fs::create_directories(Root());
        m_settings.uploadMethod = GetParam();
        m_settings.ftpPassive = 1;
        m_settings.serverType = "Unix";
        if (Sftp()) {
            ASSERT_TRUE(m_ssh.Start(m_local.File("ssh")));
            m_settings.ftpServer = m_ssh.Address();
            m_settings.ftpUser = test::SshServer::User();
            WriteBytes(KnownHostsPath(), m_ssh.KnownHostsLine());
            ASSERT_TRUE(RememberSshKey(m_settings.ftpUser, m_settings.ftpServer, m_ssh.UserKey()));
            // OpenSSH shows the whole file system: the server's root is a folder in it.
            m_prefix = Root().string();
            return;
        }
        bool tls = m_settings.uploadMethod == "Using FTPS";
        // pyftpdlib sends a banner over 75 characters as "220-..." lines and a final "220 ".
        ASSERT_TRUE(m_server.Start(Root().string(),
                                   "Welcome to the publishing test server of Quillet, which speaks on 127.0.0.1 "
                                   "only\r\n220-and has a second line",
                                   {}, tls ? m_local.File("certs") : ""));
        if (tls)
            setenv("SSL_CERT_FILE", m_local.File("certs/cert.pem").c_str(), 1);
        m_settings.ftpServer = m_server.Address();
        m_settings.ftpUser = "web";
        m_settings.ftpPassword = "secret";
    }

    bool Sftp() const { return m_settings.uploadMethod == "Using SFTP"; }
    fs::path Root() const { return m_local.Path() / "server"; }
    // A path under the server's root as the server names it.
    std::string Remote(const std::string& path) const { return m_prefix + path; }
    std::string Local(const std::string& name, const std::string& bytes)
    {
        std::string path = m_local.File(name);
        WriteBytes(path, bytes);
        return path;
    }
    // A login the server refuses: a wrong password, and no SSH key.
    void BreakLogin()
    {
        m_settings.ftpPassword = "wrong";
        RememberSshKey(m_settings.ftpUser, m_settings.ftpServer, "");
    }
    std::unique_ptr<RemoteConnection> Connect() { return OpenRemoteConnection(LoginFor(m_settings), m_prompter); }

    test::TempDir m_local;
    UserFolders m_folders{m_local.Path() / "home"};
    test::FtpServer m_server;
    test::SshServer m_ssh;
    std::string m_prefix;
    ServerSettings m_settings;
    test::ScriptedPrompter m_prompter;
};

// "FTP" of "Using FTP".
std::string MethodName(const ::testing::TestParamInfo<const char*>& method)
{
    return std::string(method.param).substr(6);
}

INSTANTIATE_TEST_SUITE_P(Methods, RemotePublish, ::testing::Values("Using FTP", "Using FTPS", "Using SFTP"),
                         MethodName);

TEST_P(RemotePublish, CreatesFoldersConvertsTextKeepsBinaryAndSetsPermissions)
{
    const std::string image("GIF\r\n\0\x01\n\r", 10);
    UploadList list = {
        Entry(Local("order.html", "<p>a</p>\r\n<p>b</p>\n"), Remote("/html/order.html"), UploadKind::Html),
        Entry(Local("order.cgi", "#!/usr/bin/perl\r\nprint 1;\n"), Remote("/cgi-bin/deep/er/order.cgi"),
              UploadKind::CgiScript, "755"),
        Entry(Local("first.gif", image), Remote("/html/images/quillet/first.gif"), UploadKind::Image),
        Entry("", Remote("/cgi-bin/deep/er/data/orders.txt"), UploadKind::Template, "666"),
    };
    list[3].createEmpty = true;
    list.push_back(Entry(Local("skipped.html", "x"), Remote("/html/skipped.html"), UploadKind::Html));
    list.back().upload = false;

    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(ReadBytes((Root() / "html/order.html").string()), "<p>a</p>\n<p>b</p>\n");
    EXPECT_EQ(ReadBytes((Root() / "cgi-bin/deep/er/order.cgi").string()), "#!/usr/bin/perl\nprint 1;\n");
    EXPECT_EQ(ReadBytes((Root() / "html/images/quillet/first.gif").string()), image);
    EXPECT_EQ(ReadBytes((Root() / "cgi-bin/deep/er/data/orders.txt").string()), "");
    EXPECT_FALSE(fs::exists(Root() / "html/skipped.html"));
    EXPECT_EQ(ModeOf(Root() / "cgi-bin/deep/er/order.cgi"), 0755u);
    EXPECT_EQ(ModeOf(Root() / "html/order.html"), 0644u);
    EXPECT_EQ(ModeOf(Root() / "cgi-bin/deep/er/data/orders.txt"), 0666u);
    for (const auto& item : fs::recursive_directory_iterator(Root()))
        EXPECT_FALSE(IsTemporaryUploadName(item.path().filename().string())) << item.path();
}

TEST_P(RemotePublish, OverwritesFilesButNeverCollectedData)
{
    fs::create_directories(Root() / "cgi-bin/data");
    WriteBytes((Root() / "cgi-bin/order.cgi").string(), "old script, longer than the new one\n");
    WriteBytes((Root() / "cgi-bin/data/guests.txt").string(), "collected rows\n");
    UploadList list = {Entry(Local("order.cgi", "new\n"), Remote("/cgi-bin/order.cgi"), UploadKind::CgiScript, "755"),
                       Entry("", Remote("/cgi-bin/data/guests.txt"), UploadKind::Template, "666")};
    list[1].createEmpty = true;
    // pyftpdlib cannot shake hands on an active data connection, so FTPS stays passive here.
    m_settings.ftpPassive = m_settings.uploadMethod == "Using FTP" ? 0 : 1;

    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(ReadBytes((Root() / "cgi-bin/order.cgi").string()), "new\n");
    EXPECT_EQ(ModeOf(Root() / "cgi-bin/order.cgi"), 0755u);
    EXPECT_EQ(ReadBytes((Root() / "cgi-bin/data/guests.txt").string()), "collected rows\n");
    EXPECT_EQ(ModeOf(Root() / "cgi-bin/data/guests.txt"), 0666u);
    EXPECT_EQ(std::distance(fs::directory_iterator(Root() / "cgi-bin"), fs::directory_iterator()), 2);
}

TEST_P(RemotePublish, RefusedLoginStopsBeforeAnyTransfer)
{
    BreakLogin();
    UploadList list = {Entry(Local("a.html", "x"), Remote("/a.html"), UploadKind::Html)};
    m_prompter.ExpectShow(std::string(MessageText(Msg::CheckFtpSettings)));
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::ConnectionFailed);
    EXPECT_FALSE(fs::exists(Root() / "a.html"));
    EXPECT_TRUE(m_prompter.Done());
}

TEST_P(RemotePublish, FailedTransferStopsTheListAndSetsNoPermission)
{
    UploadList list = {Entry(Local("a.cgi", "a\n"), Remote("/a.cgi"), UploadKind::CgiScript, "700"),
                       Entry(m_local.File("missing.cgi"), Remote("/b.cgi"), UploadKind::CgiScript, "755"),
                       Entry(Local("c.cgi", "c\n"), Remote("/c.cgi"), UploadKind::CgiScript, "755")};
    m_prompter.ExpectShow("Can't Upload File '" + m_local.File("missing.cgi") + "' to '" + Remote("/b.cgi") +
                          "'\r\nError Code: ");
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::TransferFailed);
    EXPECT_EQ(ModeOf(Root() / "a.cgi"), 0700u);
    EXPECT_FALSE(fs::exists(Root() / "c.cgi"));
    EXPECT_TRUE(m_prompter.Done());
}

// A file whose mode cannot be set never replaces the live one.
TEST_P(RemotePublish, PermissionRefusedLeavesTheLiveFile)
{
    WriteBytes((Root() / "a.cgi").string(), "old\n");
    UploadList list = {Entry(Local("a.cgi", "a\n"), Remote("/a.cgi"), UploadKind::CgiScript, "99x")};
    m_prompter.ExpectShow("Can't set file permission for remote file " + Remote("/a.cgi"));
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::PermissionFailed);
    EXPECT_TRUE(m_prompter.Done());
    EXPECT_EQ(ReadBytes((Root() / "a.cgi").string()), "old\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(Root()), fs::directory_iterator()), 1);
}

// Beside a script the shared files are listed unmarked; the ones the server
// lacks are marked, each folder listed once, and a server out of reach gets all.
TEST_P(RemotePublish, SharedFilesTheServerLacksAreMarked)
{
    fs::create_directories(Root() / "cgi-bin");
    WriteBytes((Root() / "cgi-bin/mNet.pm").string(), "old");
    UploadList list = {Entry(Local("mNet.pm", "new"), Remote("/cgi-bin/mNet.pm"), UploadKind::CgiLib),
                       Entry(Local("Sendmail.pm", "new"), Remote("/cgi-bin/Sendmail.pm"), UploadKind::CgiLib),
                       Entry(Local("next.gif", "gif"), Remote("/images/next.gif"), UploadKind::Image),
                       Entry(Local("dbadmin.cgi", "x"), Remote("/cgi-bin/dbadmin.cgi"), UploadKind::DbAdmin)};
    for (UploadEntry& entry : list)
        entry.upload = false;
    UploadList unreachable = list;
    MarkMissingServerFiles(list, m_settings, UploadKind::CgiLib | UploadKind::Image);
    EXPECT_EQ((std::vector<bool>{list[0].upload, list[1].upload, list[2].upload, list[3].upload}),
              (std::vector<bool>{false, true, true, false}));
    BreakLogin();
    MarkMissingServerFiles(unreachable, m_settings, static_cast<unsigned>(UploadKind::CgiLib));
    EXPECT_TRUE(unreachable[0].upload && unreachable[1].upload && !unreachable[2].upload);
}

TEST_P(RemotePublish, RemoteFileOperations)
{
    auto connection = Connect();
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->LoginFolder(), Sftp() ? test::SshServer::Home() : "/");
    ASSERT_TRUE(connection->Put(Remote("/a b/#x?.txt"), "line\n", TransferType::Ascii));
    EXPECT_EQ(ReadBytes((Root() / "a b/#x?.txt").string()), "line\n");
    EXPECT_TRUE(connection->CreateIfMissing(Remote("/a b/#x?.txt")));
    EXPECT_TRUE(connection->CreateIfMissing(Remote("/a b/new/empty.txt")));
    EXPECT_EQ(ReadBytes((Root() / "a b/#x?.txt").string()), "line\n");
    EXPECT_EQ(ReadBytes((Root() / "a b/new/empty.txt").string()), "");
    EXPECT_TRUE(connection->SetMode(Remote("/a b/new/empty.txt"), "640"));
    EXPECT_EQ(ModeOf(Root() / "a b/new/empty.txt"), 0640u);
    EXPECT_TRUE(connection->IsFolder(Remote("/a b")));
    EXPECT_FALSE(connection->IsFolder(Remote("/a b/#x?.txt")));
    std::string bytes;
    ASSERT_TRUE(connection->Fetch(Remote("/a b/#x?.txt"), bytes, TransferType::Binary));
    EXPECT_EQ(bytes, "line\n");
    EXPECT_TRUE(connection->Rename(Remote("/a b/#x?.txt"), Remote("/a b/y.txt")));
    EXPECT_TRUE(fs::exists(Root() / "a b/y.txt"));
    EXPECT_FALSE(connection->RemoveFolder(Remote("/a b")));
    EXPECT_TRUE(connection->DeleteFile(Remote("/a b/y.txt")));
    EXPECT_TRUE(connection->DeleteFile(Remote("/a b/new/empty.txt")));
    EXPECT_TRUE(connection->RemoveFolder(Remote("/a b/new")));
    EXPECT_TRUE(connection->RemoveFolder(Remote("/a b")));
    EXPECT_TRUE(connection->MakeFolder(Remote("/new")));
    EXPECT_FALSE(connection->MakeFolder(Remote("/new")));
    EXPECT_FALSE(connection->Put(Remote("/x\r\nDELE y"), "z", TransferType::Binary));
    EXPECT_FALSE(connection->SetMode(Remote("/new\"\r\nrm x"), "755"));
}

class FtpPublish : public RemotePublish {};
INSTANTIATE_TEST_SUITE_P(Ftp, FtpPublish, ::testing::Values("Using FTP"));

TEST_P(FtpPublish, WindowsServerGetsNoPermissionCommands)
{
    m_settings.serverType = "Windows NT";
    UploadList list = {Entry(Local("a.cgi", "x\n"), "/a.cgi", UploadKind::CgiScript, "700")};
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(ReadBytes((Root() / "a.cgi").string()), "x\r\n");
    EXPECT_NE(ModeOf(Root() / "a.cgi"), 0700u);
}

TEST_P(FtpPublish, ProgressCanCancel)
{
    UploadList list = {Entry(Local("a.html", "a"), "/a.html", UploadKind::Html),
                       Entry(Local("b.html", std::string(300000, 'b')), "/b.html", UploadKind::Html)};
    std::vector<std::string> seen;
    auto progress = [&](const PublishProgress& p) {
        if (p.starting)
            seen.push_back(p.entry->remotePath + " " + std::to_string(p.index) + "/" + std::to_string(p.count));
        return p.index == 0;
    };
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter, progress), PublishOutcome::Cancelled);
    EXPECT_EQ(seen, (std::vector<std::string>{"/a.html 0/2", "/b.html 1/2"}));
    EXPECT_TRUE(fs::exists(Root() / "a.html"));
    EXPECT_FALSE(fs::exists(Root() / "b.html"));
}

TEST_P(FtpPublish, EmptyListStillLogsInAndOut)
{
    UploadList list = {Entry(Local("a.html", "a"), "/a.html", UploadKind::Html)};
    list[0].upload = false;
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_FALSE(fs::exists(Root() / "a.html"));
}

// FTPS refuses to go on without TLS, and asks about a certificate no
// authority signed once, remembering the answer; a changed one is refused.
TEST_P(FtpPublish, FtpsAsksAboutItsCertificateAndNeverFallsBackToPlainFtp)
{
    m_settings.uploadMethod = "Using FTPS";
    UploadList list = {Entry(Local("a.html", "a"), "/a.html", UploadKind::Html)};
    m_prompter.ExpectShow("The FTP server " + m_settings.ftpServer + " offers no encryption");
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::ConnectionFailed);
    EXPECT_FALSE(fs::exists(Root() / "a.html"));

    test::FtpServer tls;
    ASSERT_TRUE(tls.Start(Root().string(), "ready", {}, m_local.File("certs")));
    m_settings.ftpServer = tls.Address();
    const std::string untrusted = "The certificate of " + tls.Address() + " is not signed by an authority";
    m_prompter.ExpectQuestion(untrusted, Prompter::Answer::No);
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::ConnectionFailed);
    m_prompter.ExpectQuestion(untrusted, Prompter::Answer::Yes);
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(ReadBytes((Root() / "a.html").string()), "a");

    WriteBytes(TrustedCertificatesPath(), tls.Address() + " AA:BB\n");
    m_prompter.ExpectShow("The certificate of " + tls.Address() + " is not the one you chose to trust");
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::ConnectionFailed);
    EXPECT_TRUE(m_prompter.Done());
}

class SftpPublish : public RemotePublish {};
INSTANTIATE_TEST_SUITE_P(Sftp, SftpPublish, ::testing::Values("Using SFTP"));

// An unknown host key is shown with the fingerprint OpenSSH gives and asked
// about once; a changed one is refused and nothing is sent.
TEST_P(SftpPublish, UnknownHostKeyIsAskedAboutAndAChangedOneRefused)
{
    std::string name = KnownHostsName("127.0.0.1", m_settings.ftpServer.substr(10));
    std::string fingerprint = test::SshServer::Fingerprint(m_ssh.HostKeyFile());
    ASSERT_FALSE(fingerprint.empty());
    fs::remove(KnownHostsPath());
    UploadList list = {Entry(Local("a.cgi", "a\n"), Remote("/a.cgi"), UploadKind::CgiScript, "750")};
    const std::string unknown = "The server " + name +
                                " is not known to this computer yet. Its ssh-ed25519 host "
                                "key has the fingerprint\r\n" +
                                fingerprint + "\r\n";
    m_prompter.ExpectQuestion(unknown, Prompter::Answer::No);
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::ConnectionFailed);
    EXPECT_FALSE(fs::exists(Root() / "a.cgi"));
    m_prompter.ExpectQuestion(unknown, Prompter::Answer::Yes);
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(ModeOf(Root() / "a.cgi"), 0750u);

    test::SshServer other;
    ASSERT_TRUE(other.Start(m_local.File("other")));
    std::string line = other.KnownHostsLine();
    WriteBytes(KnownHostsPath(), name + line.substr(line.find(' ')));
    fs::remove(Root() / "a.cgi");
    m_prompter.ExpectShow("The host key of " + name + " has changed");
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::ConnectionFailed);
    EXPECT_FALSE(fs::exists(Root() / "a.cgi"));
    EXPECT_TRUE(m_prompter.Done());
}

// Over FTP, the server dies at a random moment of each of 20 publishes. Whatever the
// moment, the live script is the old or the new one, whole and at mode 755,
// and the data file keeps every byte although the listing hides it.
TEST(FtpFault, ServerKilledAtRandomMomentsNeverBreaksTheSite)
{
    using namespace std::chrono;
    test::TempDir temp;
    fs::path root = temp.Path() / "server";
    fs::create_directories(root / "cgi-bin/data");
    const std::string data(600, 'd');
    WriteBytes((root / "cgi-bin/data/log.txt").string(), data);
    // Large enough that a kill often lands inside the transfer.
    auto script = [](char mark) { return "#!/usr/bin/perl\n#" + std::string(size_t(2) << 20, mark) + "\nprint 1;\n"; };
    const std::string versions[] = {script('a'), script('b')};
    const std::string local = temp.File("guestbook.cgi");
    const fs::path live = root / "cgi-bin/guestbook.cgi";
    UploadList list = {Entry(local, "/cgi-bin/guestbook.cgi", UploadKind::CgiScript, "755"),
                       Entry("", "/cgi-bin/data/log.txt", UploadKind::Template, "600")};
    list[1].createEmpty = true;
    ServerSettings settings;
    settings.uploadMethod = "Using FTP";
    settings.ftpUser = "web";
    settings.ftpPassword = "secret";
    settings.ftpPassive = 1;
    settings.serverType = "Unix";
    auto publish = [&](int version, std::optional<microseconds> killAfter) {
        WriteBytes(local, versions[version]);
        test::FtpServer server;
        EXPECT_TRUE(server.Start(root.string(), "ready", {"log.txt"}));
        settings.ftpServer = server.Address();
        SilentPrompter quiet;
        auto started = steady_clock::now();
        std::thread worker([&] { UploadNow(list, settings, quiet); });
        if (killAfter) {
            std::this_thread::sleep_for(*killAfter);
            server.Kill();
        }
        worker.join();
        return duration_cast<microseconds>(steady_clock::now() - started);
    };

    microseconds whole = publish(0, std::nullopt);
    unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> moment(0, whole.count());
    for (int i = 1; i <= 20; ++i) {
        publish(i % 2, microseconds(moment(random)));
        std::string now = ReadBytes(live.string());
        EXPECT_TRUE(now == versions[0] || now == versions[1]) << "publish " << i << ": " << now.size() << " bytes";
        EXPECT_EQ(ModeOf(live), 0755u) << "publish " << i;
        EXPECT_EQ(ReadBytes((root / "cgi-bin/data/log.txt").string()), data) << "publish " << i;
    }
    publish(1, std::nullopt);
    EXPECT_EQ(ReadBytes(live.string()), versions[1]);
    for (const auto& item : fs::recursive_directory_iterator(root))
        EXPECT_FALSE(IsTemporaryUploadName(item.path().filename().string())) << item.path();
}

class RemoteBrowse : public RemotePublish {
protected:
    void SetUp() override
    {
        RemotePublish::SetUp();
        fs::create_directories(Root() / "site/cgi-bin");
        fs::create_directories(Root() / "site/empty");
        WriteBytes((Root() / "site/index.HTML").string(), "<p>home</p>\n");
        WriteBytes((Root() / "site/README").string(), "read me\n");
        WriteBytes((Root() / "site/cgi-bin/order.cgi").string(), "#!/usr/bin/perl\n");
        m_connection = Connect();
        ASSERT_TRUE(m_connection);
    }
    static std::string Names(const RemoteBrowser& browser)
    {
        std::string out;
        for (const RemoteItem& item : browser.Items())
            out += item.name + (item.kind == RemoteItem::Folder ? "/ " : " ");
        return out;
    }

    std::unique_ptr<RemoteConnection> m_connection;
};
INSTANTIATE_TEST_SUITE_P(Methods, RemoteBrowse, ::testing::Values("Using FTP", "Using FTPS", "Using SFTP"), MethodName);

TEST_P(RemoteBrowse, ListsFiltersAndChoosesFiles)
{
    RemoteBrowser browser(*m_connection, BrowseMode::Open, kListFiles);
    browser.SetCurrentPath(Remote("/site"));
    ASSERT_TRUE(browser.Refresh());
    EXPECT_EQ(Names(browser), "cgi-bin/ empty/ README index.HTML ");
    browser.SetFileType(1);
    browser.Refresh();
    EXPECT_EQ(Names(browser), "cgi-bin/ empty/ index.HTML ");

    EXPECT_EQ(browser.Activate(browser.Items()[0]), std::nullopt);
    EXPECT_EQ(browser.CurrentPath(), Remote("/site/cgi-bin"));
    browser.SetFileType(2);
    browser.Refresh();
    EXPECT_EQ(browser.Activate(browser.Items()[0]), Remote("/site/cgi-bin/order.cgi"));
    browser.Up();
    EXPECT_EQ(browser.CurrentPath(), Remote("/site"));
    EXPECT_EQ(browser.Choose(&browser.Items()[0]), std::nullopt);

    RemoteBrowser create(*m_connection, BrowseMode::Create, kListFiles);
    create.SetCurrentPath(Remote("/site"));
    create.Refresh();
    EXPECT_EQ(create.Choose(nullptr), std::nullopt);
    create.fileName = "new.txt";
    EXPECT_EQ(create.LeaveFileName(), nullptr);
    EXPECT_EQ(create.Choose(nullptr), Remote("/site/new.txt"));
    browser.fileName = "cgi-bin";
    ASSERT_NE(browser.LeaveFileName(), nullptr);
    EXPECT_EQ(browser.LeaveFileName()->name, "cgi-bin");
    browser.fileName = "nothing";
    EXPECT_EQ(browser.LeaveFileName(), nullptr);
    EXPECT_EQ(browser.fileName, "");
}

TEST_P(RemoteBrowse, SelectModeListsFoldersAndFallsBackToTheCurrentOne)
{
    RemoteBrowser browser(*m_connection, BrowseMode::Select, 0);
    browser.SetCurrentPath(Remote("/"));
    ASSERT_TRUE(browser.Refresh());
    EXPECT_EQ(Names(browser), "site/ ");
    browser.SetCurrentPath(Remote("/site"));
    browser.Refresh();
    EXPECT_EQ(Names(browser), "cgi-bin/ empty/ ");
    browser.fileName = "index.HTML";
    EXPECT_EQ(browser.Choose(nullptr), Remote("/site"));
    EXPECT_EQ(browser.Choose(&browser.Items()[0]), Remote("/site/cgi-bin"));
}

TEST_P(RemoteBrowse, ManagesFilesAndFolders)
{
    RemoteBrowser browser(*m_connection, BrowseMode::Open, kListFiles);
    browser.SetCurrentPath(Remote("/site"));
    browser.Refresh();
    EXPECT_EQ(browser.NewFolder(), "NewFile1");
    EXPECT_EQ(browser.NewFolder(), "NewFile2");
    EXPECT_TRUE(fs::is_directory(Root() / "site/NewFile2"));

    EXPECT_TRUE(browser.Rename("README", "notes.txt", m_prompter));
    EXPECT_TRUE(fs::exists(Root() / "site/notes.txt"));
    m_prompter.ExpectShow("File name must contain only alphanumeric characters");
    EXPECT_FALSE(browser.Rename("missing", "other", m_prompter));

    browser.transferType = TransferType::Binary;
    EXPECT_TRUE(browser.Upload({Local("photo.gif", std::string("GIF\r\n\0", 6))}, m_prompter));
    EXPECT_EQ(ReadBytes((Root() / "site/photo.gif").string()), std::string("GIF\r\n\0", 6));
    fs::create_directories(m_local.Path() / "down");
    RemoteItem photo{RemoteItem::File, "photo.gif", 6, 0};
    EXPECT_TRUE(browser.Download({photo}, (m_local.Path() / "down").string()));
    EXPECT_EQ(ReadBytes((m_local.Path() / "down/photo.gif").string()), std::string("GIF\r\n\0", 6));
    EXPECT_FALSE(browser.Download({photo}, (m_local.Path() / "down").string()));

    m_prompter.ExpectShow("Can't delete file \"cgi-bin\" \r\nThe reason may be one of the followings:");
    EXPECT_FALSE(browser.Delete({{RemoteItem::Folder, "empty", 0, 0},
                                 {RemoteItem::Folder, "cgi-bin", 0, 0},
                                 {RemoteItem::File, "notes.txt", 0, 0}},
                                m_prompter));
    EXPECT_FALSE(fs::exists(Root() / "site/empty"));
    EXPECT_TRUE(fs::exists(Root() / "site/notes.txt"));
    EXPECT_TRUE(m_prompter.Done());
}

} // namespace
} // namespace quillet
