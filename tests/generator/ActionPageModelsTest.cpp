#include "generator/CodePageModel.h"
#include "generator/CookiePageModel.h"
#include "generator/CriteriaGrid.h"
#include "generator/RecordPageModel.h"
#include "generator/SqlBuilder.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(ConditionGrid, ColumnNeedsExpressionOperatorAndValue)
{
    GridColumns grid = {{"$FORM{'a'}[0]"}, {"$FORM{'b'}[0]", "=="}, {"", "==", "1"}, {" $x ", " eq ", " 'y' "}};
    CriteriaList criteria = StoreCriteriaGrid(grid, kConditionGrid);
    ASSERT_EQ(criteria.size(), 1u);
    EXPECT_EQ(criteria[0].table, "");
    EXPECT_EQ(criteria[0].column, "$x");
    EXPECT_EQ(criteria[0].cells, (std::vector<OrCell>{{"eq", "'y'"}}));
}

TEST(ConditionGrid, CellsRunToTheLastUsedRowOfTheWholeGrid)
{
    // Three "or:" pairs under the first column, the second only its first pair.
    GridColumns grid = {{"$a", "==", "1", "==", "2", "", "", "==", "4"}, {"$b", "ne", "'x'"}};
    CriteriaList criteria = StoreCriteriaGrid(grid, kConditionGrid);
    ASSERT_EQ(criteria.size(), 2u);
    EXPECT_EQ(criteria[0].cells, (std::vector<OrCell>{{"==", "1"}, {"==", "2"}, {"", ""}, {"==", "4"}}));
    ASSERT_EQ(criteria[1].cells.size(), 4u);
    EXPECT_TRUE(criteria[1].cells[3].IsEmpty());

    std::string text;
    BuildCriteriaExpression(criteria, text, true, "");
    EXPECT_NE(text.find("'x'"), std::string::npos);
}

TEST(ConditionGrid, LoadThenStoreGivesTheSameCriteria)
{
    CriteriaList criteria = {{"", "$FORM{'age'}[0]", {{">=", "18"}, {"==", "0"}}},
                             {"", "$n", {{"=~", "/x/"}, {"", ""}}}};
    GridColumns grid = LoadCriteriaGrid(criteria, kConditionGrid, 99);
    ASSERT_EQ(grid.size(), 2u);
    EXPECT_EQ(grid[0].size(), 99u);
    EXPECT_EQ(grid[1][1], "=~");
    EXPECT_EQ(StoreCriteriaGrid(grid, kConditionGrid), criteria);
}

TEST(RecordCriteriaGrid, TableAndFieldRowsGiveTheColumn)
{
    GridColumns grid = {{"people", "age", ">", "$FORM{'age'}[0]", "<", "99"}, {"people", "", "=", "1"}};
    CriteriaList criteria = StoreCriteriaGrid(grid, kRecordCriteriaGrid);
    ASSERT_EQ(criteria.size(), 1u);
    EXPECT_EQ(criteria[0].table, "people");
    EXPECT_EQ(criteria[0].column, "age");
    EXPECT_EQ(criteria[0].cells.size(), 2u);
    EXPECT_EQ(StoreCriteriaGrid(LoadCriteriaGrid(criteria, kRecordCriteriaGrid, 12), kRecordCriteriaGrid), criteria);
}

TEST(ColumnGrid, BlankRowsInTheMiddleDoNotEndTheReading)
{
    std::vector<ColumnGridRow> rows = {
        {"t", "a", "COUNT"}, {"", "", ""}, {"", "b", "SUM"}, {" t ", " c ", " Group By "}};
    auto columns = StoreColumnGrid(ActionType::SelectRecords, rows);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[1].columnName, "c");
    EXPECT_EQ(columns[1].function, "Group By");
    EXPECT_EQ(LoadColumnGrid(ActionType::SelectRecords, columns)[1], (ColumnGridRow{"t", "c", "Group By"}));
}

