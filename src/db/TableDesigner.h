#pragma once

#include "project/DataSource.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

class Prompter;

// "Add Database": a data source labelled "Database1" at the end of the list, whatever exists.
DataSource& AddDataSource(DataSourceList& list);
// "Add Table": the first of "Table1", "Table2", ... that no table of the data
// source bears (compared case-sensitively), appended at the end.
TableDef& AddTable(DataSource& dataSource);

// The detail tabs under the grid for one column: the default value, and for
// ENUM/SET the value list or for numeric types the number format.
struct DetailPanes {
    enum class Second { None, ValueList, NumberFormat };

    std::string defaultLabel; // "Default value for 'name'"
    std::string defaultText;
    Second second = Second::None;
    std::string secondTitle; // the column's type text
    std::vector<std::string> values;
    int pickedValue = -1;
    bool unsignedNumber = false;
    bool zeroFill = false;
    bool precision = false;
    bool precisionAllowed = true; // cleared for INTNUMBER types
    long displayWidth = 0;
    int decimals = 0;
    int selectedTab = 0;

    // "Add Value": before the entry last picked, or at the end.
    void AddValue(const std::string& text);
    void DeleteValue();
    // The "Number of Decimals" check: an integer from 0 to 53, else the message.
    static bool AcceptDecimals(const std::string& text, int& decimals, Prompter& prompter);
};

DetailPanes BuildDetailPanes(const ColumnDef& column);
void SaveDetailPanes(const DetailPanes& panes, ColumnDef& column);

// The column grid of the table designer without its widgets: 998 data rows
// under the heading row, each row bound to a column or not.
class TableGrid {
public:
    enum Column { FieldName = 0, DataType, FieldSize, NullOption, Index, ColumnCount };
    static constexpr int kDataRows = 998;
    static constexpr std::array<const char*, ColumnCount> kHeadings = {"Field Name", "Data Type", "Field Size", " ",
                                                                       "Index"};

    explicit TableGrid(const TableDef& table);

    const std::string& Cell(int row, Column column) const { return m_rows.at(row).cells[column]; }
    bool SizeReadOnly(int row) const { return m_rows.at(row).sizeReadOnly; }
    bool IsBound(int row) const { return m_rows.at(row).column.has_value(); }
    const DetailPanes& Panes() const { return m_panes; }
    DetailPanes& Panes() { return m_panes; }

    // The end of a cell edit; text is trimmed first. Shows "Please enter the
    // field name first" for a cell of a row that has no column yet.
    void EditCell(int row, Column column, const std::string& text, Prompter& prompter);
    // Focus moves to (row, column): the panes go into the column left, and
    // are rebuilt for the new row.
    void Focus(int row, Column column);
    // Into the table: the panes first, then the columns of the bound rows in row order.
    void Save(TableDef& table);

private:
    struct Row {
        std::array<std::string, ColumnCount> cells;
        bool sizeReadOnly = false;
        std::optional<ColumnDef> column;
    };
    void FillRow(Row& row);
    void RebuildPanes(int row);
    void StorePanes();

    std::vector<Row> m_rows;
    int m_focusRow = -1;
    DetailPanes m_panes;
};

} // namespace quillet
