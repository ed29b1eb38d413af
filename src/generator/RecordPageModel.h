#pragma once

#include "project/Action.h"
#include "project/DataSource.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// One row of the column grid of the query page: Table, Field and the third
// cell (Function for Select Records, Value for Update Records, unused for Delete).
using ColumnGridRow = std::array<std::string, 3>;
// One row of the insert grid: Field and Value.
using InsertGridRow = std::array<std::string, 2>;

inline constexpr std::string_view kSelectFunctions[] = {
    "AVG", "COUNT", "MAX", "MIN", "SUM", "Group By", "Order By [ASC]", "Order By [DESC]"};
inline constexpr int kInsertGridRows = 999;
inline constexpr long kDefaultRowsPerPage = 10;

// The labels of the query page for a record action kind (Delete, Update, Select).
struct QueryPageLabels {
    std::string_view title;
    std::string_view dataSource;
    std::string_view columnGrid;
    std::string_view criteria;
    int gridColumns;
};
QueryPageLabels QueryLabels(ActionType type);

// Blank rows and rows without a table are skipped, wherever they are.
std::vector<ActionColumn> StoreColumnGrid(ActionType type, const std::vector<ColumnGridRow>& rows);
std::vector<ColumnGridRow> LoadColumnGrid(ActionType type, const std::vector<ActionColumn>& columns);

// Without field choices (no table chosen) nothing is stored: the caller keeps
// the old columns. Rows naming no field of the table are dropped.
std::optional<std::vector<ActionColumn>> StoreInsertGrid(const std::vector<std::string>& fieldChoices,
                                                         const std::vector<InsertGridRow>& rows);
// rowCount rows, the stored columns first, the rest empty.
std::vector<InsertGridRow> LoadInsertGrid(const std::vector<ActionColumn>& columns, int rowCount);
// Gives every row whose field has a form field of the same name the reference
// to it; true when a row changed.
bool BindFormFields(std::vector<InsertGridRow>& rows, const std::vector<std::string>& valueChoices);

std::vector<std::string> DataSourceNames(const DataSourceList& sources);
std::vector<std::string> TableNames(const DataSourceList& sources, std::string_view dataSource);
std::vector<std::string> FieldNames(const DataSourceList& sources, std::string_view dataSource, std::string_view table);

// A fresh record action keeps a page size of 10 for Select Records.
void PrepareNewRecordAction(Action& action);

} // namespace quillet
