#include "project/Messages.h"
#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "project/UnsavedFiles.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

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

// Every file of the corpus either loads and saves back as the named file, byte
// for byte, or is refused at its line and left untouched, by the document and
// by "quillet-cli resave" alike.
TEST(Document, CorpusLoadsWholeOrIsRefusedUntouched)
{
    struct Case {
        const char* file;
        const char* resave; // what a save after the load writes; nullptr: refused
        const char* detail; // the refusal after the path
    } cases[] = {
        {"full.prj", "full.prj", nullptr},
        {"bom.prj", "bom.prj", nullptr},
        {"lone-cr.prj", "lone-cr.prj", nullptr},
        {"no-forms.prj", "no-forms.prj", nullptr},
        {"windows-written.prj", "windows-written.prj", nullptr},
        {"long-line.prj", "long-line.prj", nullptr},
        {"full-lf.prj", "full.prj", nullptr},
        {"no-final-line-end.prj", "full.prj", nullptr},
        {"legacy-line-ends.prj", "full.prj", nullptr},
        {"settings-only.prj", "no-forms.prj", nullptr},
        {"settings-only-lf.prj", "no-forms.prj", nullptr},
        {"missing-texteditor.prj", "no-forms.prj", nullptr},
        {"empty.prj", nullptr, "Line 1: expected \"SERVER_SERVER=\""},
        {"truncated-settings.prj", nullptr, "Line 17: expected \"SERVER_HTMLURL=\""},
        {"crcrlf.prj", nullptr, "Line 1: expected a line end of CR LF or LF, not CR CR LF"},
        {"blank-in-settings.prj", nullptr, "Line 5: expected an entry, not a blank line"},
        {"stray-after-settings.prj", nullptr, "Line 42: expected \"DATASOURCES\""},
        {"handler-count-too-high.prj", nullptr, "Line 131: expected \"TRANSDEF_NAME=\""},
        {"action-count-too-high.prj", nullptr, "Line 118: expected \"ACTION_TYPE=\""},
        {"stray-in-action.prj", nullptr, "Line 123: expected \"ACTION_POSTMODE=\""},
        {"unknown-action-type.prj", nullptr, "Line 120: expected an action type from 0 to 12"},
        {"trailing-content.prj", nullptr, "Line 145: expected \"FORM_FILE=\""},
        {"truncated-in-block.prj", nullptr,
         "Line 96: expected the end of the \"ACTION_CODE=\" value after 11 characters"},
        {"truncated-mid-line.prj", nullptr, "Line 99: expected \"ACTION_NAME=\""},
        {"truncated-after-handler-name.prj", nullptr, "Line 70: expected \"TRANSDEF_NAME=\""},
        {"companion-missing.prj", nullptr, "Line 46: expected the line \"0 0\" after \"FORM_NAME=\""},
        {"bad-number.prj", nullptr, "Line 70: expected a whole number after \"ACTION_NUM=\""},
        {"negative-count.prj", nullptr, "Line 68: expected a count of 0 or more after \"TRANSDEF_NUM=\""},
        {"huge-counts.prj", nullptr, "Line 47: expected a whole number after \"TRANSDEF_NUM=\""},
        {"semicolon-password.prj", nullptr, "Line 43: expected host=, port=, user= or pass= in \"DSN=\""},
        {"port-overflow.prj", nullptr, "Line 43: expected a port from 0 to 65535 after \"port=\""},
        {"bad-data-source-name.prj", nullptr,
         "Line 43: Data source name \"my-db\" must start with a letter and hold only letters, digits and \"_\": it "
         "becomes a variable of the generated script."},
        {"reserved-action-name.prj", nullptr,
         "Line 99: \"FORM\" is a variable the generated script uses itself. Please choose another action name."},
        {"table-without-type.prj", nullptr, "Line 45: expected \"TABLE_TYPE=\""},
        {"column-missing-null.prj", nullptr, "Line 49: expected \"COLUMN_NULL=\""},
        {"binary-junk.prj", nullptr, "Line 1: expected \"SERVER_SERVER=\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        std::string path = dir.File("p.prj");
        std::string original = ReadBytes(Fixture(c.file));
        std::string expected = c.resave ? ReadBytes(Fixture(c.resave)) : original;
        std::string message = c.detail ? FormatMessage(Msg::CantReadBadProject, {path}) + "\r\n" + c.detail : "";

        WriteBytes(path, original);
        ScriptedPrompter prompter;
        if (c.detail)
            prompter.ExpectShow(message);
        ProjectDocument doc(prompter);
        EXPECT_EQ(doc.LoadProject(path), c.resave != nullptr);
        if (c.resave) {
            EXPECT_TRUE(doc.SaveProject(path));
        }
        EXPECT_TRUE(prompter.Done());
        EXPECT_EQ(ReadBytes(path), expected);

        WriteBytes(path, original);
        std::string command = "'" QUILLET_CLI "' resave '" + path + "' 2>'" + dir.File("err") + "'";
        int status = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(status), c.resave ? 0 : 1);
        // The terminal gets the message's lines with LF ends.
        std::string printed =
            c.detail ? "quillet-cli: " + FormatMessage(Msg::CantReadBadProject, {path}) + "\n" + c.detail + "\n" : "";
        EXPECT_EQ(ReadBytes(dir.File("err")), printed);
        EXPECT_EQ(ReadBytes(path), expected);
    }
}

