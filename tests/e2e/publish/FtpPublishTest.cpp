#include "e2e/publish/ServerProcess.h"
#include "net/PublishSteps.h"
#include "net/Publisher.h"
#include "net/RemoteBrowser.h"
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

class FtpPublish : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(Root());
        // pyftpdlib sends a banner over 75 characters as "220-..." lines and a final "220 ".
        ASSERT_TRUE(m_server.Start(Root().string(), "Welcome to the publishing test server of Quillet, which "
                                                    "speaks on 127.0.0.1 only\r\n220-and has a second line"));
        m_settings.uploadMethod = "Using FTP";
        m_settings.ftpServer = m_server.Address();
        m_settings.ftpUser = "web";
        m_settings.ftpPassword = "secret";
        m_settings.ftpPassive = 1;
        m_settings.serverType = "Unix";
    }

    fs::path Root() const { return m_local.Path() / "server"; }
    std::string Local(const std::string& name, const std::string& bytes)
    {
        std::string path = m_local.File(name);
        WriteBytes(path, bytes);
        return path;
    }

    test::TempDir m_local;
    test::FtpServer m_server;
    ServerSettings m_settings;
    test::ScriptedPrompter m_prompter;
};

TEST_F(FtpPublish, CreatesFoldersConvertsTextKeepsBinaryAndSetsPermissions)
{
    const std::string image("GIF\r\n\0\x01\n\r", 10);
    UploadList list = {
        Entry(Local("order.html", "<p>a</p>\r\n<p>b</p>\n"), "/html/order.html", UploadKind::Html),
        Entry(Local("order.cgi", "#!/usr/bin/perl\r\nprint 1;\n"), "/cgi-bin/deep/er/order.cgi", UploadKind::CgiScript,
              "755"),
        Entry(Local("first.gif", image), "/html/images/quillet/first.gif", UploadKind::Image),
        Entry("", "cgi-bin/deep/er/data/orders.txt", UploadKind::Template, "666"),
    };
    list[3].createEmpty = true;
    list.push_back(Entry(Local("skipped.html", "x"), "/html/skipped.html", UploadKind::Html));
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

TEST_F(FtpPublish, OverwritesFilesButNeverCollectedData)
{
    fs::create_directories(Root() / "cgi-bin/data");
    WriteBytes((Root() / "cgi-bin/order.cgi").string(), "old script, longer than the new one\n");
    WriteBytes((Root() / "cgi-bin/data/guests.txt").string(), "collected rows\n");
    UploadList list = {Entry(Local("order.cgi", "new\n"), "/cgi-bin/order.cgi", UploadKind::CgiScript, "755"),
                       Entry("", "/cgi-bin/data/guests.txt", UploadKind::Template, "666")};
    list[1].createEmpty = true;
    m_settings.ftpPassive = 0;

    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(ReadBytes((Root() / "cgi-bin/order.cgi").string()), "new\n");
    EXPECT_EQ(ReadBytes((Root() / "cgi-bin/data/guests.txt").string()), "collected rows\n");
    EXPECT_EQ(ModeOf(Root() / "cgi-bin/data/guests.txt"), 0666u);
}

TEST_F(FtpPublish, WindowsServerGetsNoPermissionCommands)
{
    m_settings.serverType = "Windows NT";
    UploadList list = {Entry(Local("a.cgi", "x\n"), "/a.cgi", UploadKind::CgiScript, "700")};
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(ReadBytes((Root() / "a.cgi").string()), "x\r\n");
    EXPECT_NE(ModeOf(Root() / "a.cgi"), 0700u);
}

TEST_F(FtpPublish, WrongPasswordStopsBeforeAnyTransfer)
{
    m_settings.ftpPassword = "wrong";
    UploadList list = {Entry(Local("a.html", "x"), "/a.html", UploadKind::Html)};
    m_prompter.ExpectShow(std::string(MessageText(Msg::CheckFtpSettings)));
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::ConnectionFailed);
    EXPECT_FALSE(fs::exists(Root() / "a.html"));
    EXPECT_TRUE(m_prompter.Done());
}

