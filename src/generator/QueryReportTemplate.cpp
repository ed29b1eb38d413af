// The report's place in a response template: its container, its table and the paging form.
#include "generator/QueryReport.h"

#include "html/HtmlNode.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"

#include <algorithm>

namespace quillet {

namespace {

constexpr std::string_view kContainerName = "QUILLET_QUERY_REPORT";
constexpr std::string_view kPagingFormName = "mCache";

size_t Offset(const HtmlPage& page, const HtmlNode& node)
{
    return static_cast<size_t>(node.Source().data() - page.front().Source().data());
}

size_t EndOffset(const HtmlPage& page, const HtmlNode& node)
{
    return Offset(page, node) + node.Source().size();
}

HtmlIter FindNamed(HtmlPage& page, std::string_view tag, std::string_view name)
{
    for (auto node = page.begin(); node != page.end(); ++node)
        if (EqualsNoCase(node->Name(), tag) && EqualsNoCase(AttrValue(*node, "name"), name))
            return node;
    return page.end();
}

// The byte range of an element from its start tag through its end tag.
std::optional<std::pair<size_t, size_t>> ElementRange(HtmlPage& page, HtmlIter start)
{
    if (start == page.end())
        return std::nullopt;
    HtmlIter end = FindMatchingTag(page, start);
    return std::make_pair(Offset(page, *start), end == page.end() ? EndOffset(page, *start) : EndOffset(page, *end));
}

std::string HiddenInput(std::string_view name, std::string_view value)
{
    return "<input name=\"" + std::string(name) + "\" type=\"hidden\" value=\"" + std::string(value) + "\">\n";
}

std::string FieldInput(const std::string& name, size_t index)
{
    return HiddenInput(name, "$FORM{'" + name + "'}[" + std::to_string(index) + "]");
}

// Another button carried along would run its own handler instead of this one,
// so only the handler's own button goes, and none when it is not known.
std::string ButtonInput(const ReportContext& context, const std::string& name)
{
    return name == context.handlerName ? FieldInput(name, 0) : std::string();
}

// The caret, or the end of the tag or comment it falls into: a report inside a tag
// would be no report.
size_t OutsideTags(const std::string& text, size_t caret)
{
    caret = std::min(caret, text.size());
    HtmlPage page = ParseHtml(text);
    for (const HtmlNode& node : page) {
        const size_t start = Offset(page, node);
        const size_t end = start + node.Source().size();
        if (caret > start && caret < end)
            return node.IsText() ? caret : end;
    }
    return caret;
}

bool IsButtonType(std::string_view type)
{
    return NameIn(type, {"submit", "image", "reset", "button"});
}

} // namespace

std::optional<ReportLocation> FindReport(std::string_view templateText)
{
    HtmlPage page = ParseHtml(templateText);
    HtmlIter span = FindNamed(page, "span", kContainerName);
    if (span == page.end())
        return std::nullopt;
    ReportLocation location;
    location.spanStart = Offset(page, *span);
    HtmlIter spanEnd = FindMatchingTag(page, span);
    location.spanEnd = spanEnd == page.end() ? EndOffset(page, *span) : EndOffset(page, *spanEnd);
    location.tableStart = location.tableEnd = spanEnd == page.end() ? location.spanEnd : Offset(page, *spanEnd);
    for (HtmlIter node = std::next(span); node != spanEnd; ++node)
        if (EqualsNoCase(node->Name(), "table")) {
            location.tableStart = Offset(page, *node);
            HtmlIter tableEnd = FindMatchingTag(page, node);
            if (tableEnd == page.end())
                break;
            location.tableEnd = EndOffset(page, *tableEnd);
            // A span end written inside a cell does not end the container.
            if (location.spanEnd < location.tableEnd) {
                HtmlIter after = FindNextNamed(page, std::next(tableEnd), {"/span"});
                location.spanEnd = after == page.end() ? location.tableEnd : EndOffset(page, *after);
            }
            break;
        }
    return location;
}

ReportGrid LoadReport(std::string_view templateText)
{
    std::optional<ReportLocation> location = FindReport(templateText);
    if (!location || location->tableEnd <= location->tableStart)
        return ReportGrid(1, 1);
    return ReadReportTable(templateText.substr(location->tableStart, location->tableEnd - location->tableStart));
}

void ReadFormForReport(ReportContext& context, std::string_view pageText, std::string_view formName)
{
    HtmlPage page = ParseHtml(pageText);
    HtmlIter form = formName.empty() ? page.end() : FindNamed(page, "form", formName);
    if (form == page.end())
        form = FindNextNamed(page, page.begin(), {"form"});
    context.formTag.clear();
    context.fieldNames.clear();
    context.fieldTypes.clear();
    if (form == page.end())
        return;
    context.formTag = WriteHtmlString(form, std::next(form));
    for (HtmlIter node = std::next(form); node != page.end() && !EqualsNoCase(node->Name(), "/form"); ++node) {
        if (!NameIn(node->Name(), {"input", "textarea", "select"}) || AttrValue(*node, "name").empty())
            continue;
        context.fieldNames.emplace_back(AttrValue(*node, "name"));
        std::string type =
            EqualsNoCase(node->Name(), "input") ? std::string(AttrValue(*node, "type")) : std::string(node->Name());
        std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
        context.fieldTypes.push_back(type.empty() ? "text" : type);
    }
}

std::string BuildPagingForm(const ReportContext& context)
{
    HtmlPage tag = ParseHtml(context.formTag);
    HtmlIter form = FindNextNamed(tag, tag.begin(), {"form"});
    std::string out;
    if (form == tag.end()) {
        out = "<form name=\"mCache\" method=\"post\">\n";
    } else {
        SetAttr(*form, "name", kPagingFormName, '"');
        for (HtmlAttr& attr : form->EditAttrs())
            if (attr.value)
                attr.quote = '"';
        out = WriteHtmlString(form, std::next(form), TagText::Normalised) + "\n";
    }
    for (const ReportQuery& query : context.queries)
        out += HiddenInput(query.name + "_from", "$" + query.name + "->{from}");
    for (size_t i = 0, index = 0; i < context.fieldNames.size(); ++i) {
        const std::string& name = context.fieldNames[i];
        index = i > 0 && context.fieldNames[i - 1] == name ? index + 1 : 0;
        const std::string& type = i < context.fieldTypes.size() ? context.fieldTypes[i] : std::string();
        if (type == "reset" || type == "button")
            continue;
        out += IsButtonType(type) ? ButtonInput(context, name) : FieldInput(name, index);
    }
    out += "</form>\n";
    return out;
}

bool StoreReport(std::string& templateText, size_t caret, const ReportGrid& grid, const ReportContext& context)
{
    const std::string table = WriteReportTable(grid);
    std::optional<ReportLocation> location = FindReport(templateText);
    if (!location) {
        std::string placed = templateText;
        placed.insert(OutsideTags(placed, caret), "<span name=\"QUILLET_QUERY_REPORT\">\n<table></table></span>");
        location = FindReport(placed);
        if (!location)
            return false;
        templateText = std::move(placed);
    }
    templateText.replace(location->tableStart, location->tableEnd - location->tableStart, table);
    if (table.find("document.mCache.") == std::string::npos)
        return true;
    const std::string form = BuildPagingForm(context);
    HtmlPage page = ParseHtml(templateText);
    if (auto range = ElementRange(page, FindNamed(page, "form", kPagingFormName))) {
        size_t end = range->second;
        if (end < templateText.size() && templateText[end] == '\n')
            ++end;
        templateText.replace(range->first, end - range->first, form);
        return true;
    }
    location = FindReport(templateText);
    templateText.insert(location->spanEnd, "\n" + form);
    return true;
}

} // namespace quillet
