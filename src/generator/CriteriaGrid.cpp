#include "generator/CriteriaGrid.h"

#include <algorithm>

namespace quillet {

namespace {

const std::string& Cell(const GridColumns& grid, size_t column, size_t row)
{
    static const std::string empty;
    if (column >= grid.size() || row >= grid[column].size())
        return empty;
    return grid[column][row];
}

// One past the last row holding non-blank text in any column.
size_t UsedRows(const GridColumns& grid)
{
    size_t used = 0;
    for (const auto& column : grid)
        for (size_t row = column.size(); row > used; --row)
            if (!TrimCell(column[row - 1]).empty()) {
                used = row;
                break;
            }
    return used;
}

} // namespace

std::string TrimCell(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

CriteriaList StoreCriteriaGrid(const GridColumns& grid, CriteriaGridShape shape)
{
    const size_t lead = static_cast<size_t>(shape.leadRows);
    const size_t used = UsedRows(grid);
    CriteriaList criteria;
    for (size_t column = 0; column < grid.size(); ++column) {
        Criterion criterion;
        criterion.column = TrimCell(Cell(grid, column, lead - 1));
        if (lead > 1)
            criterion.table = TrimCell(Cell(grid, column, 0));
        if (criterion.column.empty() || TrimCell(Cell(grid, column, lead)).empty() ||
            TrimCell(Cell(grid, column, lead + 1)).empty())
            continue;
        for (size_t row = lead; row < std::max(used, lead + 2); row += 2)
            criterion.cells.push_back({TrimCell(Cell(grid, column, row)), TrimCell(Cell(grid, column, row + 1))});
        criteria.push_back(std::move(criterion));
    }
    return criteria;
}

GridColumns LoadCriteriaGrid(const CriteriaList& criteria, CriteriaGridShape shape, int rows)
{
    GridColumns grid;
    for (const Criterion& criterion : criteria) {
        std::vector<std::string> column;
        if (shape.leadRows > 1)
            column.push_back(criterion.table);
        column.push_back(criterion.column);
        for (const OrCell& cell : criterion.cells) {
            column.push_back(cell.op);
            column.push_back(cell.value);
        }
        column.resize(std::max(column.size(), static_cast<size_t>(std::max(rows, 0))));
        grid.push_back(std::move(column));
    }
    return grid;
}

} // namespace quillet
