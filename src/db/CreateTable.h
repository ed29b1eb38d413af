#pragma once

#include <string>
#include <string_view>

namespace quillet {

struct TableDef;

enum class SqlDialect { MySql, Sqlite, Postgres };

// "SQLite" and "Pg" (any case) have their own dialect; every other driver gets MySQL's.
SqlDialect DialectOfDriver(std::string_view driver);

// The CREATE TABLE statement of table. For MySQL this is the designed text,
// blanks included; SQLite and PostgreSQL get the same design in a form they
// accept: ENUM and SET become text with a CHECK of the allowed values, no
// UNSIGNED or ZEROFILL, and an integer key they take as a primary key.
std::string BuildCreateTable(const TableDef& table, SqlDialect dialect = SqlDialect::MySql);

std::string BuildDropTable(const TableDef& table);

} // namespace quillet