TEST_F(FtpPublish, FailedTransferStopsTheListAndSetsNoPermission)
{
    UploadList list = {Entry(Local("a.cgi", "a\n"), "/a.cgi", UploadKind::CgiScript, "700"),
                       Entry(m_local.File("missing.cgi"), "/b.cgi", UploadKind::CgiScript, "755"),
                       Entry(Local("c.cgi", "c\n"), "/c.cgi", UploadKind::CgiScript, "755")};
    m_prompter.ExpectShow("Can't Upload File '" + m_local.File("missing.cgi") + "' to '/b.cgi'\r\nError Code: ");
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::TransferFailed);
    EXPECT_EQ(ModeOf(Root() / "a.cgi"), 0700u);
    EXPECT_FALSE(fs::exists(Root() / "c.cgi"));
    EXPECT_TRUE(m_prompter.Done());
}

TEST_F(FtpPublish, ProgressCanCancel)
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

// A file whose mode cannot be set never replaces the live one.
TEST_F(FtpPublish, PermissionRefusedLeavesTheLiveFile)
{
    WriteBytes((Root() / "a.cgi").string(), "old\n");
    UploadList list = {Entry(Local("a.cgi", "a\n"), "/a.cgi", UploadKind::CgiScript, "99x")};
    m_prompter.ExpectShow("Can't set file permission for remote file /a.cgi");
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::PermissionFailed);
    EXPECT_TRUE(m_prompter.Done());
    EXPECT_EQ(ReadBytes((Root() / "a.cgi").string()), "old\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(Root()), fs::directory_iterator()), 1);
}

TEST_F(FtpPublish, EmptyListStillLogsInAndOut)
{
    UploadList list = {Entry(Local("a.html", "a"), "/a.html", UploadKind::Html)};
    list[0].upload = false;
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_FALSE(fs::exists(Root() / "a.html"));
}

// Beside a script the shared files are listed unmarked; the ones the server
// lacks are marked, each folder listed once, and a server out of reach gets all.
TEST_F(FtpPublish, SharedFilesTheServerLacksAreMarked)
{
    fs::create_directories(Root() / "cgi-bin");
    WriteBytes((Root() / "cgi-bin/mNet.pm").string(), "old");
    UploadList list = {Entry(Local("mNet.pm", "new"), "/cgi-bin/mNet.pm", UploadKind::CgiLib),
                       Entry(Local("Sendmail.pm", "new"), "/cgi-bin/Sendmail.pm", UploadKind::CgiLib),
                       Entry(Local("next.gif", "gif"), "/images/next.gif", UploadKind::Image),
                       Entry(Local("dbadmin.cgi", "x"), "/cgi-bin/dbadmin.cgi", UploadKind::DbAdmin)};
    for (UploadEntry& entry : list)
        entry.upload = false;
    UploadList unreachable = list;
    MarkMissingServerFiles(list, m_settings, UploadKind::CgiLib | UploadKind::Image);
    EXPECT_EQ((std::vector<bool>{list[0].upload, list[1].upload, list[2].upload, list[3].upload}),
              (std::vector<bool>{false, true, true, false}));
    m_settings.ftpPassword = "wrong";
    MarkMissingServerFiles(unreachable, m_settings, static_cast<unsigned>(UploadKind::CgiLib));
    EXPECT_TRUE(unreachable[0].upload && unreachable[1].upload && !unreachable[2].upload);
}

// The server dies at a random moment of each of 20 publishes. Whatever the
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

TEST_F(FtpPublish, RemoteFileOperations)
{
    auto connection = OpenFtpConnection(m_settings.ftpServer, "web", "secret", true);
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->LoginFolder(), "/");
    ASSERT_TRUE(connection->Put("/a b/#x?.txt", "line\n", TransferType::Ascii));
    EXPECT_EQ(ReadBytes((Root() / "a b/#x?.txt").string()), "line\n");
    EXPECT_TRUE(connection->CreateIfMissing("a b/#x?.txt"));
    EXPECT_TRUE(connection->CreateIfMissing("/a b/new/empty.txt"));
    EXPECT_EQ(ReadBytes((Root() / "a b/#x?.txt").string()), "line\n");
    EXPECT_EQ(ReadBytes((Root() / "a b/new/empty.txt").string()), "");
    EXPECT_TRUE(connection->SetMode("/a b/new/empty.txt", "640"));
    EXPECT_EQ(ModeOf(Root() / "a b/new/empty.txt"), 0640u);
    EXPECT_TRUE(connection->IsFolder("/a b"));
    EXPECT_FALSE(connection->IsFolder("/a b/#x?.txt"));
    std::string bytes;
    ASSERT_TRUE(connection->Fetch("/a b/#x?.txt", bytes, TransferType::Binary));
    EXPECT_EQ(bytes, "line\n");
    EXPECT_TRUE(connection->Rename("/a b/#x?.txt", "/a b/y.txt"));
    EXPECT_TRUE(fs::exists(Root() / "a b/y.txt"));
    EXPECT_FALSE(connection->RemoveFolder("/a b"));
    EXPECT_TRUE(connection->DeleteFile("/a b/y.txt"));
    EXPECT_TRUE(connection->DeleteFile("/a b/new/empty.txt"));
    EXPECT_TRUE(connection->RemoveFolder("/a b/new"));
    EXPECT_TRUE(connection->RemoveFolder("/a b"));
    EXPECT_TRUE(connection->MakeFolder("/new"));
    EXPECT_FALSE(connection->MakeFolder("/new"));
    EXPECT_FALSE(connection->Put("/x\r\nDELE y", "z", TransferType::Binary));
}

