#include "generator/SqlBuilder.h"

#include "generator/PerlValue.h"

#include "project/Action.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <strings.h>
#include <vector>

namespace quillet {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool StartsNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Closes the script's string, adds the Perl expression as DBI quotes it at run time, and reopens the string.
void AppendSplice(std::string& out, std::string_view dataSource, std::string_view expression)
{
    out += "\" . $";
    out += dataSource;
    out += "->quote(";
    out += expression;
    out += ") . \"";
}

// ---- column rows -------------------------------------------------------

// "Group By" and the "Order By" choices name clauses, not functions of the select list.
enum class Role { Plain, Aggregate, GroupBy, OrderAscending, OrderDescending };

Role RoleOf(const ActionColumn& row)
{
    std::string_view function = Trim(row.function);
    if (function.empty())
        return Role::Plain;
    if (EqualsNoCase(function, "GROUP BY"))
        return Role::GroupBy;
    if (StartsNoCase(function, "ORDER BY"))
        return Upper(function.substr(8)).find("DESC") != std::string::npos ? Role::OrderDescending
                                                                           : Role::OrderAscending;
    return Role::Aggregate;
}

using Rows = std::vector<const ActionColumn*>;

// Rows in order of first appearance of their (table, column) pair, keeping those that pass keep.
template <typename Keep>
Rows DistinctColumns(const std::vector<ActionColumn>& columns, Keep keep)
{
    Rows rows;
    for (const ActionColumn& column : columns) {
        if (!keep(column))
            continue;
        bool seen = std::any_of(rows.begin(), rows.end(), [&](const ActionColumn* r) {
            return r->tableName == column.tableName && r->columnName == column.columnName;
        });
        if (!seen)
            rows.push_back(&column);
    }
    return rows;
}

template <typename Items, typename Write>
void JoinItems(std::string& out, const Items& items, Write write)
{
    bool first = true;
    for (const auto& item : items) {
        if (!first)
            out += " ,";
        first = false;
        write(item);
    }
}

void AppendColumnName(std::string& out, const ActionColumn& row, bool qualify)
{
    if (qualify && !row.tableName.empty()) {
        out += row.tableName;
        out += '.';
    }
    out += row.columnName;
}

void AppendTables(std::string& out, const RecordAction& record)
{
    JoinItems(out, RecordTables(record), [&](std::string_view table) { out += table; });
}

void AppendWhere(std::string& out, const RecordAction& record)
{
    size_t start = out.size();
    out += "\nWHERE ";
    size_t condition = out.size();
    BuildCriteriaExpression(record.criteria, out, false, record.dataSource);
    // A grid whose cells are all empty selects everything rather than leaving a bare WHERE.
    if (out.size() == condition)
        out.resize(start);
}

std::string InsertStatement(const RecordAction& record)
{
    Rows rows = DistinctColumns(record.columns, [](const ActionColumn&) { return true; });
    std::string out = "INSERT INTO " + record.table + " (";
    JoinItems(out, rows, [&](const ActionColumn* row) { out += row->columnName; });
    out += ") VALUES (";
    JoinItems(out, rows, [&](const ActionColumn* row) { AppendSplice(out, record.dataSource, PerlValue(row->value)); });
    out += ")";
    return out;
}

std::string UpdateStatement(const RecordAction& record)
{
    Rows rows = DistinctColumns(record.columns, [](const ActionColumn&) { return true; });
    // SQLite and PostgreSQL refuse "SET t.c"; only a MySQL multi-table update needs it.
    bool qualify = RecordTables(record).size() > 1;
    std::string out = "UPDATE ";
    AppendTables(out, record);
    out += " SET ";
    JoinItems(out, rows, [&](const ActionColumn* row) {
        AppendColumnName(out, *row, qualify);
        out += " = ";
        AppendSplice(out, record.dataSource, PerlValue(row->value));
    });
    AppendWhere(out, record);
    return out;
}

void AppendClause(std::string& out, std::string_view keyword, const Rows& rows, bool qualify)
{
    if (rows.empty())
        return;
    out += keyword;
    JoinItems(out, rows, [&](const ActionColumn* row) {
        AppendColumnName(out, *row, qualify);
        if (RoleOf(*row) == Role::OrderDescending)
            out += " DESC";
        else if (RoleOf(*row) == Role::OrderAscending && Trim(row->function).size() > 8)
            out += " ASC";
    });
}

std::string SelectStatement(const RecordAction& record)
{
    Rows rows = DistinctColumns(record.columns, [](const ActionColumn&) { return true; });
    bool qualify = rows.size() > 1;
    std::string out = "SELECT ";
    JoinItems(out, rows, [&](const ActionColumn* row) {
        bool aggregate = RoleOf(*row) == Role::Aggregate;
        if (aggregate) {
            out += Trim(row->function);
            out += '(';
        }
        AppendColumnName(out, *row, qualify);
        if (aggregate)
            out += ')';
    });
    out += " FROM ";
    AppendTables(out, record);
    AppendWhere(out, record);
    AppendClause(out, "\nGROUP BY ",
                 DistinctColumns(record.columns, [](const ActionColumn& c) { return RoleOf(c) == Role::GroupBy; }),
                 qualify);
    AppendClause(out, "\nORDER BY ",
                 DistinctColumns(record.columns,
                                 [](const ActionColumn& c) {
                                     Role role = RoleOf(c);
                                     return role == Role::OrderAscending || role == Role::OrderDescending;
                                 }),
                 qualify);
    return out;
}

// ---- criteria ----------------------------------------------------------

// Splits a list value at the commas that stand outside quotes and brackets, so
// that 'a,b' and f($x, $y) stay one item.
std::vector<std::string_view> SplitList(std::string_view value)
{
    std::vector<std::string_view> items;
    int depth = 0;
    char quote = 0;
    size_t start = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (quote) {
            if (c == '\\')
                ++i;
            else if (c == quote)
                quote = 0;
        } else if ((c == '\'' || c == '"') && Trim(value.substr(start, i - start)).empty()) {
            // Only a quote that opens an item quotes it: the one in O'Brien is text.
            quote = c;
        } else if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            --depth;
        } else if (c == ',' && depth == 0) {
            items.push_back(Trim(value.substr(start, i - start)));
            start = i + 1;
        }
    }
    items.push_back(Trim(value.substr(start)));
    return items;
}

