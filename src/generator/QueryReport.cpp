#include "generator/QueryReport.h"

#include "html/HtmlText.h"
#include "project/Action.h"
#include "project/Messages.h"
#include "project/Prompter.h"

#include <algorithm>
#include <cctype>

namespace quillet {

namespace {

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

void CollectQueries(const ActionList& actions, std::vector<ReportQuery>& queries)
{
    for (const Action& action : actions) {
        if (action.type == ActionType::SelectRecords) {
            const auto* record = std::get_if<RecordAction>(&action.body);
            ReportQuery query{action.name, {}, record ? record->rowsPerPage : 0};
            if (record)
                for (const ActionColumn& column : record->columns)
                    if (!column.columnName.empty())
                        query.columns.push_back(column.columnName);
            queries.push_back(std::move(query));
        } else if (const auto* condition = std::get_if<ConditionAction>(&action.body)) {
            CollectQueries(condition->actions, queries);
        }
    }
}

// The cells a walk from (row, column) visits for count values.
template <typename Fill>
void Walk(ReportGrid& grid, int row, int column, Direction direction, int count, Fill fill)
{
    if (count <= 0)
        return;
    if (direction == Direction::Across)
        grid.Grow(row + 1, column + count);
    else
        grid.Grow(row + count, column + 1);
    for (int i = 0; i < count; ++i) {
        const int r = direction == Direction::Down ? row + i : row;
        const int c = direction == Direction::Across ? column + i : column;
        auto [ar, ac] = grid.Anchor(r, c);
        grid.Cell(ar, ac).text = fill(i);
    }
}

// The page may spell the name with character references; the form sends it decoded.
std::string FormValuesExpression(const std::string& field)
{
    return "@{$FORM{'" + DecodeEntities(field) + "'}}";
}

} // namespace

const ReportQuery* ReportContext::Query(int object) const
{
    return object >= 0 && object < static_cast<int>(queries.size()) ? &queries[static_cast<size_t>(object)] : nullptr;
}

const ReportQuery* ReportContext::FindQuery(std::string_view name) const
{
    for (const ReportQuery& query : queries)
        if (query.name == name)
            return &query;
    return nullptr;
}

std::vector<std::string> ReportContext::FormFieldWalk() const
{
    std::vector<std::string> walk;
    for (const std::string& name : fieldNames)
        if (walk.empty() || walk.back() != name)
            walk.push_back(name);
    return walk;
}

ReportContext MakeReportContext(const Handler& handler)
{
    ReportContext context;
    context.handlerName = handler.name;
    CollectQueries(handler.actions, context.queries);
    return context;
}

ReportContext MakeReportContext(const ActionList& actions)
{
    ReportContext context;
    CollectQueries(actions, context.queries);
    return context;
}

void ReportGrid::Resize(int rows, int columns)
{
    rows = std::max(rows, 1);
    columns = std::max(columns, 1);
    m_cells.resize(static_cast<size_t>(rows));
    for (auto& cells : m_cells)
        cells.resize(static_cast<size_t>(columns));
    m_widths.resize(static_cast<size_t>(columns));
    m_columns = columns;
}

void ReportGrid::Grow(int rows, int columns)
{
    Resize(std::max(rows, Rows()), std::max(columns, Columns()));
}

std::pair<int, int> ReportGrid::Anchor(int row, int column) const
{
    for (int r = row; r >= 0 && r > row - kMaxSpan; --r)
        for (int c = column; c >= 0 && c > column - kMaxSpan; --c) {
            const ReportCell& cell = Cell(r, c);
            if ((r != row || c != column) && r + cell.rowSpan > row && c + cell.colSpan > column)
                return {r, c};
        }
    return {row, column};
}

void ReportGrid::SetSpan(int row, int column, int rowSpan, int colSpan)
{
    rowSpan = std::clamp(rowSpan, 1, kMaxSpan);
    colSpan = std::clamp(colSpan, 1, kMaxSpan);
    Grow(row + rowSpan, column + colSpan);
    ReportCell& cell = Cell(row, column);
    cell.rowSpan = rowSpan;
    cell.colSpan = colSpan;
    // Spans of cells now covered would claim cells twice.
    for (int r = row; r < row + cell.rowSpan; ++r)
        for (int c = column; c < column + cell.colSpan; ++c)
            if (r != row || c != column)
                Cell(r, c).rowSpan = Cell(r, c).colSpan = 1;
}

bool InsertValues(ReportGrid& grid, const ReportContext& context, int object, int row, int column, Direction direction,
                  Prompter& prompter)
{
    if (context.IsForm(object)) {
        std::vector<std::string> fields = context.FormFieldWalk();
        Walk(grid, row, column, direction, static_cast<int>(fields.size()),
             [&](int i) { return FormValuesExpression(fields[static_cast<size_t>(i)]); });
        return true;
    }
    const ReportQuery* query = context.Query(object);
    if (!query) {
        prompter.Show(FormatMessage(Msg::SelectDataObject));
        return false;
    }
    Walk(grid, row, column, direction, static_cast<int>(query->columns.size()),
         [&](int i) { return "$" + query->name + "->{rows}[0]{'" + query->columns[static_cast<size_t>(i)] + "'}"; });
    return true;
}

bool InsertNames(ReportGrid& grid, const ReportContext& context, int object, int row, int column, Direction direction,
                 Prompter& prompter)
{
    std::vector<std::string> names;
    if (context.IsForm(object))
        names = context.FormFieldWalk();
    else if (const ReportQuery* query = context.Query(object))
        names = query->columns;
    else {
        prompter.Show(FormatMessage(Msg::SelectDataObject));
        return false;
    }
    Walk(grid, row, column, direction, static_cast<int>(names.size()),
         [&](int i) { return names[static_cast<size_t>(i)]; });
    return true;
}

bool InsertIndex(ReportGrid& grid, const ReportContext& context, int object, int row, int column, Direction direction,
                 Prompter& prompter)
{
    const ReportQuery* query = context.Query(object);
    if (!query) {
        prompter.Show(FormatMessage(Msg::SelectQueryAction));
        return false;
    }
    Walk(grid, row, column, direction, static_cast<int>(std::clamp(query->rowsPerPage, 0L, 10000L)),
         [&](int i) { return "$" + query->name + "->{index}[" + std::to_string(i) + "]"; });
    return true;
}

std::string PagingLinkMarkup(const ReportContext& context, const ReportQuery& query, PagingLink link)
{
    struct LinkText {
        const char* key;
        const char* image;
        const char* text;
    };
    static constexpr LinkText kLinks[] = {{"first", "first.gif", "First"},
                                          {"prev", "prev.gif", "Previous"},
                                          {"next", "next.gif", "Next"},
                                          {"last", "last.gif", "Last"}};
    const LinkText& chosen = kLinks[static_cast<int>(link)];
    std::string folder = context.imageFolder;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return "<a href=# onClick=\"document.mCache." + query.name + "_from.value='$" + query.name + "->{" + chosen.key +
           "}'; this.href='JavaScript:document.mCache.submit()'\"><image src=\"" + folder + chosen.image +
           "\" border = 0> " + chosen.text + "</a>";
}

bool InsertPagingLink(ReportGrid& grid, const ReportContext& context, int object, int row, int column, PagingLink link,
                      Prompter& prompter)
{
    const ReportQuery* query = context.Query(object);
    if (!query) {
        prompter.Show(FormatMessage(Msg::SelectQueryAction));
        return false;
    }
    grid.Grow(row + 1, column + 1);
    auto [ar, ac] = grid.Anchor(row, column);
    grid.Cell(ar, ac).text = PagingLinkMarkup(context, *query, link);
    return true;
}

std::string RaiseRowNumbers(std::string_view text, const ReportContext& context)
{
    static constexpr std::string_view kMarks[] = {"->{rows}[", "->{index}["};
    std::string out;
    size_t done = 0;
    for (size_t pos = 0; pos < text.size(); ++pos) {
        std::string_view mark;
        for (std::string_view candidate : kMarks)
            if (text.substr(pos, candidate.size()) == candidate)
                mark = candidate;
        if (mark.empty())
            continue;
        size_t nameStart = pos;
        while (nameStart > 0 && IsWordChar(text[nameStart - 1]))
            --nameStart;
        const ReportQuery* query = context.FindQuery(text.substr(nameStart, pos - nameStart));
        size_t digits = pos + mark.size();
        size_t digitsEnd = digits;
        while (digitsEnd < text.size() && digitsEnd - digits < 9 &&
               std::isdigit(static_cast<unsigned char>(text[digitsEnd])))
            ++digitsEnd;
        if (!query || nameStart == 0 || text[nameStart - 1] != '$' || digitsEnd == digits)
            continue;
        const long number = std::stol(std::string(text.substr(digits, digitsEnd - digits)));
        const long raised = std::max(std::min(number + 1, query->rowsPerPage - 1), number);
        out.append(text.substr(done, digits - done));
        out += std::to_string(raised);
        done = digitsEnd;
        pos = digitsEnd - 1;
    }
    out.append(text.substr(done));
    return out;
}

CellRange RepeatCells(ReportGrid& grid, const ReportContext& context, const CellRange& block, Direction direction)
{
    const int height = block.bottom - block.top + 1;
    const int width = block.right - block.left + 1;
    const int rowShift = direction == Direction::Down ? height : 0;
    const int columnShift = direction == Direction::Across ? width : 0;
    grid.Grow(block.bottom + 1 + rowShift, block.right + 1 + columnShift);
    for (int r = block.top; r <= block.bottom; ++r)
        for (int c = block.left; c <= block.right; ++c) {
            ReportCell copy = grid.Cell(r, c);
            copy.text = RaiseRowNumbers(copy.text, context);
            grid.Cell(r + rowShift, c + columnShift) = std::move(copy);
        }
    for (int c = block.left; c <= block.right && columnShift; ++c)
        grid.SetColumnWidth(c + columnShift, grid.ColumnWidth(c));
    return {block.top + rowShift, block.left + columnShift, block.bottom + rowShift, block.right + columnShift};
}

} // namespace quillet
