#include "project/UploadList.h"
#include "db/AdminScript.h"
#include "project/Action.h"
#include "project/EmbeddedFile.h"
#include "project/LibraryFiles.h"
#include "project/Paths.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;

const std::string kRuntimeDir = std::string(QUILLET_TEST_DATA) + "/../../src/runtime";

TEST(EmbeddedFile, CarriesEveryRuntimeFileByteForByte)
{
    size_t checked = 0;
    for (const auto& folder : {fs::path(kRuntimeDir), fs::path(kRuntimeDir) / "images"}) {
        for (const fs::directory_entry& file : fs::directory_iterator(folder)) {
            std::string name = file.path().filename().string();
            bool buildFile = name == "Embed.cmake" || name == "CMakeLists.txt" || name.ends_with(".md");
            if (!file.is_regular_file() || buildFile || name[0] == '.' || name.back() == '~')
                continue;
            std::optional<std::string_view> bytes = EmbeddedFile(name);
            ASSERT_TRUE(bytes) << name;
            EXPECT_TRUE(*bytes == test::ReadBytes(file.path().string())) << name << " differs from the file on disk";
            ++checked;
        }
    }
    EXPECT_GE(checked, kPagingImages.size());
    EXPECT_FALSE(EmbeddedFile("Embed.cmake"));
    EXPECT_FALSE(EmbeddedFile("no-such-file"));
}

TEST(EmbeddedFile, PagingImagesAreGifs)
{
    for (std::string_view name : kPagingImages) {
        std::optional<std::string_view> gif = EmbeddedFile(name);
        ASSERT_TRUE(gif) << name;
        EXPECT_EQ(gif->substr(0, 6), "GIF89a") << name;
        EXPECT_EQ(gif->back(), ';') << name;
    }
}

TEST(WriteLibraryFile, CreatesTheFolderAndReportsFailure)
{
    test::TempDir dir;
    std::string target = dir.File("prog/images/next.gif");
    test::ScriptedPrompter prompter;
    ASSERT_TRUE(WriteLibraryFile(target, "next.gif", prompter));
    EXPECT_EQ(test::ReadBytes(target), *EmbeddedFile("next.gif"));

    test::WriteBytes(dir.File("blocker"), "x");
    prompter.ExpectShow("Can't create file " + dir.File("blocker/scripts/mNet.pm"));
    prompter.ExpectShow("Can't create file " + dir.File("x.pm"));
    EXPECT_FALSE(WriteLibraryFile(dir.File("blocker/scripts/mNet.pm"), "next.gif", prompter));
    EXPECT_FALSE(WriteLibraryFile(dir.File("x.pm"), "not-carried.pm", prompter));
    EXPECT_TRUE(prompter.Done());
}

Action MakeAction(ActionType type)
{
    Action action = *CreateAction(static_cast<long>(type));
    action.name = "A";
    return action;
}

Action Mail(const std::string& templateFile, std::vector<Attachment> attachments = {})
{
    Action action = MakeAction(ActionType::SendEmail);
    action.Mail().templateFile = templateFile;
    action.Mail().attachments = std::move(attachments);
    return action;
}

Action FileWrite(int mode, const std::string& dataFile, const std::string& templateFile = "")
{
    Action action = MakeAction(ActionType::ReadWriteFile);
    action.File().mode = mode;
    action.File().dataFile = dataFile;
    action.File().file = templateFile;
    return action;
}

class UploadListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_dir.Path() / "site" / "templates");
        for (const char* name : {"site/order.html", "site/templates/thanks.html", "site/templates/mail.txt",
                                 "site/brochure.pdf", "site/templates/reply.html", "site/post.html"})
            test::WriteBytes(m_dir.File(name), "x");
        setenv("XDG_CONFIG_HOME", m_dir.File("config").c_str(), 1);
        m_context.programFolder = m_dir.File("prog");
        m_context.projectFile = m_dir.File("site/shop.prj");
        m_context.pageFile = "order.html";
        m_context.scriptExtension = ".cgi";
        m_settings.scriptPattern = "*.cgi";
        m_settings.homePagePath = "/var/www/html";
        m_settings.cgiPath = "/var/www/cgi-bin";
        m_settings.cgiWrapper = "None or Not Sure";
        m_form.pageFile = "order.html";
    }

    UploadList Build(unsigned flags)
    {
        UploadList list;
        SilentPrompter prompter;
        BuildUploadList(list, m_context, m_settings, m_form, flags, true, prompter);
        return list;
    }

    std::string Site(const std::string& name) const { return m_dir.File("site/" + name); }

    test::TempDir m_dir;
    PathContext m_context;
    ServerSettings m_settings;
    Form m_form;
};

