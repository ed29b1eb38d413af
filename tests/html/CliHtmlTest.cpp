#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

using quillet::test::ReadBytes;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

class CliHtml : public ::testing::Test {
protected:
    // Runs quillet-cli with the arguments (quoted for the shell); returns its exit status.
    int Run(const std::string& args)
    {
        std::string command =
            std::string("'") + QUILLET_CLI + "' " + args + " >'" + dir.File("out") + "' 2>'" + dir.File("err") + "'";
        int status = std::system(command.c_str());
        out = ReadBytes(dir.File("out"));
        err = ReadBytes(dir.File("err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Page(const std::string& bytes)
    {
        WriteBytes(dir.File("page.html"), bytes);
        return "'" + dir.File("page.html") + "'";
    }

    TempDir dir;
    std::string out;
    std::string err;
};

TEST_F(CliHtml, HtmlWritesThePageBackUnchanged)
{
    const std::string bytes = "<HTML>\r\n<form\r\n name=a>a < b <my-widget x = 'y'>\xe9\r\n<input value=\"open";
    ASSERT_EQ(Run("html " + Page(bytes)), 0);
    EXPECT_EQ(out, bytes);
    EXPECT_NE(err.find("page.html:4: the page ends inside a tag"), std::string::npos) << err;
    ASSERT_EQ(Run("html --normalise " + Page(bytes)), 0);
    EXPECT_EQ(out, "<HTML>\r\n<form name=a>a < b <my-widget x='y'>\xe9\r\n<input value=\"open");
}

TEST_F(CliHtml, FormsListsFormsAndFields)
{
    ASSERT_EQ(Run("forms " + Page("<form action=x><input name=first value='J\tD'>\n"
                                  "<textarea name=note>a\nb</textarea><input type=submit name=go value=Send>"
                                  "<input type=submit value=Anon></form><form name=second><select name=s>"
                                  "<option SELECTED>One</select><input type=image name=map></form>")),
              0);
    EXPECT_EQ(out, "form1\n"
                   "  text box\tfirst\tJ\\tD\n"
                   "  multiple-line text box\tnote\ta\\nb\n"
                   "  submit button\tgo\tSend\thandler\n"
                   "  submit button\t\tAnon\n"
                   "second\n"
                   "  drop-down list\ts\tOne\n"
                   "  image button\tmap\t\thandler\n");
    EXPECT_NE(err.find("The submit button \"Anon\" of form form1 has no name, so no actions can run when it is "
                       "pressed; name it, for example NAME=\"Anon\"."),
              std::string::npos)
        << err;
}

// A sanitizer's unoptimised build runs ten times slower or more; there a quadratic
// walk would still take minutes.
#ifdef QUILLET_SANITIZED
constexpr auto kNestingBound = std::chrono::seconds(10);
#else
constexpr auto kNestingBound = std::chrono::seconds(2);
#endif

TEST_F(CliHtml, UnclosedFormsRunIntoTheNextAndDeepNestingStaysCheap)
{
    ASSERT_EQ(Run("forms " + Page("<form name=a><input name=x><form name=b><select name=s><select name=t>"
                                  "<option selected>T</select></form><form name=c><input name=z>")),
              0);
    EXPECT_EQ(out, "a\n  text box\tx\t\n  drop-down list\ts\t\n  drop-down list\tt\tT\n"
                   "b\n  drop-down list\ts\t\n  drop-down list\tt\tT\n"
                   "c\n  text box\tz\t\n");
    // Quadratic walks took 11 s and more for these.
    for (const char* tag : {"<form>", "<select>"}) {
        std::string page = "<form>";
        for (int i = 0; i < 40000; ++i)
            page += tag;
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Run("forms " + Page(page)), 0) << tag;
        EXPECT_LT(std::chrono::steady_clock::now() - start, kNestingBound) << tag;
    }
}

TEST_F(CliHtml, Failures)
{
    EXPECT_EQ(Run("forms " + Page("<p>no form here</p>")), 1);
    EXPECT_NE(err.find("There is no form in"), std::string::npos) << err;
    EXPECT_EQ(Run("html '" + dir.File("missing.html") + "'"), 1);
    EXPECT_NE(err.find("Can't find file"), std::string::npos) << err;
    EXPECT_EQ(Run("forms '" + dir.File("missing.html") + "'"), 1);
    EXPECT_NE(err.find("Can't find file"), std::string::npos) << err;
    // A project may name anything as its page: only an ordinary file of at most 64 MB is read.
    ASSERT_EQ(mkfifo(dir.File("fifo.html").c_str(), 0600), 0);
    Page("");
    std::filesystem::resize_file(dir.File("page.html"), (64 << 20) + 1);
    for (const std::string& page : {std::string("/dev/zero"), dir.File("fifo.html"), dir.File("page.html")}) {
        EXPECT_EQ(Run("forms '" + page + "'"), 1) << page;
        EXPECT_NE(err.find("must be an ordinary file of at most 64 MB"), std::string::npos) << err;
    }
    EXPECT_EQ(Run("html"), 1);
    EXPECT_NE(err.find("Usage"), std::string::npos) << err;
    EXPECT_EQ(Run("forms --help"), 0);
    EXPECT_NE(out.find("Usage: quillet-cli forms PAGE"), std::string::npos) << out;
}

} // namespace
