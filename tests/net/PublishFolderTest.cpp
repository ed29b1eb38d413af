#include "net/PublishSteps.h"
#include "net/Publisher.h"
#include "project/ServerSettings.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "support/UploadEntries.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using test::Entry;
using test::ModeOf;
using test::ReadBytes;
using test::WriteBytes;

// A server reached as a folder: copies, creates folders and sets permissions locally.
class FolderPublish : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_settings.uploadMethod = "Mounted folder";
        m_settings.serverType = "Linux";
        WriteBytes(m_temp.File("order.cgi"), "#!/usr/bin/perl\n");
    }
    std::string Server(const std::string& path) const { return (m_temp.Path() / "server" / path).string(); }

    test::TempDir m_temp;
    ServerSettings m_settings;
    test::ScriptedPrompter m_prompter;
};

TEST_F(FolderPublish, CopiesIntoNewFoldersAndSetsPermissions)
{
    fs::create_directories(Server("cgi-bin/data"));
    WriteBytes(Server("cgi-bin/order.cgi"), "old");
    WriteBytes(Server("cgi-bin/data/kept.txt"), "rows\n");
    UploadList list = {Entry(m_temp.File("order.cgi"), Server("cgi-bin/order.cgi"), UploadKind::CgiScript, "750"),
                       Entry("", Server("cgi-bin/data/kept.txt"), UploadKind::Template, "600"),
                       Entry("", Server("cgi-bin/data/new/made.txt"), UploadKind::Template, "666"),
                       Entry(m_temp.File("order.cgi"), m_temp.File("order.cgi"), UploadKind::CgiScript, "755")};
    list[1].createEmpty = list[2].createEmpty = true;
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_EQ(ReadBytes(Server("cgi-bin/order.cgi")), "#!/usr/bin/perl\n");
    EXPECT_EQ(ReadBytes(Server("cgi-bin/data/kept.txt")), "rows\n");
    EXPECT_EQ(ReadBytes(Server("cgi-bin/data/new/made.txt")), "");
    EXPECT_EQ(ModeOf(Server("cgi-bin/order.cgi")), 0750u);
    EXPECT_EQ(ModeOf(Server("cgi-bin/data/kept.txt")), 0600u);
    EXPECT_EQ(ModeOf(Server("cgi-bin/data/new/made.txt")), 0666u);
    EXPECT_EQ(ModeOf(m_temp.File("order.cgi")), 0755u);
}

TEST_F(FolderPublish, FailuresAreReportedAndStopThePublish)
{
    UploadList list = {Entry(m_temp.File("gone.cgi"), Server("a.cgi"), UploadKind::CgiScript, "755")};
    m_prompter.ExpectShow("Can't Upload File '" + m_temp.File("gone.cgi") + "' to '" + Server("a.cgi") +
                          "'\r\nError Code: 2");
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::TransferFailed);

    list = {Entry(m_temp.File("order.cgi"), Server("a.cgi"), UploadKind::CgiScript, "rwx")};
    m_prompter.ExpectShow("Can't set file permission for remote file " + Server("a.cgi"));
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::PermissionFailed);

    m_settings.serverType = "Win2000";
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_TRUE(m_prompter.Done());
}

TEST_F(FolderPublish, ServerSideFilesNamedByTheFormAreNotCreated)
{
    EXPECT_EQ(CreateServerSideFile(m_settings.uploadMethod, nullptr, Server("data/$FORM{name}.txt"), m_prompter), 1);
    EXPECT_FALSE(fs::exists(Server("data")));
    EXPECT_EQ(CreateServerSideFile(m_settings.uploadMethod, nullptr, Server("data/log.txt"), m_prompter), 1);
    EXPECT_EQ(ReadBytes(Server("data/log.txt")), "");
}

