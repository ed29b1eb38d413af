#include "generator/ScriptGenerator.h"
#include "generator/Build.h"
#include "project/Project.h"
#include "project/ProjectDocument.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ReadBytes;
using quillet::test::ScriptedPrompter;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

const char* kOrderPage =
    "<html><body>\n"
    "<form name=\"order\" action=\"x\">\n"
    "<input type=\"text\" name=\"email\" content=\"EMAIL\">\n"
    "<input type=\"text\" name=\"note\">\n"
    "<textarea name=\"a&amp;b\" content=\"NOT NULL\"></textarea>\n"
    "<select name=\"size\"><option value=\"S\">S<option>M<option value=\"L\">L</select>\n"
    "<input type=\"radio\" name=\"pay\" value=\"card\"><input type=\"RADIO\" name=\"pay\" value=\"cash\">\n"
    "<input type=\"checkbox\" name=\"gift\">\n"
    "<input type=\"submit\" name=\"Send\"><input type=\"reset\" name=\"Reset\">\n"
    "</form>\n"
    "<input name=\"outside\" content=\"EMAIL\">\n"
    "</body></html>\n";

class Generator : public ::testing::Test {
protected:
    Generator()
    {
        WriteBytes(dir.File("order.html"), kOrderPage);
        WriteBytes(dir.File("step.two.html"), "<form name=\"second\"><input type=\"submit\" name=\"Go\"></form>");
        project.settings.perlPath = "/usr/bin/perl";
        project.settings.cgiPath = "/cgi-bin";
        project.settings.cgiUrl = "http://www.example.org/cgi-bin/";
        project.settings.scriptPattern = "*.cgi";
        Form& form = project.forms.emplace_back();
        form.pageFile = "order.html";
        form.formName = "order";
        form.handlers.push_back({"Send", {}});
        form.handlers.push_back({"reset", {}});
    }

    std::string Generate(bool expectOk = true)
    {
        std::string text;
        EXPECT_EQ(GenerateScriptText({project, dir.File("order.prj"), false}, prompter, text), expectOk);
        return text;
    }

    static std::string Between(const std::string& text, const std::string& from, const std::string& to)
    {
        size_t start = text.find(from);
        size_t end = text.find(to, start);
        return start == std::string::npos || end == std::string::npos ? "" : text.substr(start, end - start);
    }

    TempDir dir;
    Project project;
    ScriptedPrompter prompter;
};

} // namespace

