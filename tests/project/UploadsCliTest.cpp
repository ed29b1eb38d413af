#include "project/Action.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace quillet {
namespace {

struct RunResult {
    int status;
    std::string out;
};

RunResult RunCli(const std::string& arguments, const std::string& home)
{
    std::string command = "QUILLET_HOME='" + home + "' XDG_CONFIG_HOME='" + home + "/config' '" QUILLET_CLI "' " +
                          arguments + " 2>/dev/null";
    RunResult result{-1, {}};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Action RecordAction(ActionType type, const std::string& name, const std::string& column, const std::string& value)
{
    Action action = *CreateAction(static_cast<long>(type));
    action.name = name;
    action.Record().dataSource = "shop";
    action.Record().table = "orders";
    action.Record().columns.push_back({"orders", column, 0, "", value, ""});
    return action;
}

// A project of its own: the page, a template, an insert and a select inside a condition.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_dir.Path() / "site" / "templates");
        test::WriteBytes(m_dir.File("site/order.html"), "<form></form>");
        test::WriteBytes(m_dir.File("site/templates/thanks.html"), "thanks");
        Project project;
        project.settings.scriptPattern = "*.cgi";
        project.settings.homePagePath = "/htdocs";
        project.settings.cgiPath = "/cgi-bin";
        Action condition = *CreateAction(static_cast<long>(ActionType::ConditionalStatement));
        condition.name = "Check";
        condition.Condition().actions.push_back(RecordAction(ActionType::SelectRecords, "List", "item", ""));
        Action respond = *CreateAction(static_cast<long>(ActionType::RespondToBrowser));
        respond.name = "Reply";
        respond.Response().file = "templates/thanks.html";
        Form& form = project.forms.emplace_back();
        form.pageFile = "order.html";
        form.handlers.push_back(
            {"Buy", {RecordAction(ActionType::InsertRecord, "Save", "item", "$FORM{'item'}[0]"), condition, respond}});
        ProjectWriter out;
        WriteProject(out, project);
        ASSERT_TRUE(out.Commit(ProjectPath()));
    }
    std::string ProjectPath() const { return m_dir.File("site/order.prj"); }
    std::string Home() const { return m_dir.File("home"); }

    test::TempDir m_dir;
};

TEST_F(CliTest, UploadsPrintsOneLinePerEntry)
{
    RunResult all = RunCli("uploads '" + ProjectPath() + "'", Home());
    ASSERT_EQ(all.status, 0);
    EXPECT_EQ(all.out.substr(0, all.out.find('\n')),
              "1\t0\t0\tHTML\t644\t" + m_dir.File("site/order.html") + "\t/htdocs/order.html");
    EXPECT_NE(all.out.find("1\t0\t0\tTemplate\t644\t" + m_dir.File("site/templates/thanks.html") +
                           "\t/cgi-bin/templates/thanks.html\n"),
              std::string::npos);
    EXPECT_NE(all.out.find("0\t0\t0\tImage\t644\t" + Home() + "/images/first.gif\t/htdocs/images/quillet/first.gif\n"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(Home() + "/scripts/dbadmin.cgi"));

    RunResult images = RunCli("uploads --kinds 64 '" + ProjectPath() + "'", Home());
    ASSERT_EQ(images.status, 0);
    EXPECT_EQ(std::count(images.out.begin(), images.out.end(), '\n'), 4);
    EXPECT_EQ(images.out.substr(0, 2), "1\t");
}

TEST_F(CliTest, UsageErrors)
{
    EXPECT_EQ(RunCli("uploads", Home()).status, 1);
    EXPECT_EQ(RunCli("uploads --kinds 0 '" + ProjectPath() + "'", Home()).status, 1);
    EXPECT_EQ(RunCli("uploads --kinds abc '" + ProjectPath() + "'", Home()).status, 1);
    EXPECT_EQ(RunCli("uploads '" + m_dir.File("missing.prj") + "'", Home()).status, 1);
    EXPECT_EQ(RunCli("sql", Home()).status, 1);
    EXPECT_EQ(RunCli("sql --help", Home()).status, 0);
}

TEST_F(CliTest, SqlPrintsEveryRecordAction)
{
    RunResult sql = RunCli("sql '" + ProjectPath() + "'", Home());
    ASSERT_EQ(sql.status, 0);
    EXPECT_EQ(sql.out, "Buy\tSave\tINSERT INTO orders (item) VALUES (\" . $shop->quote($FORM{'item'}[0]) . \")\n"
                       "Buy\tList\tSELECT item FROM orders\n");
}

} // namespace
} // namespace quillet