// BETWEEN takes "low,high" or "low and high".
std::vector<std::string_view> SplitRange(std::string_view value)
{
    std::vector<std::string_view> items = SplitList(value);
    if (items.size() == 2)
        return items;
    for (size_t i = 0; i + 5 <= value.size(); ++i)
        if (EqualsNoCase(value.substr(i, 5), " and "))
            return {Trim(value.substr(0, i)), Trim(value.substr(i + 5))};
    return items;
}

std::string_view StripParentheses(std::string_view value)
{
    value = Trim(value);
    if (value.size() >= 2 && value.front() == '(' && value.back() == ')')
        return value.substr(1, value.size() - 2);
    return value;
}

bool IsWordOperator(std::string_view op)
{
    return !op.empty() && std::all_of(op.begin(), op.end(), [](char c) {
        return c == ' ' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

// Appends each term to the text being built rather than joining temporary strings.
class TermWriter {
public:
    TermWriter(bool perlMode, std::string_view dataSource, std::string& out)
        : m_perl(perlMode), m_dataSource(dataSource), m_out(out)
    {
    }

    void Term(const Criterion& criterion, const OrCell& cell) const
    {
        if (!criterion.table.empty()) {
            m_out += criterion.table;
            m_out += '.';
        }
        m_out += criterion.column;
        std::string_view op = Trim(cell.op);
        if (!IsWordOperator(op)) {
            m_out += op;
            Value(cell.value);
            return;
        }
        m_out += ' ';
        WordOperand(op, cell.value);
    }

private:
    void Value(std::string_view value) const
    {
        if (IsPlainNumber(value))
            m_out += value;
        else if (m_perl)
            m_out += PerlValue(value);
        else
            AppendSplice(m_out, m_dataSource, PerlValue(value));
    }

    void ValueList(std::string_view value) const
    {
        m_out += '(';
        JoinItems(m_out, SplitList(StripParentheses(value)), [&](std::string_view item) { Value(item); });
        m_out += ')';
    }

    void WordOperand(std::string_view op, std::string_view value) const
    {
        if (m_perl) {
            m_out += op;
            m_out += ' ';
            Value(value);
            return;
        }
        std::string word = Upper(op);
        if (word == "IN" || word == "NOT IN") {
            m_out += word;
            m_out += ' ';
            ValueList(value);
            return;
        }
        if (word == "BETWEEN") {
            std::vector<std::string_view> range = SplitRange(value);
            if (range.size() == 2) {
                m_out += word;
                m_out += ' ';
                Value(range[0]);
                m_out += " AND ";
                Value(range[1]);
                return;
            }
        }
        // The column holds the value anywhere in its text; the pattern is built
        // in Perl so that every driver gets one quoted string.
        if (word == "AMONG") {
            m_out += "LIKE ";
            AppendSplice(m_out, m_dataSource, "'%' . (" + PerlValue(value) + ") . '%'");
            return;
        }
        m_out += word;
        m_out += ' ';
        Value(value);
    }

    bool m_perl;
    std::string_view m_dataSource;
    std::string& m_out;
};

} // namespace

std::vector<std::string_view> RecordTables(const RecordAction& record)
{
    std::vector<std::string_view> tables;
    for (const ActionColumn& column : record.columns)
        if (!column.tableName.empty() && std::find(tables.begin(), tables.end(), column.tableName) == tables.end())
            tables.push_back(column.tableName);
    // Rows without a table still act on the action's own table.
    if (tables.empty() && !record.table.empty())
        tables.push_back(record.table);
    return tables;
}

bool IsPlainNumber(std::string_view value)
{
    size_t i = 0;
    while (i < value.size() && IsBlank(value[i]))
        ++i;
    bool digit = false;
    bool point = false;
    for (; i < value.size(); ++i) {
        if (value[i] >= '0' && value[i] <= '9')
            digit = true;
        else if (value[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

std::string& BuildCriteriaExpression(const CriteriaList& criteria, std::string& text, bool perlMode,
                                     std::string_view dataSource)
{
    if (criteria.empty())
        return text;
    TermWriter writer(perlMode, dataSource, text);
    std::string_view rowJoin = perlMode ? " || " : " or ";
    std::string_view termJoin = perlMode ? " && " : " and ";
    bool firstRow = true;
    for (size_t row = 0; row < criteria.front().cells.size(); ++row) {
        // A row without terms is taken back out, its joiner with it.
        size_t rowStart = text.size();
        if (!firstRow)
            text += rowJoin;
        text += '(';
        bool any = false;
        for (const Criterion& criterion : criteria) {
            if (row >= criterion.cells.size() || criterion.column.empty() || criterion.cells[row].IsEmpty())
                continue;
            if (any)
                text += termJoin;
            any = true;
            writer.Term(criterion, criterion.cells[row]);
        }
        if (!any) {
            text.resize(rowStart);
            continue;
        }
        text += ')';
        firstRow = false;
    }
    return text;
}

std::optional<std::string> BuildSqlStatement(const Action& action)
{
    switch (action.type) {
    case ActionType::InsertRecord:
        return InsertStatement(action.Record());
    case ActionType::DeleteRecords: {
        // Over several tables MySQL wants them named twice: those to delete from, and the FROM list.
        std::string out = "DELETE ";
        if (RecordTables(action.Record()).size() > 1) {
            AppendTables(out, action.Record());
            out += " ";
        }
        out += "FROM ";
        AppendTables(out, action.Record());
        AppendWhere(out, action.Record());
        return out;
    }
    case ActionType::UpdateRecords:
        return UpdateStatement(action.Record());
    case ActionType::SelectRecords:
        return SelectStatement(action.Record());
    default:
        return std::nullopt;
    }
}

bool IsStringColumnType(std::string_view type)
{
    static constexpr std::array kStringTypes = {"CHAR",       "VARCHAR",  "TINYBLOB", "BLOB",
                                                "MEDIUMBLOB", "LONGBLOB", "TINYTEXT", "TEXT",
                                                "MEDIUMTEXT", "LONGTEXT", "BINARY",   "VARBINARY"};
    return std::any_of(kStringTypes.begin(), kStringTypes.end(),
                       [&](std::string_view name) { return EqualsNoCase(type, name); });
}

} // namespace quillet