TEST_F(Generator, HeadAndMainDispatchBlock)
{
    std::string text = Generate();
    EXPECT_TRUE(text.starts_with("#!/usr/bin/perl\n$cgipath='/cgi-bin';\n$ftproot=GetFTPRoot($cgipath);\n"
                                 "@nameservers = (\"\");\nSetIncludePath($cgipath);\n"
                                 "unshift(@INC, \"$ftproot/$cgipath\") if ($cgipath =~ /^\\//);\n"
                                 "eval(\"use ZentraCGI;\");\n"
                                 "$scripturl=\"http://$ENV{'SERVER_NAME'}$ENV{'SCRIPT_NAME'}\";\n"));
    EXPECT_EQ(text.find("use DBI;"), std::string::npos);
    EXPECT_EQ(Between(text, "if (!defined", "Info();"),
              "if (!defined($FORM{'page'}) || !defined($FORM{'form'})) {\n"
              "  $_str_valid=\"email=EMAIL&a%26b=NOT NULL&\";\n"
              "  %_str_sel_state=('size' =>['S', ' ', 'L', ],\n      );\n"
              "  %_str_chk_state=('pay' => ['card', 'cash', ],\n'gift' => [' ', ],\n      );\n"
              "  ParseForm();\n"
              "  if (defined($FORM{'Send'}))\n  {\n    ValidateForm($_str_valid);\n"
              "  PostUrl(\"DefaultAction\", 1, \"\", \"\");\n  }\n"
              "  if (defined($FORM{'reset'}))\n  {\n"
              "  PostUrl(\"DefaultAction\", 1, \"\", \"\");\n  }\n"
              "}\n");
    // The location block stands twice: before the modules load and after $cgiurl.
    EXPECT_NE(text.find("$cgiurl=substr($scripturl, 0, $m_pos);\n$cgipath='/cgi-bin';\n"
                        "$ftproot=GetFTPRoot($cgipath);\n$cgipath=FTP2System($cgipath);\n$WWW_APPNAME=\"Quillet\";\n"
                        "read_urlencoded($ENV{'QUERY_STRING'});\n"),
              std::string::npos);
    EXPECT_NE(text.find("}\nInfo();\nCleanUp();\n"), std::string::npos);
    EXPECT_NE(text.find("sub GetFTPRoot"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(Generator, DataSourcesPortableBuildAndEmptyPerlPath)
{
    project.settings.perlPath.clear();
    project.settings.buildPortable = 1;
    DataSource ds;
    ParseDsn("shop:DBI:SQLite:shop.db;host=;port=0;user=;pass=", ds);
    project.dataSources.push_back(ds);
    std::string text;
    ASSERT_TRUE(GenerateScriptText({project, dir.File("order.prj"), true}, prompter, text));
    EXPECT_TRUE(text.starts_with("$cgipath=GetCGIPath();\n$ftproot=\"\";\n"));
    EXPECT_NE(text.find("use DBI;\n#----------- Open SQLite Datasouce shop"), std::string::npos);
    EXPECT_NE(text.find("Info();\n#----------- Close SQLite Datasouce shop --------\n\n$shop->disconnect();\n"),
              std::string::npos);
}

TEST_F(Generator, NestedPostedFormsDispatchDepthFirst)
{
    Action post = *CreateAction(static_cast<long>(ActionType::PostHtmlForm));
    post.name = "Next";
    post.FormBody().form = {"step.two.html", "second", {{"Go", {}}}};
    Action deeper = post;
    deeper.FormBody().form = {"step.two.html", "third", {}};
    // A posted form inside a condition is dispatched as well.
    Action condition = *CreateAction(static_cast<long>(ActionType::ConditionalStatement));
    condition.Condition().actions.push_back(deeper);
    post.FormBody().form.handlers[0].actions.push_back(condition);
    project.forms[0].handlers[0].actions.push_back(post);

    std::vector<const Form*> forms = ScriptFormList(project);
    ASSERT_EQ(forms.size(), 3u);
    EXPECT_EQ(forms[1]->formName, "second");
    EXPECT_EQ(forms[2]->formName, "third");
    EXPECT_EQ(ScriptUrlForForm(project, *forms[0]), "http://www.example.org/cgi-bin/order.cgi");
    EXPECT_EQ(ScriptUrlForForm(project, *forms[1]), "http://www.example.org/cgi-bin/order.cgi?page=step&form=second");

    std::string text = Generate();
    size_t second = text.find("if (($FORM{'page'}[0] eq 'step') && ($FORM{'form'}[0] eq 'second')) {\n");
    size_t third = text.find("if (($FORM{'page'}[0] eq 'step') && ($FORM{'form'}[0] eq 'third')) {\n");
    ASSERT_NE(second, std::string::npos);
    ASSERT_NE(third, std::string::npos);
    EXPECT_LT(second, third);
    EXPECT_NE(text.find("  PostUrl(\"Next\", 1, \"$cgipath/templates/step.two.html\", \"\");\n  }\n"),
              std::string::npos);
}

TEST_F(Generator, ScriptLoadsOnlyWhatItsActionsUse)
{
    Action mail = *CreateAction(static_cast<long>(ActionType::SendEmail));
    Action nested = *CreateAction(static_cast<long>(ActionType::ConditionalStatement));
    nested.Condition().actions.push_back(mail);
    Action code = *CreateAction(static_cast<long>(ActionType::PerlCodeBlock));
    code.Code().code = "print getcwd();";
    const std::string sendmail = "eval(\"use Sendmail qw(sendmail SendMail);\");\n";
    const std::string relative = "$cgipath=\"$ftproot$cgipath\" unless $cgipath =~ m{^(?:/|[A-Za-z]:)};\n";
    struct Case {
        Action action;
        std::string cgiPath;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        {nested, "/cgi-bin", {sendmail}, {"use Cwd;", relative}},
        {code, "/cgi-bin", {"#!/usr/bin/perl\nuse Cwd;\n"}, {sendmail}},
        {code, "public_html/cgi-bin", {"$cgipath=FTP2System($cgipath);\n" + relative}, {}},
    };
    for (const Case& c : cases) {
        project.forms[0].handlers[0].actions = {c.action};
        project.settings.cgiPath = c.cgiPath;
        std::string text = Generate();
        for (const std::string& line : c.present)
            EXPECT_NE(text.find(line), std::string::npos) << line;
        for (const std::string& line : c.absent)
            EXPECT_EQ(text.find(line), std::string::npos) << line;
    }
}

TEST_F(Generator, FailuresAreShownAndStopWhereTheyShould)
{
    project.settings.cgiPath.clear();
    prompter.ExpectShow("Server-side CGIBIN directory is not specified. \r\nPlease set it in the 'Web' tab.");
    EXPECT_EQ(Generate(false), "#!/usr/bin/perl\n");

    project.settings.cgiPath = "/cgi-bin";
    Action post = *CreateAction(static_cast<long>(ActionType::PostHtmlForm));
    post.FormBody().form = {"missing.html", "f", {}};
    project.forms[0].handlers[0].actions.push_back(post);
    prompter.ExpectShow("Can't find file ");
    std::string text = Generate(false);
    EXPECT_NE(text.find("}\nInfo();\nCleanUp();\n"), std::string::npos);
    EXPECT_TRUE(prompter.Done());
}

TEST_F(Generator, ScriptIsWrittenIntoThePageFolder)
{
    std::string path;
    ASSERT_TRUE(GenerateScript({project, dir.File("order.prj"), false}, prompter, &path));
    EXPECT_EQ(path, dir.File("scripts/order.cgi"));
    EXPECT_TRUE(ReadBytes(path).starts_with("#!/usr/bin/perl\n"));
    auto perms = std::filesystem::status(path).permissions();
    EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
}

TEST_F(Generator, BuildWritesNothingOutsideTheProjectFolder)
{
    std::filesystem::create_directories(dir.File("proj"));
    std::filesystem::create_directories(dir.File("elsewhere"));
    const std::string page = "<form name=\"order\"><input type=\"submit\" name=\"Send\"></form>";
    WriteBytes(dir.File("elsewhere/order.html"), page);
    std::filesystem::create_symlink(dir.File("elsewhere/order.html"), dir.File("proj/link.html"));
    for (const std::string& named :
         {std::string("../elsewhere/order.html"), dir.File("elsewhere/order.html"), std::string("link.html")}) {
        project.forms[0].pageFile = named;
        prompter.ExpectShow(dir.File("elsewhere/order.html") + " lies outside the project's folder");
        EXPECT_FALSE(BuildProject(project, dir.File("proj/order.prj"), prompter)) << named;
        if (named != "link.html") { // whose script goes beside the link
            prompter.ExpectShow(dir.File("elsewhere/scripts/order.cgi") + " lies outside the project's folder");
            EXPECT_FALSE(GenerateScript({project, dir.File("proj/order.prj"), false}, prompter)) << named;
        }
        EXPECT_TRUE(prompter.Done()) << named;
        EXPECT_EQ(ReadBytes(dir.File("elsewhere/order.html")), page);
        EXPECT_FALSE(std::filesystem::exists(dir.File("elsewhere/scripts")));
    }
}

TEST(GeneratorGolden, GuestbookScriptMatchesTheReviewedOne)
{
    std::string example = std::string(QUILLET_TEST_DATA) + "/../../examples/guestbook/guestbook.prj";
    ScriptedPrompter prompter;
    ProjectDocument doc(prompter);
    ASSERT_TRUE(doc.LoadProject(example));
    std::string text;
    ASSERT_TRUE(GenerateScriptText({doc.Content(), example, false}, prompter, text));
    std::string golden = ReadBytes(std::string(QUILLET_TEST_DATA) + "/generator/guestbook.cgi");
    // The appended include-path functions are the runtime's own text, tested with it.
    EXPECT_EQ(text.substr(0, golden.size()), golden);
    EXPECT_TRUE(prompter.Done());
}