class RemoteBrowse : public FtpPublish {
protected:
    void SetUp() override
    {
        FtpPublish::SetUp();
        fs::create_directories(Root() / "site/cgi-bin");
        fs::create_directories(Root() / "site/empty");
        WriteBytes((Root() / "site/index.HTML").string(), "<p>home</p>\n");
        WriteBytes((Root() / "site/README").string(), "read me\n");
        WriteBytes((Root() / "site/cgi-bin/order.cgi").string(), "#!/usr/bin/perl\n");
        m_connection = OpenFtpConnection(m_server.Address(), "web", "secret", true);
        ASSERT_TRUE(m_connection);
    }
    static std::string Names(const RemoteBrowser& browser)
    {
        std::string out;
        for (const RemoteItem& item : browser.Items())
            out += item.name + (item.kind == RemoteItem::Folder ? "/ " : " ");
        return out;
    }

    std::unique_ptr<FtpConnection> m_connection;
};

TEST_F(RemoteBrowse, ListsFiltersAndChoosesFiles)
{
    RemoteBrowser browser(*m_connection, BrowseMode::Open, kListFiles);
    browser.SetCurrentPath("/site");
    ASSERT_TRUE(browser.Refresh());
    EXPECT_EQ(Names(browser), "cgi-bin/ empty/ README index.HTML ");
    browser.SetFileType(1);
    browser.Refresh();
    EXPECT_EQ(Names(browser), "cgi-bin/ empty/ index.HTML ");

    EXPECT_EQ(browser.Activate(browser.Items()[0]), std::nullopt);
    EXPECT_EQ(browser.CurrentPath(), "/site/cgi-bin");
    browser.SetFileType(2);
    browser.Refresh();
    EXPECT_EQ(browser.Activate(browser.Items()[0]), "/site/cgi-bin/order.cgi");
    browser.Up();
    EXPECT_EQ(browser.CurrentPath(), "/site");
    EXPECT_EQ(browser.Choose(&browser.Items()[0]), std::nullopt);

    RemoteBrowser create(*m_connection, BrowseMode::Create, kListFiles);
    create.SetCurrentPath("/site");
    create.Refresh();
    EXPECT_EQ(create.Choose(nullptr), std::nullopt);
    create.fileName = "new.txt";
    EXPECT_EQ(create.LeaveFileName(), nullptr);
    EXPECT_EQ(create.Choose(nullptr), "/site/new.txt");
    browser.fileName = "cgi-bin";
    ASSERT_NE(browser.LeaveFileName(), nullptr);
    EXPECT_EQ(browser.LeaveFileName()->name, "cgi-bin");
    browser.fileName = "nothing";
    EXPECT_EQ(browser.LeaveFileName(), nullptr);
    EXPECT_EQ(browser.fileName, "");
}

TEST_F(RemoteBrowse, SelectModeListsFoldersAndFallsBackToTheCurrentOne)
{
    RemoteBrowser browser(*m_connection, BrowseMode::Select, 0);
    ASSERT_TRUE(browser.Refresh());
    EXPECT_EQ(browser.CurrentPath(), "/");
    EXPECT_EQ(Names(browser), "site/ ");
    browser.SetCurrentPath("/site");
    browser.Refresh();
    EXPECT_EQ(Names(browser), "cgi-bin/ empty/ ");
    browser.fileName = "index.HTML";
    EXPECT_EQ(browser.Choose(nullptr), "/site");
    EXPECT_EQ(browser.Choose(&browser.Items()[0]), "/site/cgi-bin");
}

TEST_F(RemoteBrowse, ManagesFilesAndFolders)
{
    RemoteBrowser browser(*m_connection, BrowseMode::Open, kListFiles);
    browser.SetCurrentPath("/site");
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
