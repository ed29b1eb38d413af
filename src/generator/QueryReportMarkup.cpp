// Writing the report grid as a table and reading it back, and placing it in a template.
#include "generator/QueryReport.h"

#include "html/HtmlNode.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace quillet {

namespace {

// HTML font sizes 1 to 7 in points.
constexpr std::array<int, 7> kFontSizePoints = {8, 10, 12, 14, 18, 24, 36};
// A report is read into a grid the dialog can show; larger tables are cut.
constexpr int kMaxRows = 200;
constexpr int kMaxColumns = 50;

std::optional<int> ReadInt(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    return value;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A face or colour is written into a quoted attribute or a style: the characters
// that would end it are dropped, and blanks at the ends go as the reader drops them.
std::string AttrText(std::string_view value, std::string_view drop = "\"")
{
    std::string out;
    for (char c : value)
        if (drop.find(c) == std::string_view::npos)
            out += c;
    return std::string(Trim(out));
}

void AddAttr(std::string& out, std::string_view name, std::string_view value)
{
    if (std::string text = AttrText(value); !text.empty()) {
        out += ' ';
        out += name;
        out += "=\"";
        out += text;
        out += '"';
    }
}

std::string CellStyle(const ReportFont& font)
{
    std::string style;
    auto add = [&style](std::string_view property, const std::string& value) {
        std::string text = AttrText(value, "\";");
        if (text.empty())
            return;
        if (!style.empty())
            style += "; ";
        style += property;
        style += ':';
        style += text;
    };
    add("font-family", font.face);
    if (font.points > 0)
        add("font-size", std::to_string(font.points) + "pt");
    add("color", font.color);
    return style;
}

// A column's width goes on its first cell that spans no other column; a first row
// of merged cells would otherwise lose the widths.
std::vector<int> WidthRows(const ReportGrid& grid, int rows, int columns)
{
    std::vector<int> widthRows(static_cast<size_t>(columns), -1);
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows && widthRows[static_cast<size_t>(c)] < 0; ++r)
            if (!grid.IsCovered(r, c) && grid.Cell(r, c).colSpan == 1)
                widthRows[static_cast<size_t>(c)] = r;
    return widthRows;
}

void WriteCell(std::string& out, const ReportGrid& grid, int row, int column, bool withWidth)
{
    const ReportCell& cell = grid.Cell(row, column);
    out += "<td";
    if (withWidth && grid.ColumnWidth(column) > 0)
        AddAttr(out, "width", std::to_string(grid.ColumnWidth(column)));
    if (cell.rowSpan > 1)
        AddAttr(out, "rowspan", std::to_string(cell.rowSpan));
    if (cell.colSpan > 1)
        AddAttr(out, "colspan", std::to_string(cell.colSpan));
    if (!cell.background.empty())
        AddAttr(out, "bgcolor", cell.background);
    if (cell.align != HorizontalAlign::Left)
        AddAttr(out, "align", cell.align == HorizontalAlign::Center ? "center" : "right");
    if (cell.valign != VerticalAlign::Top)
        AddAttr(out, "valign", cell.valign == VerticalAlign::Middle ? "middle" : "bottom");
    if (std::string style = CellStyle(cell.font); !style.empty())
        AddAttr(out, "style", style);
    out += '>';
    const std::array<std::pair<bool, const char*>, 4> marks = {
        {{cell.font.bold, "b"}, {cell.font.italic, "i"}, {cell.font.underline, "u"}, {cell.font.strikeOut, "s"}}};
    for (const auto& [on, tag] : marks)
        if (on)
            out += std::string("<") + tag + ">";
    out += cell.text;
    for (auto mark = marks.rbegin(); mark != marks.rend(); ++mark)
        if (mark->first)
            out += std::string("</") + mark->second + ">";
    out += "</td>\n";
}

bool CellIsPlain(const ReportGrid& grid, int row, int column)
{
    return grid.Cell(row, column) == ReportCell{} && !grid.IsCovered(row, column);
}

// The rows and columns worth writing: a larger grid in the dialog leaves empty margins.
std::pair<int, int> UsedSize(const ReportGrid& grid)
{
    int rows = 0;
    int columns = 0;
    for (int r = 0; r < grid.Rows(); ++r)
        for (int c = 0; c < grid.Columns(); ++c)
            if (!CellIsPlain(grid, r, c)) {
                rows = std::max(rows, r + 1);
                columns = std::max(columns, c + 1);
            }
    for (int c = 0; c < grid.Columns(); ++c)
        if (grid.ColumnWidth(c) > 0)
            columns = std::max(columns, c + 1);
    return {std::max(rows, 1), std::max(columns, 1)};
}

} // namespace

