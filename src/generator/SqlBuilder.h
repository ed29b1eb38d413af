#pragma once

#include "project/Criterion.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct Action;
struct RecordAction;

// The SQL text of a record action, as the generated script writes it inside a
// Perl double-quoted string: values are spliced in through the data source's
// DBI quote method at run time. Nothing for an action that is not a record action.
//
// The text is valid for MySQL/MariaDB, SQLite and PostgreSQL alike: "INSERT INTO",
// SET columns qualified only when the statement names several tables, and the
// word operators written with blanks and the value syntax that all three accept.
// An Update or Delete over several tables is MySQL's alone; a build refuses it elsewhere.
// A value is Perl only when PerlValue says so; any other value is stored as typed.
std::optional<std::string> BuildSqlStatement(const Action& action);

// The tables the statement names, in order of first appearance: those of the
// column rows, else the action's own.
std::vector<std::string_view> RecordTables(const RecordAction& record);

// Appends the condition of the criteria grid to text and returns it: each row
// the conjunction of its filled cells, the grid the disjunction of its rows.
// SQL mode splices values through dataSource's quote method; Perl mode (the
// condition of a Conditional Statement) puts them in single quotes.
std::string& BuildCriteriaExpression(const CriteriaList& criteria, std::string& text, bool perlMode,
                                     std::string_view dataSource);

// Column types whose values need quotes: CHAR, VARCHAR, the BLOB and TEXT types, BINARY, VARBINARY.
bool IsStringColumnType(std::string_view type);

// Optional leading white space, at least one digit, at most one decimal point, nothing else.
bool IsPlainNumber(std::string_view value);

} // namespace quillet
