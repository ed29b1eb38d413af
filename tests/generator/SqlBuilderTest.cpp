#include "generator/SqlBuilder.h"
#include "project/Action.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

ActionColumn Column(std::string table, std::string column, std::string function = "", std::string value = "")
{
    ActionColumn c;
    c.tableName = std::move(table);
    c.columnName = std::move(column);
    c.function = std::move(function);
    c.value = std::move(value);
    return c;
}

Action Record(ActionType type, std::vector<ActionColumn> columns, CriteriaList criteria = {})
{
    Action action = *CreateAction(static_cast<long>(type));
    action.Record().dataSource = "db";
    action.Record().table = "people";
    action.Record().columns = std::move(columns);
    action.Record().criteria = std::move(criteria);
    return action;
}

std::string Sql(const Action& action)
{
    return BuildSqlStatement(action).value_or("<none>");
}

const std::string kName = "\" . $db->quote($FORM{'name'}[0]) . \"";

TEST(BuildSqlStatement, Insert)
{
    Action insert = Record(ActionType::InsertRecord,
                           {Column("", "name", "", "$FORM{'name'}[0]"), Column("", "age", "", "$FORM{'age'}[0]"),
                            Column("", "name", "", "'twice'")},
                           {{"people", "age", {{"=", "3"}}}});
    EXPECT_EQ(Sql(insert),
              "INSERT INTO people (name ,age) VALUES (" + kName + " ,\" . $db->quote($FORM{'age'}[0]) . \")");
}

TEST(BuildSqlStatement, SelectQualifiesOnlyWithSeveralColumns)
{
    EXPECT_EQ(Sql(Record(ActionType::SelectRecords, {Column("people", "name")})), "SELECT name FROM people");
    EXPECT_EQ(Sql(Record(ActionType::SelectRecords,
                         {Column("people", "name"), Column("people", "age"), Column("people", "name")})),
              "SELECT people.name ,people.age FROM people");
    EXPECT_EQ(Sql(Record(ActionType::SelectRecords, {})), "SELECT  FROM people");
}

TEST(BuildSqlStatement, SelectFunctionsGroupAndOrder)
{
    Action select = Record(ActionType::SelectRecords,
                           {Column("people", "city", "Group By"), Column("people", "age", "AVG"),
                            Column("people", "id", "count"), Column("people", "city", "Order By [DESC]"),
                            Column("people", "name", "Order By [ASC]"), Column("people", "zip", "ORDER BY")});
    EXPECT_EQ(Sql(select), "SELECT people.city ,AVG(people.age) ,count(people.id) ,people.name ,people.zip "
                           "FROM people\nGROUP BY people.city\nORDER BY people.city DESC ,people.name ASC ,people.zip");
}

TEST(BuildSqlStatement, UpdateQualifiesSetOnlyAcrossTables)
{
    Action one = Record(ActionType::UpdateRecords,
                        {Column("people", "name", "", "$FORM{'name'}[0]"), Column("people", "age", "", "5")},
                        {{"people", "id", {{"=", "7"}}}});
    EXPECT_EQ(Sql(one), "UPDATE people SET name = " + kName + " ,age = \" . $db->quote(5) . \"\nWHERE (people.id=7)");
    Action two = Record(ActionType::UpdateRecords, {Column("a", "x", "", "1"), Column("b", "y", "", "2")});
    EXPECT_EQ(Sql(two), "UPDATE a ,b SET a.x = \" . $db->quote(1) . \" ,b.y = \" . $db->quote(2) . \"");
}

TEST(BuildSqlStatement, DeleteAndOtherTypes)
{
    Action remove = Record(ActionType::DeleteRecords, {Column("people", "")}, {{"", "age", {{"<", "18"}}}});
    EXPECT_EQ(Sql(remove), "DELETE FROM people\nWHERE (age<18)");
    EXPECT_EQ(Sql(Record(ActionType::DeleteRecords, {})), "DELETE FROM people");
    EXPECT_FALSE(BuildSqlStatement(*CreateAction(static_cast<long>(ActionType::SendEmail))));
}

CriteriaList Grid()
{
    return {{"t", "age", {{">", "18"}, {"<=", " 3.5"}, {"", ""}}},
            {"t", "name", {{"=", "$FORM{'name'}[0]"}, {"", ""}, {"", ""}}}};
}

TEST(BuildCriteriaExpression, RowsAndModes)
{
    std::string sql = "x: ";
    EXPECT_EQ(BuildCriteriaExpression(Grid(), sql, false, "db"),
              "x: (t.age>18 and t.name=" + kName + ") or (t.age<= 3.5)");
    std::string perl;
    BuildCriteriaExpression(Grid(), perl, true, "db");
    // A form value on the right compares with what was submitted; a plain word is a Perl string.
    EXPECT_EQ(perl, "(t.age>18 && t.name=$FORM{'name'}[0]) || (t.age<= 3.5)");

    CriteriaList firstRowOnly = {{"", "$FORM{'a'}[0]", {{"eq", "yes"}, {"", ""}, {"", ""}}}};
    perl.clear();
    EXPECT_EQ(BuildCriteriaExpression(firstRowOnly, perl, true, "db"), "($FORM{'a'}[0] eq 'yes')");
}

TEST(BuildCriteriaExpression, WordOperators)
{
    struct Case {
        const char* op;
        const char* value;
        std::string expected;
    } cases[] = {
        {"LIKE", "'A%'", "c LIKE \" . $db->quote('A%') . \""},
        {"like", "5", "c LIKE 5"},
        {"BETWEEN", "1,10", "c BETWEEN 1 AND 10"},
        {"BETWEEN", "$FORM{'lo'}[0] and 9", "c BETWEEN \" . $db->quote($FORM{'lo'}[0]) . \" AND 9"},
        {"IN", "1, 2,3", "c IN (1 ,2 ,3)"},
        {"IN", "('a,b', 'c')", "c IN (\" . $db->quote('a,b') . \" ,\" . $db->quote('c') . \")"},
        {"NOT IN", "sprintf('%d', $x),4", "c NOT IN (\" . $db->quote(sprintf('%d', $x)) . \" ,4)"},
        {"IN", "O'Brien, d'Arcy", "c IN (\" . $db->quote('O\\'Brien') . \" ,\" . $db->quote('d\\'Arcy') . \")"},
        {"AMONG", "$FORM{'q'}[0]", "c LIKE \" . $db->quote('%' . ($FORM{'q'}[0]) . '%') . \""},
        {"<>", "abc", "c<>\" . $db->quote('abc') . \""},
        {"=", "John Smith", "c=\" . $db->quote('John Smith') . \""},
    };
    for (const Case& c : cases) {
        std::string text;
        BuildCriteriaExpression({{"", "c", {{c.op, c.value}}}}, text, false, "db");
        EXPECT_EQ(text, "(" + c.expected + ")") << c.op << " " << c.value;
    }
}

TEST(IsPlainNumber, Forms)
{
    for (const char* number : {"10", " 3.5", "2.", "\t.5", "007"})
        EXPECT_TRUE(IsPlainNumber(number)) << number;
    for (const char* other : {"-1", "1e3", "1.2.3", "abc", ".", " ", "", "3 ", "0x1f"})
        EXPECT_FALSE(IsPlainNumber(other)) << other;
}

} // namespace
} // namespace quillet