std::string WriteReportTable(const ReportGrid& grid)
{
    std::string out = "<table";
    const ReportTableProperties& table = grid.Table();
    if (table.border)
        AddAttr(out, "border", std::to_string(*table.border));
    if (table.cellSpacing)
        AddAttr(out, "cellspacing", std::to_string(*table.cellSpacing));
    if (table.cellPadding)
        AddAttr(out, "cellpadding", std::to_string(*table.cellPadding));
    if (!table.background.empty())
        AddAttr(out, "bgcolor", table.background);
    out += ">\n";
    auto [rows, columns] = UsedSize(grid);
    const std::vector<int> widthRows = WidthRows(grid, rows, columns);
    for (int r = 0; r < rows; ++r) {
        out += "<tr>\n";
        for (int c = 0; c < columns; ++c)
            if (!grid.IsCovered(r, c))
                WriteCell(out, grid, r, c, widthRows[static_cast<size_t>(c)] == r);
        out += "</tr>\n";
    }
    out += "</table>";
    return out;
}

bool IsEmptyReport(const ReportGrid& grid)
{
    return WriteReportTable(grid) == WriteReportTable(ReportGrid(1, 1));
}

namespace {

void ReadStyle(std::string_view style, ReportFont& font)
{
    while (!style.empty()) {
        size_t end = std::min(style.find(';'), style.size());
        std::string_view part = style.substr(0, end);
        style.remove_prefix(std::min(end + 1, style.size()));
        size_t colon = part.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string property = Lower(Trim(part.substr(0, colon)));
        std::string_view value = Trim(part.substr(colon + 1));
        if (property == "font-family")
            font.face = std::string(value);
        else if (property == "font-weight")
            font.bold = EqualsNoCase(value, "bold");
        else if (property == "font-style")
            font.italic = EqualsNoCase(value, "italic");
        else if (property == "font-size" && value.ends_with("pt"))
            font.points = ReadInt(value).value_or(0);
        else if (property == "color")
            font.color = std::string(value);
    }
}

void ReadCellAttrs(const HtmlNode& node, ReportCell& cell)
{
    cell.rowSpan = std::clamp(ReadInt(AttrValue(node, "rowspan")).value_or(1), 1, kMaxSpan);
    cell.colSpan = std::clamp(ReadInt(AttrValue(node, "colspan")).value_or(1), 1, kMaxSpan);
    cell.background = std::string(AttrValue(node, "bgcolor"));
    std::string_view align = AttrValue(node, "align");
    cell.align = EqualsNoCase(align, "center")  ? HorizontalAlign::Center
                 : EqualsNoCase(align, "right") ? HorizontalAlign::Right
                                                : HorizontalAlign::Left;
    std::string_view valign = AttrValue(node, "valign");
    cell.valign = EqualsNoCase(valign, "center") || EqualsNoCase(valign, "middle") ? VerticalAlign::Middle
                  : EqualsNoCase(valign, "bottom")                                 ? VerticalAlign::Bottom
                                                                                   : VerticalAlign::Top;
    ReadStyle(AttrValue(node, "style"), cell.font);
}

// A mark that opens a cell sets the cell's font; later ones are part of its text.
class FontMarks {
public:
    explicit FontMarks(ReportFont& font) : m_font(font) {}

    // True when the node was taken as a font mark or the end of one.
    bool Take(const HtmlNode& node)
    {
        std::string name = Lower(std::string(node.Name()));
        if (name.starts_with('/')) {
            auto open = std::find(m_open.begin(), m_open.end(), name.substr(1));
            if (open == m_open.end())
                return false;
            m_open.erase(open);
            return true;
        }
        if (m_textSeen || !SetFont(name, node)) {
            m_textSeen = m_textSeen || !node.IsText() || !Trim(node.Text()).empty();
            return false;
        }
        m_open.push_back(name);
        return true;
    }

private:
    bool SetFont(const std::string& name, const HtmlNode& node)
    {
        if (name == "font") {
            if (FindAttr(node, "face"))
                m_font.face = std::string(AttrValue(node, "face"));
            if (FindAttr(node, "color"))
                m_font.color = std::string(AttrValue(node, "color"));
            if (auto size = ReadInt(AttrValue(node, "size")); size && *size >= 1 && *size <= 7)
                m_font.points = kFontSizePoints[static_cast<size_t>(*size - 1)];
            return true;
        }
        bool* flag = name == "b" || name == "strong"   ? &m_font.bold
                     : name == "i" || name == "em"     ? &m_font.italic
                     : name == "u"                     ? &m_font.underline
                     : name == "s" || name == "strike" ? &m_font.strikeOut
                                                       : nullptr;
        if (flag)
            *flag = true;
        return flag != nullptr;
    }

