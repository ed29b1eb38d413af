#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Prompter;
struct Action;
struct Handler;

// A Select Records action as the report sees it.
struct ReportQuery {
    std::string name;
    std::vector<std::string> columns;
    long rowsPerPage = 0;
};

// What the report designer of one handler's template works with: the handler's
// Select Records actions, the submitted form and the paging images.
struct ReportContext {
    std::vector<ReportQuery> queries;
    // The start tag of the page's form, as it stands in the page ("" when none).
    std::string formTag;
    // Every named field tag of the form in page order, repeats included.
    std::vector<std::string> fieldNames;
    std::vector<std::string> fieldTypes; // parallel to fieldNames, lower case
    // The button of the handler whose template holds the report.
    std::string handlerName;
    std::string imageFolder = "/images/quillet";

    // "Data:" lists the queries, then "FORM".
    int DataObjectCount() const { return static_cast<int>(queries.size()) + 1; }
    bool IsForm(int object) const { return object == static_cast<int>(queries.size()); }
    const ReportQuery* Query(int object) const;
    const ReportQuery* FindQuery(std::string_view name) const;
    // The form's field names in page order, an immediate repeat counted once.
    std::vector<std::string> FormFieldWalk() const;
};

// The handler's queries; the form's fields come from the caller's page.
ReportContext MakeReportContext(const Handler& handler);
// The same for an action list whose handler is unknown (handlerName stays empty).
ReportContext MakeReportContext(const std::vector<Action>& actions);
// Fills formTag and the field lists from the page text, for the form named formName
// (the first form when the name is empty or not found).
void ReadFormForReport(ReportContext& context, std::string_view pageText, std::string_view formName);

struct ReportFont {
    std::string face;
    int points = 0;    // 0: not set
    std::string color; // "#rrggbb" or empty
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const ReportFont&) const = default;
};

enum class HorizontalAlign { Left, Center, Right };
enum class VerticalAlign { Top, Middle, Bottom };

struct ReportCell {
    std::string text;
    int rowSpan = 1;
    int colSpan = 1;
    std::string background; // "#rrggbb" or empty
    HorizontalAlign align = HorizontalAlign::Left;
    VerticalAlign valign = VerticalAlign::Top;
    ReportFont font;

    bool operator==(const ReportCell&) const = default;
};

struct ReportTableProperties {
    std::optional<int> border;
    std::optional<int> cellSpacing;
    std::optional<int> cellPadding;
    std::string background; // "#rrggbb" or empty

    bool operator==(const ReportTableProperties&) const = default;
};

// A block of grid cells, corners included.
struct CellRange {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
};

enum class Direction { Across, Down };
// Merged cells reach this far at most.
constexpr int kMaxSpan = 50;
enum class PagingLink { First, Previous, Next, Last };

// The grid of the "Query Report" dialog. A merged cell is stored at its top-left
// corner; the cells it covers stay in the grid but are not written.
class ReportGrid {
public:
    ReportGrid() = default;
    ReportGrid(int rows, int columns) { Resize(rows, columns); }

    int Rows() const { return static_cast<int>(m_cells.size()); }
    int Columns() const { return m_columns; }
    // Grows or shrinks; never below one row and one column.
    void Resize(int rows, int columns);
    void Grow(int rows, int columns);

    ReportCell& Cell(int row, int column) { return m_cells.at(row).at(column); }
    const ReportCell& Cell(int row, int column) const { return m_cells.at(row).at(column); }
    // The top-left corner of the merged cell covering (row, column), itself when none.
    std::pair<int, int> Anchor(int row, int column) const;
    bool IsCovered(int row, int column) const { return Anchor(row, column) != std::make_pair(row, column); }
    // Merges the range into its top-left cell; a span of 1x1 splits it again.
    void SetSpan(int row, int column, int rowSpan, int colSpan);

    int ColumnWidth(int column) const { return m_widths.at(column); }
    void SetColumnWidth(int column, int width) { m_widths.at(column) = width; }

    ReportTableProperties& Table() { return m_table; }
    const ReportTableProperties& Table() const { return m_table; }

    bool operator==(const ReportGrid&) const = default;

private:
    std::vector<std::vector<ReportCell>> m_cells;
    std::vector<int> m_widths;
    int m_columns = 0;
    ReportTableProperties m_table;
};

// The editor commands. Each returns false, after showing why, when the data
// object does not allow it; object is the index in the "Data:" list or -1.
bool InsertValues(ReportGrid& grid, const ReportContext& context, int object, int row, int column, Direction direction,
                  Prompter& prompter);
bool InsertNames(ReportGrid& grid, const ReportContext& context, int object, int row, int column, Direction direction,
                 Prompter& prompter);
bool InsertIndex(ReportGrid& grid, const ReportContext& context, int object, int row, int column, Direction direction,
                 Prompter& prompter);
bool InsertPagingLink(ReportGrid& grid, const ReportContext& context, int object, int row, int column, PagingLink link,
                      Prompter& prompter);
// Copies the block beside itself; returns the range of the copy.
CellRange RepeatCells(ReportGrid& grid, const ReportContext& context, const CellRange& block, Direction direction);
// The text with every row number after "->{rows}[" or "->{index}[" raised by one,
// capped at the action's last row; numbers of unknown actions stay.
std::string RaiseRowNumbers(std::string_view text, const ReportContext& context);
std::string PagingLinkMarkup(const ReportContext& context, const ReportQuery& query, PagingLink link);

// The report table as TABLE, TR and TD markup, and back.
std::string WriteReportTable(const ReportGrid& grid);
// No text, style, span, width or table property anywhere.
bool IsEmptyReport(const ReportGrid& grid);
ReportGrid ReadReportTable(std::string_view tableMarkup);

// Byte offsets of the report in a template.
struct ReportLocation {
    size_t spanStart = 0;
    size_t spanEnd = 0;    // just past the SPAN end tag
    size_t tableStart = 0; // where the table starts, or the insertion point when none
    size_t tableEnd = 0;   // just past "</table>", equal to tableStart when none
};
std::optional<ReportLocation> FindReport(std::string_view templateText);
// The grid of the template's report; an empty 1x1 grid when it has none.
ReportGrid LoadReport(std::string_view templateText);
// The hidden form that lets paging links submit the request again.
std::string BuildPagingForm(const ReportContext& context);
// Writes the grid into the template's report container, creating the container at
// caret (moved past a tag it falls into) when there is none; a report with paging
// links gets the paging form after the container, replacing an earlier one. False,
// with the text unchanged, when a construct left open swallows the container.
bool StoreReport(std::string& templateText, size_t caret, const ReportGrid& grid, const ReportContext& context);

} // namespace quillet
