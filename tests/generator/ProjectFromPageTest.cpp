#include "generator/ProjectFromPage.h"
#include "project/Project.h"
#include "project/ProjectDocument.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ScriptedPrompter;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

class FromPage : public ::testing::Test {
protected:
    FromPage() { setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1); }

    // The project made around page, read back; empty when it was refused.
    std::optional<Project> Make(const std::string& page, const std::string& form = {})
    {
        WriteBytes(dir.File("order.html"), page);
        PageProjectRequest request{dir.File("order.prj"), dir.File("order.html"), form, "sqlite"};
        if (!CreateProjectFromPage(request, prompter))
            return std::nullopt;
        ProjectDocument doc(prompter);
        EXPECT_TRUE(doc.LoadProject(dir.File("order.prj")));
        return doc.Content();
    }

    TempDir dir;
    ScriptedPrompter prompter;
};

TEST_F(FromPage, TableOfTheFieldsAndActionsBoundToThem)
{
    std::optional<Project> project =
        Make("<form name=o><input name=from maxlength=40><input name='e-mail'><input name=e_mail>"
             "<input type=checkbox name=t value=a><input type=checkbox name=t value=b><textarea name=note>"
             "</textarea><input type=file name=f><input type=submit name=Buy><button name=Ask>Ask</button></form>");
    ASSERT_TRUE(project);
    EXPECT_EQ(project->dataSources[0].database, "order.db");
    const TableDef& table = project->dataSources[0].tables[0];
    EXPECT_EQ(table.name, "order_entries");
    std::vector<std::string> columns;
    for (const ColumnDef& c : table.columns)
        columns.push_back(c.name + " " + c.type + "(" + std::to_string(c.length) + ")");
    EXPECT_EQ(columns, (std::vector<std::string>{"from_field VARCHAR(40)", "e_mail VARCHAR(255)",
                                                 "e_mail2 VARCHAR(255)", "t VARCHAR(255)", "note TEXT(0)"}));
    const Form& form = project->forms[0];
    ASSERT_EQ(form.handlers.size(), 2u);
    EXPECT_EQ(form.handlers[1].name, "Ask");
    EXPECT_EQ(form.handlers[1].actions[0].name, "Store2");
    const RecordAction& insert = form.handlers[0].actions[0].Record();
    EXPECT_EQ(insert.columns[1].value, "$FORM{'e-mail'}[0]");
    EXPECT_EQ(insert.columns[3].value, "join(', ', @{$FORM{'t'}})");
    EXPECT_EQ(form.handlers[0].actions[1].Response().file, "templates/order_thanks.html");
}

TEST_F(FromPage, AFormWithoutANamedButtonOrAProjectThatExistsIsRefused)
{
    prompter.ExpectShow("Form form1 in");
    EXPECT_FALSE(Make("<form><input name=q></form>"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("order.prj")));
    ASSERT_TRUE(Make("<form><input type=submit name=go></form>"));
    prompter.ExpectShow(dir.File("order.prj") + " exists already");
    EXPECT_FALSE(Make("<form><input type=submit name=other></form>"));
    EXPECT_TRUE(prompter.Done());
}

} // namespace
