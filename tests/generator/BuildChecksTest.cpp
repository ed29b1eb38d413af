#include "generator/Build.h"
#include "project/Project.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ReadBytes;
using quillet::test::ScriptedPrompter;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

const std::string kPage = "<p>Orders of <5 items ship free.</p>\n<form>\n<input name=who>\n"
                          "<button type=submit name=Send>Send</button>\n</form>\n";

Criterion Where(std::string column, std::string op, std::string value)
{
    return {"orders", std::move(column), {{std::move(op), std::move(value)}}};
}

Action RecordOf(ActionType type, std::vector<std::string> tables, CriteriaList criteria, std::string dsn = "db",
                std::string name = "Change")
{
    Action action = *CreateAction(static_cast<long>(type));
    action.name = std::move(name);
    action.Record().dataSource = std::move(dsn);
    action.Record().table = tables.front();
    for (std::string& table : tables)
        action.Record().columns.push_back({table, "who", 0, "", "$FORM{'who'}[0]", ""});
    action.Record().criteria = std::move(criteria);
    return action;
}

Action Holding(ActionType type, std::string name, std::string code = {}, ActionList nested = {})
{
    Action action = *CreateAction(static_cast<long>(type));
    action.name = std::move(name);
    if (type == ActionType::PerlCodeBlock)
        action.Code().code = std::move(code);
    else
        action.Condition().actions = std::move(nested);
    return action;
}

struct RefusalCase {
    const char* name;
    // The actions of the form's one button.
    ActionList actions;
    std::function<void(Project&, std::string& page)> change;
    // Empty: the build goes through.
    std::string message;
};

class BuildRefusals : public ::testing::TestWithParam<RefusalCase> {
protected:
    void SetUp() override
    {
        project.settings.perlPath = "/usr/bin/perl";
        project.settings.cgiPath = "/cgi-bin";
        project.settings.scriptPattern = "*.cgi";
        DataSource db;
        db.name = "db";
        db.driver = "SQLite";
        db.database = "orders.db";
        project.dataSources.push_back(db);
        Form& form = project.forms.emplace_back();
        form.pageFile = "order.html";
        form.handlers.push_back({"Send", {}});
    }
    TempDir dir;
    Project project;
    ScriptedPrompter prompter;
};

TEST_P(BuildRefusals, RefuseWithTheReasonAndWriteNothing)
{
    const RefusalCase& c = GetParam();
    std::string page = kPage;
    project.forms[0].handlers[0].actions = c.actions;
    if (c.change)
        c.change(project, page);
    WriteBytes(dir.File("order.html"), page);
    std::string path = dir.File("order.html");
    std::string message = c.message;
    for (size_t at; (at = message.find("PAGE")) != std::string::npos;)
        message.replace(at, 4, path);
    if (!message.empty())
        prompter.ExpectShow(message);
    std::string script;
    EXPECT_EQ(BuildProject(project, dir.File("order.prj"), prompter, &script), message.empty());
    EXPECT_TRUE(prompter.Done());
    if (message.empty()) {
        EXPECT_TRUE(std::filesystem::exists(script));
        return;
    }
    EXPECT_EQ(ReadBytes(path), page) << "the page was written";
    EXPECT_FALSE(std::filesystem::exists(dir.File("scripts"))) << "a script was written";
}

using A = ActionType;

const std::string kEveryRow = "The action \"Change\" would change every row of orders; add a criterion.";

const RefusalCase kRefusals[] = {
    {"Builds", {}, nullptr, ""},
    {"NoForm", {}, [](Project&, std::string& page) { page = "<p>A page of <3 forms</p>"; }, "There is no form in PAGE"},
    {"NamedFormMissing",
     {},
     [](Project& p, std::string&) { p.forms[0].formName = "order"; },
     "There is no form named \"order\" in PAGE; the forms there are form1."},
    {"UnnamedFormPickedByItsName", {}, [](Project& p, std::string&) { p.forms[0].formName = "form1"; }, ""},
    {"HandlerMatchesNoButton",
     {},
     [](Project& p, std::string&) {
         p.forms[0].handlers.push_back({"Save", {RecordOf(A::InsertRecord, {"t"}, {})}});
     },
     "No submit button of form form1 in PAGE is named \"Save\""},
    {"DeleteWithoutCriteria", {RecordOf(A::DeleteRecords, {"orders"}, {})}, nullptr, kEveryRow},
    {"UpdateWithOnlyAnOperator", {RecordOf(A::UpdateRecords, {"orders"}, {Where("id", "=", "")})}, nullptr, kEveryRow},
    {"DeleteInsideACondition",
     {Holding(A::ConditionalStatement, "When", {}, {RecordOf(A::DeleteRecords, {"orders"}, {Where("", "=", "1")})})},
     nullptr,
     kEveryRow},
    {"UpdateOverTwoTablesOnSqlite",
     {RecordOf(A::UpdateRecords, {"orders", "customers"}, {Where("id", "=", "$FORM{'who'}[0]")})},
     nullptr,
     "The action \"Change\" changes orders, customers in one statement, which the SQLite driver cannot run"},
    {"DeleteOverTwoTablesOnMysqlBuilds",
     {RecordOf(A::DeleteRecords, {"orders", "customers"}, {Where("id", "=", "1")})},
     [](Project& p, std::string&) { p.dataSources[0].driver = "mysql"; },
     ""},
    {"ActionNameNotAnIdentifier",
     {RecordOf(A::InsertRecord, {"orders"}, {}, "db", "new-order")},
     nullptr,
     "Action name must contain only alphanumeric characters"},
    {"DataSourceMissing",
     {RecordOf(A::InsertRecord, {"orders"}, {}, "shop")},
     nullptr,
     "The action \"Change\" uses the data source \"shop\", which the project does not have."},
    {"CodeThatDoesNotCompile",
     {Holding(A::PerlCodeBlock, "Tally", "my $n = 1;\r\nmy $total = $n +;\r\n")},
     nullptr,
     "The action \"Tally\" does not compile:\r\nsyntax error at script line"},
};

INSTANTIATE_TEST_SUITE_P(Build, BuildRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
