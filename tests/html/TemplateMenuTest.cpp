#include "html/TemplateMenu.h"
#include "html/HtmlTokenizer.h"
#include "project/Action.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

Action Named(ActionType type, std::string name)
{
    Action action = *CreateAction(static_cast<long>(type));
    action.name = std::move(name);
    return action;
}

} // namespace

TEST(TemplateMenu, SubmenusFromFieldsAndActions)
{
    HtmlPage page = ParseHtml("<form><input name=\"a&amp;b\" type=file><input type=radio name=size value=S>"
                              "<input type=radio name=size value=M><input value=unnamed><select name=l>"
                              "<option value=1>One</select></form>");
    ActionList actions = {Named(ActionType::ReadWriteFile, "Read1"), Named(ActionType::SelectRecords, "Find"),
                          Named(ActionType::SendEmail, "Mail"), Named(ActionType::InsertRecord, "Add")};
    auto menu = BuildTemplateMenu(TemplateMenuKind::Full, &page, page.begin(), &actions);
    ASSERT_EQ(menu.size(), 6u);
    EXPECT_EQ(menu[0].title, "Insert Form Variables");
    EXPECT_EQ(menu[0].entries,
              (std::vector<std::string>{"@{$FORM{'a&b'}}", "@{$FORM{'size'}}", "@{$FORM{'size'}}", "@{$FORM{'l'}}"}));
    EXPECT_EQ(menu[1].entries, (std::vector<std::string>{"$FIELD_STATE{'size'}{'S'}", "$FIELD_STATE{'size'}{'M'}",
                                                         "$FIELD_STATE{'l'}{'1'}"}));
    EXPECT_EQ(menu[2].entries.size(), 17u);
    EXPECT_EQ(menu[3].entries, std::vector<std::string>{"$Read1"});
    EXPECT_EQ(menu[4].entries, std::vector<std::string>{"$FORM{'a&b'}[0]"});
    EXPECT_EQ(menu[5].entries, (std::vector<std::string>{"$Find->{nrows}", "$Add->{nrows}"}));
    EXPECT_EQ(menu[3].InsertAllText(), "$Read1 ");
    EXPECT_EQ(DefaultReportsText(&actions), "$Find->{DefaultReport}\n");

    auto upload = BuildTemplateMenu(TemplateMenuKind::UploadOnly, &page, page.begin(), &actions);
    ASSERT_EQ(upload.size(), 1u);
    EXPECT_EQ(upload[0].title, "Insert File Upload Handle");
}

TEST(TemplateMenu, ColumnsOfTwentyFiveCountTheFixedEntries)
{
    std::string html = "<form>";
    for (int i = 0; i < 30; ++i)
        html += "<input name=f" + std::to_string(i) + ">";
    HtmlPage page = ParseHtml(html + "</form>");
    VariableSubmenu forms = BuildTemplateMenu(TemplateMenuKind::Full, &page, page.begin(), nullptr)[0];
    ASSERT_EQ(forms.entries.size(), 30u);
    std::vector<size_t> starts;
    for (size_t i = 0; i < forms.entries.size(); ++i)
        if (forms.StartsColumn(i))
            starts.push_back(i);
    EXPECT_EQ(starts, std::vector<size_t>{23});

    VariableSubmenu queries{"Insert Query Variables", false, false, 41000, std::vector<std::string>(51, "x")};
    EXPECT_FALSE(queries.StartsColumn(0));
    EXPECT_TRUE(queries.StartsColumn(25));
    EXPECT_TRUE(queries.StartsColumn(50));
}

TEST(TemplateMenu, NoFormGivesEmptyFieldMenus)
{
    auto menu = BuildTemplateMenu(TemplateMenuKind::Full, nullptr, std::nullopt, nullptr);
    EXPECT_TRUE(menu[0].entries.empty());
    EXPECT_TRUE(menu[4].entries.empty());
    HtmlPage page = ParseHtml("<p><SPAN Name=\"quillet_query_report\">old</SPAN>");
    EXPECT_EQ(FindQueryReport(page)->Name(), "SPAN");
}