TEST_F(UploadListTest, PublishListsEverythingInOrderWithMarks)
{
    m_form.handlers.push_back({"Send", {Mail("templates/mail.txt")}});
    UploadList list = Build(kPublishKinds);
    ASSERT_EQ(list.size(), 1u + 4 + 1 + kLibraryFiles.size() + 1);

    EXPECT_EQ(list[0], (UploadEntry{Site("order.html"), "/var/www/html/order.html", "644", UploadKind::Html, true}));
    const char* images[] = {"first.gif", "prev.gif", "next.gif", "last.gif"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list[1 + i], (UploadEntry{m_dir.File("prog/images/") + images[i],
                                            std::string("/var/www/html/images/quillet/") + images[i], "644",
                                            UploadKind::Image, false}));
        EXPECT_EQ(test::ReadBytes(list[1 + i].localPath), *EmbeddedFile(images[i]));
    }
    EXPECT_EQ(list[5], (UploadEntry{Site("scripts/order.cgi"), "/var/www/cgi-bin/order.cgi", "755",
                                    UploadKind::CgiScript, true}));
    EXPECT_EQ(list[6], (UploadEntry{m_dir.File("prog/scripts/dbadmin.cgi"), "/var/www/cgi-bin/dbadmin.cgi", "755",
                                    UploadKind::DbAdmin, false}));
    for (size_t i = 1; i < kLibraryFiles.size(); ++i) {
        const LibraryFile& file = kLibraryFiles[i];
        std::string remote(file.dataName.empty() ? file.name : "data/" + std::string(file.dataName));
        EXPECT_EQ(list[6 + i], (UploadEntry{m_dir.File("prog/scripts/") + std::string(file.name),
                                            "/var/www/cgi-bin/" + remote, "644", UploadKind::CgiLib, false}));
    }
    EXPECT_EQ(list[6 + kLibraryFiles.size()],
              (UploadEntry{Site("templates/mail.txt"), "/var/www/cgi-bin/templates/mail.txt", "644",
                           UploadKind::Template, true}));
}

TEST_F(UploadListTest, ServerSetUpMarksTheSharedFiles)
{
    UploadList list = Build(kServerSetupKinds);
    ASSERT_EQ(list.size(), 4u + kLibraryFiles.size());
    for (const UploadEntry& entry : list)
        EXPECT_TRUE(entry.upload) << entry.localPath;
    UploadList admin = Build(static_cast<unsigned>(UploadKind::DbAdmin));
    ASSERT_EQ(admin.size(), 1u);
    EXPECT_EQ(admin[0].kind, UploadKind::DbAdmin);
}

