#include "db/CreateTable.h"

#include "db/ColumnTypes.h"
#include "project/DataSource.h"

#include <algorithm>

namespace quillet {

namespace {

// A quote inside a value would end the literal early and break the statement;
// MySQL also reads backslashes in literals as escapes.
std::string QuoteLiteral(std::string_view text, SqlDialect dialect)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        else if (c == '\\' && dialect == SqlDialect::MySql)
            out += '\\';
        out += c;
    }
    return out + "'";
}

std::string QuotedValueList(const ColumnDef& column, SqlDialect dialect)
{
    std::string out;
    for (size_t i = 0; i < column.values.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += QuoteLiteral(column.values[i].text, dialect);
    }
    return out;
}

std::string SizeSuffix(const ColumnDef& column)
{
    if (column.length == 0)
        return "";
    if (column.numberFlags & kPrecisionFlag)
        return "(" + std::to_string(column.length) + ", " + std::to_string(column.decimals) + ")";
    return "(" + std::to_string(column.length) + ")";
}

bool IsKeyIndex(std::string_view index)
{
    return index == "PRIMARY KEY" || index == "KEY";
}

// Only keys and unique constraints can stand inside a column definition outside MySQL.
std::string DialectIndex(std::string_view index)
{
    if (IsKeyIndex(index))
        return "PRIMARY KEY";
    if (index == "UNIQUE")
        return "UNIQUE";
    return "";
}

std::string PostgresType(const ColumnDef& column)
{
    const ColumnTypeInfo* info = ColumnTypeByName(column.type);
    if (!info)
        return column.type + SizeSuffix(column);
    std::string_view name = info->Name();
    if (info->columnClass == ColumnClass::Integer)
        return name == "TINYINT" ? "SMALLINT" : name == "MEDIUMINT" || name == "INT" ? "INTEGER" : std::string(name);
    if (name == "REAL")
        return "REAL";
    if (name == "DOUBLE" || name == "FLOAT")
        return "DOUBLE PRECISION";
    if (info->columnClass == ColumnClass::Real || info->columnClass == ColumnClass::SizedText)
        return std::string(name) + SizeSuffix(column);
    if (name == "DATETIME")
        return "TIMESTAMP";
    if (name.ends_with("BLOB"))
        return "BYTEA";
    if (name.ends_with("TEXT"))
        return "TEXT";
    return std::string(name);
}

std::string SqliteType(const ColumnDef& column)
{
    const ColumnTypeInfo* info = ColumnTypeByName(column.type);
    // Only the exact name INTEGER makes the key the table's rowid.
    if (info && info->columnClass == ColumnClass::Integer && IsKeyIndex(column.index))
        return "INTEGER";
    return column.type + SizeSuffix(column);
}

// ENUM holds one allowed value, SET a comma-separated selection of them: after
// the allowed values are cut out of ",v1,,v2," only commas may be left.
std::string ValueCheck(const ColumnDef& column, SqlDialect dialect)
{
    if (column.values.empty())
        return "";
    if (EqualsIgnoringCase(column.type, "ENUM"))
        return "CHECK (" + column.name + " IN (" + QuotedValueList(column, dialect) + ")) ";
    std::string expr = "',' || replace(" + column.name + ", ',', ',,') || ','";
    for (const ColumnValue& value : column.values)
        expr = "replace(" + expr + ", " + QuoteLiteral("," + value.text + ",", dialect) + ", '')";
    std::string trim = dialect == SqlDialect::Postgres ? "btrim" : "trim";
    return "CHECK (" + trim + "(" + expr + ", ',') = '') ";
}

std::string ColumnType(const ColumnDef& column, SqlDialect dialect)
{
    if (IsValueListType(column.type)) {
        if (dialect == SqlDialect::MySql)
            return column.type + "(" + QuotedValueList(column, dialect) + ")";
        return "TEXT";
    }
    if (dialect == SqlDialect::Postgres)
        return PostgresType(column);
    if (dialect == SqlDialect::Sqlite)
        return SqliteType(column);
    std::string out = column.type + SizeSuffix(column);
    if (column.numberFlags & kUnsignedFlag)
        out += " UNSIGNED";
    if (column.numberFlags & kZeroFillFlag)
        out += " ZEROFILL";
    return out;
}

std::string ColumnDefinition(const ColumnDef& column, SqlDialect dialect)
{
    std::string out = column.name + " " + ColumnType(column, dialect) + " ";
    if (!column.nullOption.empty())
        out += column.nullOption + " ";
    if (!column.defaultValue.empty()) {
        out += "DEFAULT ";
        out += IsQuotedType(column.type) ? QuoteLiteral(column.defaultValue, dialect) : column.defaultValue;
        out += " ";
    }
    if (dialect == SqlDialect::MySql)
        return out + column.index + " ";
    if (IsValueListType(column.type))
        out += ValueCheck(column, dialect);
    return out + DialectIndex(column.index) + " ";
}

} // namespace

SqlDialect DialectOfDriver(std::string_view driver)
{
    if (EqualsIgnoringCase(driver, "SQLite"))
        return SqlDialect::Sqlite;
    if (EqualsIgnoringCase(driver, "Pg"))
        return SqlDialect::Postgres;
    return SqlDialect::MySql;
}

std::string BuildCreateTable(const TableDef& table, SqlDialect dialect)
{
    std::string out = "Create Table " + table.name + "(";
    for (size_t i = 0; i < table.columns.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += ColumnDefinition(table.columns[i], dialect);
    }
    return out + ")";
}

std::string BuildDropTable(const TableDef& table)
{
    return "Drop Table " + table.name;
}

} // namespace quillet
