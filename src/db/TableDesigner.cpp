#include "db/TableDesigner.h"

#include "db/ColumnTypes.h"
#include "project/Messages.h"
#include "project/Prompter.h"

#include <algorithm>
#include <cctype>

namespace quillet {

namespace {

std::string Trimmed(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return "";
    return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

// Reads the leading decimal digits; none leaves value as it was.
bool ReadDecimal(const std::string& text, long& value)
{
    size_t digits = 0;
    while (digits < text.size() && digits < 9 && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    if (digits == 0)
        return false;
    value = std::stol(text.substr(0, digits));
    return true;
}

bool SelectsSecondTab(std::string_view type)
{
    const ColumnTypeInfo* info = ColumnTypeByName(type);
    return IsValueListType(type) || (info && info->IsNumeric());
}

} // namespace

DataSource& AddDataSource(DataSourceList& list)
{
    DataSource& added = list.emplace_back();
    added.name = "Database1";
    return added;
}

TableDef& AddTable(DataSource& dataSource)
{
    for (int n = 1;; ++n) {
        std::string name = "Table" + std::to_string(n);
        auto taken = [&](const TableDef& t) { return t.name == name; };
        if (std::none_of(dataSource.tables.begin(), dataSource.tables.end(), taken)) {
            TableDef& table = dataSource.tables.emplace_back();
            table.name = name;
            return table;
        }
    }
}

void DetailPanes::AddValue(const std::string& text)
{
    if (pickedValue >= 0 && pickedValue < static_cast<int>(values.size()))
        values.insert(values.begin() + pickedValue, text);
    else
        values.push_back(text);
}

void DetailPanes::DeleteValue()
{
    if (pickedValue >= 0 && pickedValue < static_cast<int>(values.size()))
        values.erase(values.begin() + pickedValue);
    pickedValue = -1;
}

bool DetailPanes::AcceptDecimals(const std::string& text, int& decimals, Prompter& prompter)
{
    std::string trimmed = Trimmed(text);
    bool digitsOnly = !trimmed.empty() && trimmed.size() <= 3 &&
                      std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digitsOnly || std::stoi(trimmed) > 53) {
        prompter.Show(FormatMessage(Msg::IntegerBetween, {"0", "53"}));
        return false;
    }
    decimals = std::stoi(trimmed);
    return true;
}

DetailPanes BuildDetailPanes(const ColumnDef& column)
{
    DetailPanes panes;
    panes.defaultLabel = "Default value for '" + column.name + "'";
    panes.defaultText = column.defaultValue;
    panes.secondTitle = column.type;
    const ColumnTypeInfo* info = FindColumnType(column.type);
    if (IsValueListType(column.type)) {
        panes.second = DetailPanes::Second::ValueList;
        for (const ColumnValue& value : column.values)
            panes.values.push_back(value.text);
    } else if (info && info->IsNumeric()) {
        panes.second = DetailPanes::Second::NumberFormat;
        panes.precisionAllowed = info->AllowsPrecision();
        panes.unsignedNumber = column.numberFlags & kUnsignedFlag;
        panes.zeroFill = column.numberFlags & kZeroFillFlag;
        panes.precision = panes.precisionAllowed && (column.numberFlags & kPrecisionFlag);
        panes.displayWidth = column.length;
        panes.decimals = column.decimals;
    }
    return panes;
}

void SaveDetailPanes(const DetailPanes& panes, ColumnDef& column)
{
    column.defaultValue = panes.defaultText;
    if (panes.second == DetailPanes::Second::ValueList) {
        column.values.clear();
        for (const std::string& value : panes.values)
            column.values.push_back({value});
    } else if (panes.second == DetailPanes::Second::NumberFormat) {
        column.numberFlags = (panes.precision ? kPrecisionFlag : 0) | (panes.zeroFill ? kZeroFillFlag : 0) |
                             (panes.unsignedNumber ? kUnsignedFlag : 0);
        column.length = panes.displayWidth;
        column.decimals = panes.decimals;
    }
}

TableGrid::TableGrid(const TableDef& table) : m_rows(kDataRows + 1)
{
    for (size_t i = 0; i < table.columns.size() && i < kDataRows; ++i) {
        m_rows[i + 1].column = table.columns[i];
        FillRow(m_rows[i + 1]);
    }
}

void TableGrid::FillRow(Row& row)
{
    const ColumnDef& column = *row.column;
    row.cells = {column.name, column.type, column.length ? std::to_string(column.length) : "", column.nullOption,
                 column.index};
    // A type outside the catalogue leaves the size cell as it was.
    if (const ColumnTypeInfo* info = FindColumnType(column.type))
        row.sizeReadOnly = !info->TakesSize();
}

void TableGrid::RebuildPanes(int row)
{
    m_panes = m_rows.at(row).column ? BuildDetailPanes(*m_rows[row].column) : DetailPanes();
}

void TableGrid::StorePanes()
{
    if (m_focusRow > 0 && m_rows[m_focusRow].column) {
        SaveDetailPanes(m_panes, *m_rows[m_focusRow].column);
        FillRow(m_rows[m_focusRow]);
    }
}

void TableGrid::EditCell(int row, Column column, const std::string& text, Prompter& prompter)
{
    Row& r = m_rows.at(row);
    std::string value = Trimmed(text);
    // Pane edits not yet stored would be lost when the panes are rebuilt below.
    StorePanes();
    if (column == FieldName && value.empty()) {
        if (r.column)
            r = Row();
        return;
    }
    if (column != FieldName && !r.column) {
        r.cells[column].clear();
        prompter.Show(std::string(MessageText(Msg::EnterFieldNameFirst)));
        return;
    }
    if (!r.column)
        r.column = ColumnDef();
    ColumnDef& def = *r.column;
    if (column == FieldName) {
        def.name = value;
    } else if (column == DataType) {
        if (const ColumnTypeInfo* info = FindColumnType(value)) {
            if (!info->TakesSize())
                def.length = 0;
        }
        def.type = value;
    } else if (column == FieldSize) {
        ReadDecimal(value, def.length);
    } else if (column == NullOption) {
        def.nullOption = value;
    } else {
        def.index = value;
    }
    FillRow(r);
    m_focusRow = row;
    m_panes = BuildDetailPanes(def);
    m_panes.selectedTab = SelectsSecondTab(def.type) ? 1 : 0;
}

void TableGrid::Focus(int row, Column column)
{
    StorePanes();
    if (row != m_focusRow)
        RebuildPanes(row);
    m_focusRow = row;
    const std::string& type = m_rows.at(row).cells[DataType];
    if (column == DataType && (type == "ENUM" || type == "SET"))
        m_panes.selectedTab = 1;
}

void TableGrid::Save(TableDef& table)
{
    StorePanes();
    table.columns.clear();
    for (const Row& row : m_rows)
        if (row.column)
            table.columns.push_back(*row.column);
}

} // namespace quillet
