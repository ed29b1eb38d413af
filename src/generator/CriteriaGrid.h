#pragma once

#include "project/Criterion.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Blanks (spaces, tabs, line ends) removed at both ends, as every page cell is read.
std::string TrimCell(std::string_view text);

// The cells of a criteria grid without its headings: one vector of row texts
// per criterion column. Rows past a column's end read as empty.
using GridColumns = std::vector<std::vector<std::string>>;

// Where a criterion starts in its column: the condition grid has one row
// ("Value:") above the first operator, the record criteria grid two ("Table:",
// "Field:"). Operator/value pairs follow, one pair per row of the condition.
struct CriteriaGridShape {
    int leadRows;
};

inline constexpr CriteriaGridShape kConditionGrid{1};
inline constexpr CriteriaGridShape kRecordCriteriaGrid{2};

// A column counts when its last lead row (the expression or field), its first
// operator and its first value are filled; its cells run down to the last row
// that holds text anywhere in the grid, so that cell i of every criterion lies
// on the same row of the condition.
CriteriaList StoreCriteriaGrid(const GridColumns& grid, CriteriaGridShape shape);
// One column per criterion, cells from the top; padded to rows rows.
GridColumns LoadCriteriaGrid(const CriteriaList& criteria, CriteriaGridShape shape, int rows);

inline constexpr std::string_view kSqlOperators[] = {
    "=", "<>", ">", "<", ">=", "<=", "LIKE", "BETWEEN", "AMONG", "IN", "NOT IN"};
inline constexpr std::string_view kPerlOperators[] = {"==", "!=", ">", "<", ">=", "<=", "eq", "ne", "=~"};

} // namespace quillet