    ReportFont& m_font;
    std::vector<std::string> m_open;
    bool m_textSeen = false;
};

class TableReader {
public:
    explicit TableReader(std::string_view markup) : m_page(ParseHtml(markup)) {}

    ReportGrid Read()
    {
        auto node = m_page.begin();
        while (node != m_page.end() && !EqualsNoCase(node->Name(), "table"))
            ++node;
        if (node == m_page.end())
            return ReportGrid(1, 1);
        ReadTableAttrs(*node);
        for (++node; node != m_page.end() && !EqualsNoCase(node->Name(), "/table");) {
            if (EqualsNoCase(node->Name(), "tr")) {
                ++m_row;
                m_column = 0;
            }
            if (NameIn(node->Name(), {"td", "th"}))
                node = ReadCell(node);
            else
                ++node;
        }
        m_grid.Grow(1, 1);
        return std::move(m_grid);
    }

private:
    void ReadTableAttrs(const HtmlNode& node)
    {
        ReportTableProperties& table = m_grid.Table();
        table.border = ReadInt(AttrValue(node, "border"));
        table.cellSpacing = ReadInt(AttrValue(node, "cellspacing"));
        table.cellPadding = ReadInt(AttrValue(node, "cellpadding"));
        table.background = std::string(AttrValue(node, "bgcolor"));
    }

    HtmlIter ReadCell(HtmlIter node)
    {
        const int row = std::max(m_row, 0);
        if (row < kMaxRows)
            while (m_column < kMaxColumns && m_grid.Rows() > row && m_grid.Columns() > m_column &&
                   m_grid.IsCovered(row, m_column))
                ++m_column;
        if (row >= kMaxRows || m_column >= kMaxColumns)
            return ++node;
        ReportCell cell;
        ReadCellAttrs(*node, cell);
        cell.rowSpan = std::min(cell.rowSpan, kMaxRows - row);
        cell.colSpan = std::min(cell.colSpan, kMaxColumns - m_column);
        const int width = cell.colSpan == 1 ? ReadInt(AttrValue(*node, "width")).value_or(0) : 0;
        std::string text;
        int nested = 0;
        FontMarks marks(cell.font);
        for (++node; node != m_page.end(); ++node) {
            std::string_view name = node->Name();
            if (nested == 0 && NameIn(name, {"/td", "/th", "td", "th", "tr", "/tr", "/table"}))
                break;
            // A table left open inside a cell takes the rest of the report into the
            // cell and is closed there: nothing is lost, and what is written reads
            // back the same.
            if (EqualsNoCase(name, "table"))
                ++nested;
            else if (nested > 0 && EqualsNoCase(name, "/table"))
                --nested;
            if (nested > 0 || !marks.Take(*node))
                AppendNodeText(text, *node);
        }
        if (node != m_page.end() && NameIn(node->Name(), {"/td", "/th"}))
            ++node;
        for (; nested > 0; --nested)
            text += "</table>";
        cell.text = std::string(Trim(text));
        Place(row, cell, width);
        return node;
    }

    void Place(int row, ReportCell& cell, int width)
    {
        const int rowSpan = cell.rowSpan;
        const int colSpan = cell.colSpan;
        cell.rowSpan = cell.colSpan = 1;
        m_grid.Grow(row + rowSpan, m_column + colSpan);
        m_grid.Cell(row, m_column) = cell;
        m_grid.SetSpan(row, m_column, rowSpan, colSpan);
        if (width > 0 && m_grid.ColumnWidth(m_column) == 0)
            m_grid.SetColumnWidth(m_column, width);
        m_column += colSpan;
    }

    HtmlPage m_page;
    ReportGrid m_grid{1, 1};
    int m_row = -1;
    int m_column = 0;
};

} // namespace

ReportGrid ReadReportTable(std::string_view tableMarkup)
{
    return TableReader(tableMarkup).Read();
}

} // namespace quillet