// Each endpoint's copy carries a secret of its own, kept between lists, and
// the hosts of the project's databases as Perl literals.
TEST_F(UploadListTest, AdministrationScriptCarriesItsEndpointsSecret)
{
    m_context.databaseHosts = {"db.example.org", "it's"};
    auto secretIn = [](const std::string& script) {
        size_t at = script.find("my $SECRET = '");
        return at == std::string::npos ? std::string() : script.substr(at + 14, script.find('\'', at + 14) - at - 14);
    };
    std::string local = Build(static_cast<unsigned>(UploadKind::DbAdmin)).at(0).localPath;
    std::string script = test::ReadBytes(local);
    std::string secret = secretIn(script);
    EXPECT_EQ(secret.size(), 32u);
    EXPECT_EQ(secret, AdminSecrets().Find(AdminEndpointUrl(m_settings)));
    EXPECT_NE(script.find("my @HOSTS  = ('db.example.org', 'it\\'s');\n"), std::string::npos);
    EXPECT_EQ(fs::status(local).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(AdminSecrets::DefaultPath()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    EXPECT_EQ(secretIn(test::ReadBytes(Build(static_cast<unsigned>(UploadKind::DbAdmin)).at(0).localPath)), secret);
    m_settings.cgiUrl = "http://elsewhere.example/cgi-bin";
    std::string other = secretIn(test::ReadBytes(Build(static_cast<unsigned>(UploadKind::DbAdmin)).at(0).localPath));
    EXPECT_EQ(other.size(), 32u);
    EXPECT_NE(other, secret);
}

TEST_F(UploadListTest, ActionFilesOnceEachAndNestedListsToo)
{
    Attachment pdf{"application/pdf", "base64", "file", "brochure.pdf", 0, 1};
    Attachment dynamic{"text/plain", "8bit", "FILE", "$FORM{'upload'}[0]", 0, 0};
    Attachment inline_{"text/plain", "8bit", "TEXT", "templates/reply.html", 0, 0};
    Action condition = MakeAction(ActionType::ConditionalStatement);
    Action respond = MakeAction(ActionType::RespondToBrowser);
    respond.Response().file = "templates/reply.html";
    condition.Condition().actions.push_back(respond);
    Action post = MakeAction(ActionType::PostHtmlForm);
    post.FormBody().form.pageFile = "post.html";
    post.FormBody().form.handlers.push_back({"Inner", {Mail("templates/thanks.html")}});
    Action generate = MakeAction(ActionType::GenerateHtmlForm);
    generate.FormBody().form.pageFile = "missing.html";

    m_form.handlers.push_back({"One", {Mail("templates/thanks.html", {pdf, dynamic, inline_}), condition}});
    m_form.handlers.push_back({"Two", {Mail("/moved/away/thanks.html"), post, generate}});
    UploadList list = Build(static_cast<unsigned>(UploadKind::Template));

    std::vector<std::string> locals;
    for (const UploadEntry& entry : list)
        locals.push_back(entry.localPath);
    EXPECT_EQ(locals, (std::vector<std::string>{Site("brochure.pdf"), Site("templates/thanks.html"),
                                                Site("templates/reply.html"), Site("post.html")}));
    EXPECT_TRUE(list[0].binary);
    EXPECT_EQ(list[0].remotePath, "/var/www/cgi-bin/templates/brochure.pdf");
    EXPECT_FALSE(list[1].binary);
}

TEST_F(UploadListTest, DataFilePlaceholderWhereTheScriptWritesIt)
{
    m_form.handlers.push_back(
        {"Save",
         {FileWrite(0, "orders.txt", "templates/thanks.html"), FileWrite(1, "orders.txt"),
          FileWrite(2, "read-only.txt"), FileWrite(0, "$FORM{'file'}[0].txt"), FileWrite(1, "/var/log/orders.log")}});
    UploadList list = Build(static_cast<unsigned>(UploadKind::Template));
    ASSERT_EQ(list.size(), 3u);
    UploadEntry placeholder{"", "/var/www/cgi-bin/data/orders.txt", "666", UploadKind::Template, true};
    placeholder.createEmpty = true;
    EXPECT_EQ(list[0], placeholder);
    EXPECT_EQ(list[1].localPath, Site("templates/thanks.html"));
    EXPECT_EQ(list[2].remotePath, "/var/log/orders.log");

    m_settings.cgiWrapper = "CGIWrap";
    EXPECT_EQ(Build(static_cast<unsigned>(UploadKind::Template))[0].permission, "600");
}

TEST_F(UploadListTest, WindowsWrittenProjectMovedBesideItsFiles)
{
    test::WriteBytes(Site("row.txt"), "row");
    m_settings.cgiPath = "c:\\inetpub\\scripts";
    m_settings.homePagePath = "c:\\inetpub\\wwwroot\\default.htm";
    m_form.pageFile = "C:\\web\\order.html";
    m_context.pageFile = m_form.pageFile;
    m_form.handlers.push_back({"Save", {FileWrite(1, "c:\\inetpub\\scripts\\data\\rows.txt", "C:\\web\\row.txt")}});
    UploadList list = Build(UploadKind::Html | UploadKind::CgiScript | UploadKind::Template);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].localPath, Site("order.html"));
    EXPECT_EQ(list[0].remotePath, "c:\\inetpub\\wwwroot\\order.html");
    EXPECT_EQ(list[1].localPath, Site("scripts/order.cgi"));
    EXPECT_EQ(list[1].remotePath, "c:\\inetpub\\scripts\\order.cgi");
    EXPECT_EQ(list[2].remotePath, "c:\\inetpub\\scripts\\data\\rows.txt");
    EXPECT_EQ(list[3], (UploadEntry{Site("row.txt"), "c:\\inetpub\\scripts\\templates\\row.txt", "644",
                                    UploadKind::Template, true}));
}

TEST(UploadEntry, KindNamesAndTransferType)
{
    EXPECT_EQ(UploadKindName(1), "HTML");
    EXPECT_EQ(UploadKindName(8 | 64), "Template");
    EXPECT_EQ(UploadKindName(64), "Image");
    EXPECT_EQ(UploadKindName(0), "");
    UploadEntry entry;
    entry.kind = UploadKind::Template;
    EXPECT_FALSE(entry.TransfersBinary());
    entry.binary = true;
    EXPECT_TRUE(entry.TransfersBinary());
    entry.kind = UploadKind::CgiLib;
    EXPECT_FALSE(entry.TransfersBinary());
}

} // namespace
} // namespace quillet
