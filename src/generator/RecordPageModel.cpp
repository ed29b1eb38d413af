#include "generator/RecordPageModel.h"

#include "generator/CriteriaGrid.h"
#include "html/TemplateVariables.h"

#include <algorithm>

namespace quillet {

QueryPageLabels QueryLabels(ActionType type)
{
    switch (type) {
    case ActionType::DeleteRecords:
        return {"Delete Records", "Delete From Data Source:", "Tables to Delete From:", "Criteria for Deletion:", 1};
    case ActionType::UpdateRecords:
        return {"Update Records", "Select From Data Source:", "Fields to Update:", "Criteria for Updating:", 3};
    default:
        return {"Select Records", "Select From Data Source:", "Fields to Display:", "Criteria for Selection:", 3};
    }
}

std::vector<ActionColumn> StoreColumnGrid(ActionType type, const std::vector<ColumnGridRow>& rows)
{
    std::vector<ActionColumn> columns;
    for (const ColumnGridRow& row : rows) {
        ActionColumn column;
        column.tableName = TrimCell(row[0]);
        if (column.tableName.empty())
            continue;
        if (type != ActionType::DeleteRecords)
            column.columnName = TrimCell(row[1]);
        if (type == ActionType::SelectRecords)
            column.function = TrimCell(row[2]);
        else if (type == ActionType::UpdateRecords)
            column.value = TrimCell(row[2]);
        columns.push_back(std::move(column));
    }
    return columns;
}

std::vector<ColumnGridRow> LoadColumnGrid(ActionType type, const std::vector<ActionColumn>& columns)
{
    std::vector<ColumnGridRow> rows;
    for (const ActionColumn& column : columns) {
        std::string third = type == ActionType::SelectRecords   ? column.function
                            : type == ActionType::UpdateRecords ? column.value
                                                                : std::string();
        rows.push_back({column.tableName, type == ActionType::DeleteRecords ? std::string() : column.columnName,
                        std::move(third)});
    }
    return rows;
}

std::optional<std::vector<ActionColumn>> StoreInsertGrid(const std::vector<std::string>& fieldChoices,
                                                         const std::vector<InsertGridRow>& rows)
{
    if (fieldChoices.empty())
        return std::nullopt;
    std::vector<ActionColumn> columns;
    for (const InsertGridRow& row : rows) {
        std::string field = TrimCell(row[0]);
        if (std::find(fieldChoices.begin(), fieldChoices.end(), field) == fieldChoices.end())
            continue;
        ActionColumn column;
        column.columnName = std::move(field);
        column.value = TrimCell(row[1]);
        columns.push_back(std::move(column));
    }
    return columns;
}

std::vector<InsertGridRow> LoadInsertGrid(const std::vector<ActionColumn>& columns, int rowCount)
{
    std::vector<InsertGridRow> rows(static_cast<size_t>(std::max(rowCount, 0)));
    for (size_t i = 0; i < columns.size() && i < rows.size(); ++i)
        rows[i] = {columns[i].columnName, columns[i].value};
    return rows;
}

bool BindFormFields(std::vector<InsertGridRow>& rows, const std::vector<std::string>& valueChoices)
{
    bool changed = false;
    for (InsertGridRow& row : rows) {
        std::string field = TrimCell(row[0]);
        if (field.empty())
            continue;
        std::string reference = FormValueVariable(field);
        if (std::find(valueChoices.begin(), valueChoices.end(), reference) == valueChoices.end() || row[1] == reference)
            continue;
        row[1] = std::move(reference);
        changed = true;
    }
    return changed;
}

std::vector<std::string> DataSourceNames(const DataSourceList& sources)
{
    std::vector<std::string> names;
    for (const DataSource& source : sources)
        names.push_back(source.name);
    return names;
}

std::vector<std::string> TableNames(const DataSourceList& sources, std::string_view dataSource)
{
    std::vector<std::string> names;
    for (const DataSource& source : sources)
        if (source.name == dataSource)
            for (const TableDef& table : source.tables)
                names.push_back(table.name);
    return names;
}

std::vector<std::string> FieldNames(const DataSourceList& sources, std::string_view dataSource, std::string_view table)
{
    std::vector<std::string> names;
    for (const DataSource& source : sources)
        if (source.name == dataSource)
            if (const TableDef* found = source.FindTable(table))
                for (const ColumnDef& column : found->columns)
                    names.push_back(column.name);
    return names;
}

void PrepareNewRecordAction(Action& action)
{
    if (action.type == ActionType::SelectRecords && action.Record().rowsPerPage == 0 &&
        action.Record().columns.empty() && action.Record().dataSource.empty())
        action.Record().rowsPerPage = kDefaultRowsPerPage;
}

} // namespace quillet
