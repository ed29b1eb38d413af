#include "project/Messages.h"
#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quillet;
using quillet::test::ReadBytes;
using quillet::test::ScriptedPrompter;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

std::string Fixture(const std::string& name)
{
    return std::string(QUILLET_TEST_DATA) + "/project/" + name;
}

} // namespace

TEST(Document, FixturesLoadOrFailAsExpected)
{
    struct Case {
        const char* file;
        bool loads;
        const char* message; // shown on failure
        size_t dataSources;
        size_t forms;
    } cases[] = {
        {"empty.prj", false, "Can't read bad project file", 0, 0},
        {"truncated-settings.prj", false, "Can't read bad project file", 0, 0},
        {"settings-only.prj", true, nullptr, 0, 0},
        {"settings-only-lf.prj", true, nullptr, 0, 0},
        {"missing-texteditor.prj", true, nullptr, 0, 0},
        {"table-without-type.prj", true, nullptr, 0, 1},
        {"column-missing-null.prj", true, nullptr, 0, 1},
        {"companion-missing.prj", true, nullptr, 0, 0},
        {"huge-counts.prj", true, nullptr, 0, 0},
        {"unknown-action-type.prj", true, nullptr, 0, 1},
        {"windows-written.prj", true, nullptr, 0, 1},
        {"long-line.prj", true, nullptr, 0, 0},
        {"binary-junk.prj", true, nullptr, 0, 0},
        {"no-such-file.prj", false, "Can't Open File \"", 0, 0},
    };
    for (const Case& c : cases) {
        ScriptedPrompter prompter;
        if (c.message)
            prompter.ExpectShow(c.message);
        ProjectDocument doc(prompter);
        EXPECT_EQ(doc.LoadProject(Fixture(c.file)), c.loads) << c.file;
        EXPECT_EQ(doc.Content().dataSources.size(), c.dataSources) << c.file;
        EXPECT_EQ(doc.Content().forms.size(), c.forms) << c.file;
        EXPECT_TRUE(prompter.Done()) << c.file;
    }
}

TEST(Document, TolerantLoadsKeepWhatTheyCould)
{
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    ASSERT_TRUE(doc.LoadProject(Fixture("missing-texteditor.prj")));
    EXPECT_EQ(doc.Content().settings.serverType, "Others");
    EXPECT_TRUE(doc.Content().settings.textEditor.empty());

    ASSERT_TRUE(doc.LoadProject(Fixture("long-line.prj")));
    EXPECT_EQ(doc.Content().settings.serverType.size(), 5000u);

    ASSERT_TRUE(doc.LoadProject(Fixture("unknown-action-type.prj")));
    const ActionList& actions = doc.Content().forms[0].handlers.at(0).actions;
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].name, "Code");
    EXPECT_EQ(actions[0].Code().code, "abc\r\n");

    ASSERT_TRUE(doc.LoadProject(Fixture("windows-written.prj")));
    const Form& form = doc.Content().forms[0];
    EXPECT_EQ(form.pageFile, "C:\\web\\order.html");
    EXPECT_EQ(form.handlers.at(0).actions.at(0).File().dataFile, "c:\\inetpub\\scripts\\data\\rows.txt");
    EXPECT_EQ(doc.Content().FindDataSource("db1"), nullptr);
}

TEST(Document, SaveChoosesTheProjectExtension)
{
    EXPECT_EQ(ProjectDocument::ProjectFilePath("/tmp/web.site/form"), "/tmp/web.site/form");
    EXPECT_EQ(ProjectDocument::ProjectFilePath("/tmp/site/form.htm"), "/tmp/site/form.prj");
    EXPECT_EQ(ProjectDocument::ProjectFilePath("C:\\web.site\\form"), "C:\\web.site\\form");
    EXPECT_EQ(ProjectDocument::ProjectFilePath("a.b.c"), "a.b.prj");

    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "web.site");
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    EXPECT_TRUE(doc.SaveProject(dir.File("web.site/form")));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "web.site/form"));
    EXPECT_FALSE(doc.SaveProject(""));
}

