#include "project/NameRules.h"
#include "project/Messages.h"
#include "project/Project.h"

#include <gtest/gtest.h>

using namespace quillet;

TEST(NameRules, ScriptNames)
{
    struct Case {
        const char* name;
        NameProblem problem;
    } cases[] = {
        {"Action1", NameProblem::None},
        {"total_1", NameProblem::None},
        {"Form", NameProblem::None},
        {"", NameProblem::NotIdentifier},
        {"2nd", NameProblem::NotIdentifier},
        {"_x", NameProblem::NotIdentifier},
        {"my-db", NameProblem::NotIdentifier},
        {"a b", NameProblem::NotIdentifier},
        {"caf\xc3\xa9", NameProblem::NotIdentifier},
        {"FORM", NameProblem::Reserved},
        {"ENV", NameProblem::Reserved},
        {"COOKIEJAR", NameProblem::Reserved},
        {"cgipath", NameProblem::Reserved},
        {"dsn", NameProblem::Reserved},
        {"INC", NameProblem::Reserved},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckScriptName(c.name), c.problem) << c.name;
    EXPECT_EQ(ActionNameMessage("2nd"), FormatMessage(Msg::ActionNameAlphanumeric));
    EXPECT_EQ(ActionNameMessage("FORM"), FormatMessage(Msg::ActionNameReserved, {"FORM"}));
    EXPECT_EQ(DataSourceNameMessage("my-db"), FormatMessage(Msg::DataSourceNameInvalid, {"my-db"}));
    EXPECT_EQ(DataSourceNameMessage("ENV"), FormatMessage(Msg::DataSourceNameReserved, {"ENV"}));
    EXPECT_EQ(DataSourceNameMessage("guestdb"), std::nullopt);
}

TEST(NameRules, ProjectChecksFindTheFirstBadValue)
{
    auto projectWith = [](auto change) {
        Project p;
        DataSource& ds = p.dataSources.emplace_back();
        ds.name = "shop";
        ds.database = "C:\\data\\x.db";
        ds.password = "a=b:c";
        Action inner = *CreateAction(7);
        inner.name = "Inner";
        Action condition = *CreateAction(10);
        condition.name = "Check";
        condition.Condition().actions.push_back(inner);
        p.forms.emplace_back().handlers.emplace_back().actions.push_back(condition);
        change(p);
        return p;
    };
    auto inner = [](Project& p) -> Action& { return p.forms[0].handlers[0].actions[0].Condition().actions[0]; };
    EXPECT_EQ(CheckProjectNames(projectWith([](Project&) {})), std::nullopt);
    EXPECT_EQ(CheckProjectNames(projectWith([](Project& p) { p.dataSources[0].password = "a;b"; })),
              FormatMessage(Msg::DataSourceFieldSemicolon, {"password"}));
    EXPECT_EQ(CheckProjectNames(projectWith([](Project& p) { p.dataSources[0].port = 70000; })),
              FormatMessage(Msg::PortOutOfRange));
    EXPECT_EQ(CheckProjectNames(projectWith([&](Project& p) { inner(p).name = "ENV"; })),
              FormatMessage(Msg::ActionNameReserved, {"ENV"}));
    EXPECT_EQ(CheckProjectNames(projectWith([&](Project& p) { inner(p).name = "shop"; })),
              FormatMessage(Msg::ActionNameIsDataSource, {"shop"}));
}