TEST(ColumnGrid, EachKindKeepsItsOwnCells)
{
    std::vector<ColumnGridRow> rows = {{"t", "a", "x"}, {"u", "b", "y"}};
    auto update = StoreColumnGrid(ActionType::UpdateRecords, rows);
    EXPECT_EQ(update[0].value, "x");
    EXPECT_EQ(update[0].function, "");
    auto remove = StoreColumnGrid(ActionType::DeleteRecords, rows);
    EXPECT_EQ(remove[1].tableName, "u");
    EXPECT_EQ(remove[1].columnName, "");
    EXPECT_EQ(remove[1].value, "");

    Action action = *CreateAction(static_cast<long>(ActionType::DeleteRecords));
    action.Record().columns = remove;
    action.Record().criteria = {{"t", "id", {{"=", "1"}}}};
    EXPECT_EQ(BuildSqlStatement(action).value_or(""), "DELETE t ,u FROM t ,u\nWHERE (t.id=1)");
}

TEST(InsertGrid, NeedsATableAndKeepsOnlyItsFields)
{
    std::vector<InsertGridRow> rows = {{" name ", " $FORM{'name'}[0] "}, {"nosuch", "1"}, {"", "x"}, {"email", ""}};
    EXPECT_FALSE(StoreInsertGrid({}, rows).has_value());
    auto columns = StoreInsertGrid({"id", "name", "email"}, rows);
    ASSERT_TRUE(columns.has_value());
    ASSERT_EQ(columns->size(), 2u);
    EXPECT_EQ((*columns)[0].columnName, "name");
    EXPECT_EQ((*columns)[0].value, "$FORM{'name'}[0]");
    EXPECT_EQ((*columns)[0].tableName, "");
    EXPECT_EQ((*columns)[1].columnName, "email");

    auto loaded = LoadInsertGrid(*columns, 5);
    ASSERT_EQ(loaded.size(), 5u);
    EXPECT_EQ(loaded[1], (InsertGridRow{"email", ""}));
    EXPECT_EQ(loaded[4], (InsertGridRow{"", ""}));
}

TEST(InsertGrid, BindingFillsOnlyFieldsWithAFormFieldOfTheSameName)
{
    std::vector<InsertGridRow> rows = {{"name", ""}, {"id", "7"}, {" email ", "old"}, {"", ""}};
    EXPECT_TRUE(BindFormFields(rows, {"$FORM{'name'}[0]", "$FORM{'email'}[0]"}));
    EXPECT_EQ(rows[0][1], "$FORM{'name'}[0]");
    EXPECT_EQ(rows[1][1], "7");
    EXPECT_EQ(rows[2][1], "$FORM{'email'}[0]");
    EXPECT_FALSE(BindFormFields(rows, {"$FORM{'name'}[0]", "$FORM{'email'}[0]"}));
}

TEST(Cookies, RowsBecomeOneLineAndComeBack)
{
    std::vector<CookieRow> rows = {{" user ", " $FORM{'name'}[0] ", false}, {"", "orphan", true}, {"id", "7", true}};
    std::string code = StoreCookies(rows);
    EXPECT_EQ(code, "user=$FORM{'name'}[0],secure=0;id=7,secure=1;");
    EXPECT_EQ(LoadCookies(code), (std::vector<CookieRow>{{"user", "$FORM{'name'}[0]", false}, {"id", "7", true}}));
    EXPECT_TRUE(LoadCookies("").empty());
    EXPECT_EQ(LoadCookies("bare"), (std::vector<CookieRow>{{"bare", "", false}}));
    EXPECT_EQ(NewCookieName(3), "Cookie3");
}

TEST(Cookies, ExpiryDateIsTheCalendarDayWhateverTheTimeZone)
{
    struct Case {
        CalendarDate date;
        long days;
    } cases[] = {{{1970, 1, 1}, 0}, {{2000, 3, 1}, 11017}, {{2026, 12, 31}, 20818}, {{2024, 2, 29}, 19782}};
    for (const Case& c : cases) {
        EXPECT_EQ(DaysSinceEpoch(c.date), c.days) << c.days;
        EXPECT_EQ(DateFromDays(c.days), c.date) << c.days;
    }
}

TEST(CodePage, EditorLinesBecomeCrLfAndBack)
{
    EXPECT_EQ(CodeFromEditor("a;\n\nb;\r\n"), "a;\r\n\r\nb;\r\n");
    EXPECT_EQ(EditorFromCode("a;\r\n\r\nb;"), "a;\n\nb;");
    EXPECT_EQ(EditorFromCode(CodeFromEditor("x\ny\n")), "x\ny\n");
}

} // namespace
} // namespace quillet