TEST(Document, NewProjectNeverReplacesAFile)
{
    TempDir dir;
    TempDir config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    WriteBytes(dir.File("Untitled.prj"), "keep me");
    WriteBytes(dir.File("Untitled1.prj"), "keep me too");
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    ASSERT_TRUE(doc.NewProject(dir.Path().string()));
    EXPECT_EQ(doc.Path(), dir.File("Untitled2.prj"));
    EXPECT_EQ(ReadBytes(dir.File("Untitled.prj")), "keep me");
    ASSERT_EQ(doc.Content().forms.size(), 1u);
    EXPECT_TRUE(doc.Content().settings.serverType.empty());

    // The preferences seed the next new project.
    ServerSettings prefs;
    prefs.serverType = "Win95/98/NT/2K/Me/XP";
    prefs.ftpServer = "ftp.example.org:2121";
    ASSERT_TRUE(SavePreferences(prefs));
    ASSERT_TRUE(doc.NewProject(dir.Path().string()));
    EXPECT_EQ(doc.Content().settings, prefs);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(Document, CloseAsksAndHonoursTheAnswer)
{
    TempDir dir;
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    doc.SetPath(dir.File("p.prj"));
    doc.Content().forms.emplace_back().formName = "f";
    int stored = 0;
    doc.SetStoreEdits([&] { ++stored; });

    std::string question = FormatMessage(Msg::SaveProjectFile, {dir.File("p.prj")});
    prompter.ExpectQuestion(question, Prompter::Answer::Cancel);
    EXPECT_FALSE(doc.CloseProject());
    EXPECT_EQ(doc.Content().forms.size(), 1u);

    prompter.ExpectQuestion(question, Prompter::Answer::Yes);
    EXPECT_TRUE(doc.CloseProject());
    EXPECT_TRUE(doc.Content().forms.empty());
    EXPECT_EQ(stored, 2);
    ScriptedPrompter check;
    ProjectDocument reread(check);
    ASSERT_TRUE(reread.LoadProject(dir.File("p.prj")));
    EXPECT_EQ(reread.Content().forms.at(0).formName, "f");
    EXPECT_TRUE(prompter.Done());
}

TEST(Document, FailedSaveKeepsTheOldFileAndTheProjectOpen)
{
    TempDir dir;
    std::string path = dir.File("big.prj");
    WriteBytes(path, "old contents");
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    doc.SetPath(path);
    doc.Content().settings.homePagePath = std::string(64 * 1024, 'x');

    // A file-size limit makes the disk refuse the write part way through.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    prompter.ExpectShow("Can't create file " + path);
    prompter.ExpectQuestion("Save project file " + path + "?", Prompter::Answer::Yes);
    prompter.ExpectShow("Can't create file " + path);
    EXPECT_FALSE(doc.SaveProject(path));
    EXPECT_FALSE(doc.CloseProject());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadBytes(path), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_TRUE(prompter.Done());
}

TEST(ServerSettings, WindowsServersAndScriptExtension)
{
    EXPECT_TRUE(IsWindowsServer("Win95/98/NT/2K/Me/XP"));
    EXPECT_FALSE(IsWindowsServer("Others"));
    EXPECT_FALSE(IsWindowsServer(""));
    ServerSettings s;
    s.scriptPattern = "*.pl";
    EXPECT_EQ(s.ScriptExtension(), ".pl");
    s.scriptPattern = "";
    EXPECT_EQ(s.ScriptExtension(), "");
}

TEST(Document, SavingThroughALinkKeepsTheLinkAndTheMode)
{
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "real");
    std::string target = dir.File("real/p.prj");
    WriteBytes(target, "old");
    std::filesystem::permissions(target, std::filesystem::perms(0640));
    std::filesystem::create_symlink(target, dir.Path() / "link.prj");
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    ASSERT_TRUE(doc.SaveProject(dir.File("link.prj")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "link.prj"));
    EXPECT_TRUE(ReadBytes(target).starts_with("SERVER_SERVER="));
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
}

// The canonical files come back byte for byte; the tolerated ones come back in
// canonical form, which then stays as it is.
TEST(Document, EveryFixtureThatLoadsResavesStably)
{
    auto resave = [](const std::string& bytes) -> std::optional<std::string> {
        ProjectReader in(bytes);
        Project project;
        if (!ReadProject(in, project))
            return std::nullopt;
        ProjectWriter out;
        WriteProject(out, project);
        return out.DiskText();
    };
    for (const auto& entry : std::filesystem::directory_iterator(QUILLET_TEST_DATA "/project")) {
        std::string name = entry.path().filename().string();
        std::string original = ReadBytes(entry.path().string());
        std::optional<std::string> once = resave(original);
        if (!once)
            continue;
        EXPECT_EQ(resave(*once), once) << name;
        if (name == "windows-written.prj" || name == "long-line.prj") {
            EXPECT_EQ(*once, original) << name;
        }
    }
}