// Links planted on the server are replaced or left alone, never written
// through; what an interrupted publish left is cleared.
TEST_F(FolderPublish, PlantedLinksAndLeftovers)
{
    fs::create_directories(Server("cgi-bin/data"));
    WriteBytes(m_temp.File("elsewhere.txt"), "secret");
    auto targetMode = fs::status(m_temp.File("elsewhere.txt")).permissions();
    fs::create_symlink(m_temp.File("elsewhere.txt"), Server("cgi-bin/order.cgi"));
    fs::create_symlink(m_temp.File("elsewhere.txt"), Server("cgi-bin/data/log.txt"));
    WriteBytes(Server("cgi-bin/.guestbook.quillet-upload.cgi"), "half a scr");
    WriteBytes(Server("cgi-bin/.notes.txt"), "the user's own");
    UploadList list = {Entry(m_temp.File("order.cgi"), Server("cgi-bin/order.cgi"), UploadKind::CgiScript, "755"),
                       Entry("", Server("cgi-bin/data/log.txt"), UploadKind::Template, "600")};
    list[1].createEmpty = true;
    EXPECT_EQ(UploadNow(list, m_settings, m_prompter), PublishOutcome::Done);
    EXPECT_FALSE(fs::is_symlink(Server("cgi-bin/order.cgi")));
    EXPECT_EQ(ReadBytes(Server("cgi-bin/order.cgi")), "#!/usr/bin/perl\n");
    EXPECT_EQ(ReadBytes(m_temp.File("elsewhere.txt")), "secret");
    EXPECT_EQ(fs::status(m_temp.File("elsewhere.txt")).permissions(), targetMode);
    EXPECT_FALSE(fs::exists(Server("cgi-bin/.guestbook.quillet-upload.cgi")));
    EXPECT_TRUE(fs::exists(Server("cgi-bin/.notes.txt")));
}

TEST(PublishDialogModel, RowsMarksAndPrintout)
{
    UploadList list = {Entry("/p/a.html", "/h/a.html", UploadKind::Html, "644"),
                       Entry("/p/first.gif", "/h/images/first.gif", UploadKind::Image, "644")};
    list[1].upload = false;
    std::vector<PublishRow> rows = PublishRows(list);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].upload, "Upload");
    EXPECT_EQ(rows[1].upload, "");
    EXPECT_EQ(rows[1].fileType, "Image");
    ApplyUploadCells(list, {"", "Upload"});
    EXPECT_FALSE(list[0].upload);
    EXPECT_TRUE(list[1].upload);
    ApplyUploadCells(list, {"upload"});
    EXPECT_FALSE(list[0].upload);
    EXPECT_FALSE(list[1].upload);

    list[0].upload = list[1].upload = true;
    test::TempDir temp;
    ASSERT_TRUE(WriteUploadPrintout(list, temp.File("upload.txt")));
    EXPECT_EQ(ReadBytes(temp.File("upload.txt")),
              "Local:  /p/a.html\nRemote: /h/a.html\n\nLocal:  /p/first.gif\nRemote: /h/images/first.gif\n\n");
    EXPECT_EQ(TransferTypeOf(list[0]), TransferType::Ascii);
    EXPECT_EQ(TransferTypeOf(list[1]), TransferType::Binary);
}

TEST(FtpText, LineEndsAndNames)
{
    EXPECT_EQ(ToNetworkText("a\nb\r\nc"), "a\r\nb\r\nc");
    EXPECT_EQ(FromNetworkText("a\r\nb\rc\r\n"), "a\nb\rc\n");
    EXPECT_EQ(RemoteBaseName("/cgi-bin/order.cgi"), "order.cgi");
    EXPECT_EQ(RemoteBaseName("c:\\inetpub\\scripts\\order.cgi"), "order.cgi");
    EXPECT_EQ(RemoteBaseName("order.cgi"), "order.cgi");
    EXPECT_EQ(SlashPath("c:\\inetpub\\x"), "c:/inetpub/x");
}

TEST(FtpText, TemporaryUploadNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/cgi-bin/order.cgi", "/cgi-bin/.order.quillet-upload.cgi"},
        {"c:\\scripts\\a.b.pl", "c:\\scripts\\.a.b.quillet-upload.pl"},
        {"Makefile", ".Makefile.quillet-upload"},
        {"/data/.htaccess", "/data/..htaccess.quillet-upload"},
    };
    for (const auto& [live, temporary] : cases) {
        EXPECT_EQ(TemporaryUploadPath(live), temporary);
        EXPECT_TRUE(IsTemporaryUploadName(RemoteBaseName(temporary))) << temporary;
        EXPECT_TRUE(IsTemporaryUploadName(RemoteBaseName(TemporaryUploadPath(temporary)))) << temporary;
        EXPECT_FALSE(IsTemporaryUploadName(RemoteBaseName(live))) << live;
    }
    for (const char* name : {"quillet-upload.cgi", ".x.quillet-upload.a.b", ".quillet-upload", ".x.upload"})
        EXPECT_FALSE(IsTemporaryUploadName(name)) << name;
}

} // namespace
} // namespace quillet