TEST(Document, LoadedValuesKeepWhatWasTyped)
{
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    ASSERT_TRUE(doc.LoadProject(Fixture("lone-cr.prj")));
    EXPECT_EQ(doc.Content().settings.ftpUser, "ad\rmin");
    EXPECT_TRUE(doc.Content().settings.ftpPassive);
    const Handler& send = doc.Content().forms.at(0).handlers.at(0);
    EXPECT_EQ(send.actions.at(1).Condition().actions.at(0).Code().code, "$a=1;\r$b=2;\r\n$c=3;");

    ASSERT_TRUE(doc.LoadProject(Fixture("legacy-line-ends.prj")));
    const DataSource& shop = doc.Content().dataSources.at(0);
    EXPECT_EQ(shop.database, "C:\\data\\x.db");
    EXPECT_EQ(shop.password, "a=b");
    const ColumnDef& kind = shop.tables.at(0).columns.at(0);
    EXPECT_EQ(kind.defaultValue, "x");
    ASSERT_EQ(kind.values.size(), 2u);
    EXPECT_EQ(kind.values[1].text, "y");
}

TEST(Document, OnlyChangesAreAskedAbout)
{
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    ASSERT_TRUE(doc.LoadProject(Fixture("full.prj")));
    EXPECT_FALSE(doc.IsModified());
    ServerSettings shown = doc.Content().settings;
    shown.perlPath = "/usr/local/bin/perl";
    EXPECT_TRUE(doc.IsModified(shown));
    std::string& formName = doc.Content().forms.at(0).formName;
    formName += "x";
    EXPECT_TRUE(doc.IsModified());
    formName.pop_back();
    EXPECT_FALSE(doc.IsModified());
    TempDir dir;
    formName += "x";
    ASSERT_TRUE(doc.SaveProject(dir.File("saved.prj")));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.CloseProject());

    int saves = 0;
    std::vector<UnsavedFile> files = {{"a.prj", [&] { return ++saves, false; }, true},
                                      {"a.html", [&] { return ++saves, true; }}};
    prompter.ExpectQuestion("Save the changes to these files?\r\na.prj\r\na.html", Prompter::Answer::Yes);
    EXPECT_EQ(AskToSaveAll(files, prompter), SaveAnswer::Cancelled);
    EXPECT_EQ(saves, 1);
    prompter.ExpectQuestion("Save project file a.prj?", Prompter::Answer::No);
    EXPECT_EQ(AskToSaveAll({files[0]}, prompter), SaveAnswer::Discarded);
    EXPECT_EQ(AskToSaveAll({}, prompter), SaveAnswer::NothingToSave);
    EXPECT_TRUE(prompter.Done());
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
        return std::string(out.DiskText());
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
