#include "generator/ProjectFromPage.h"

#include "generator/BuildChecks.h"
#include "generator/PerlLiteral.h"
#include "html/FormDiscovery.h"
#include "html/FormFields.h"
#include "html/HtmlText.h"
#include "project/Messages.h"
#include "project/NameRules.h"
#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace quillet {

namespace {

// Words MySQL, SQLite or PostgreSQL keep for themselves that form fields are apt to be called.
constexpr std::array<std::string_view, 46> kSqlWords = {
    "add",    "all",    "alter",   "and",    "as",    "asc",      "between", "by",      "case",   "check",
    "column", "create", "default", "delete", "desc",  "distinct", "drop",    "else",    "end",    "exists",
    "from",   "group",  "having",  "in",     "index", "insert",   "into",    "is",      "join",   "key",
    "like",   "limit",  "not",     "null",   "on",    "or",       "order",   "primary", "select", "set",
    "table",  "to",     "union",   "update", "user",  "where",
};

bool IsSqlWord(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return std::find(kSqlWords.begin(), kSqlWords.end(), lower) != kSqlWords.end();
}

std::string HtmlText(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        // The template is filled as a Perl string: these would be read as Perl.
        case '$':
            out += "&#36;";
            break;
        case '@':
            out += "&#64;";
            break;
        case '\\':
            out += "&#92;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One named field of the form that a table stores.
struct StoredField {
    std::string name;
    FieldKind kind;
    long maxLength = 0;
    // Several values under the name: a check box group or a multiple choice list.
    bool multiple = false;
};

std::vector<StoredField> StoredFields(HtmlPage& nodes, HtmlIter formNode)
{
    std::vector<StoredField> fields;
    for (HtmlIter node : FormFields(nodes, formNode)) {
        std::optional<FieldKind> kind = FieldKindOf(*node);
        std::string name = DecodeEntities(AttrValue(*node, "NAME"));
        if (!kind || name.empty() || IsHandlerButton(*node) || *kind == FieldKind::ResetButton ||
            *kind == FieldKind::PlainButton || *kind == FieldKind::FileUpload)
            continue;
        auto known =
            std::find_if(fields.begin(), fields.end(), [&name](const StoredField& f) { return f.name == name; });
        if (known != fields.end()) {
            known->multiple = known->multiple || *kind == FieldKind::CheckBox;
            continue;
        }
        StoredField field{name, *kind};
        field.maxLength = std::atol(std::string(AttrValue(*node, "MAXLENGTH")).c_str());
        field.multiple = *kind == FieldKind::MultipleChoiceList;
        fields.push_back(std::move(field));
    }
    return fields;
}

std::string ValueOf(const StoredField& field)
{
    std::string key = EscapePerlSingle(field.name);
    if (field.multiple)
        return "join(', ', @{$FORM{'" + key + "'}})";
    return "$FORM{'" + key + "'}[0]";
}

ColumnDef ColumnFor(const StoredField& field, const std::vector<ColumnDef>& taken)
{
    ColumnDef column;
    std::string base = IdentifierFrom(field.name, "field");
    if (IsSqlWord(base))
        base += "_field";
    column.name = base;
    for (int n = 2; std::any_of(taken.begin(), taken.end(), [&](const ColumnDef& c) { return c.name == column.name; });
         ++n)
        column.name = base + std::to_string(n);
    if (field.kind == FieldKind::TextArea) {
        column.type = "TEXT";
    } else {
        column.type = "VARCHAR";
        column.length = field.maxLength > 0 && field.maxLength <= 255 ? field.maxLength : 255;
    }
    column.nullOption = "NULL";
    return column;
}

DataSource NewDataSource(std::string_view database, const std::string& base)
{
    DataSource source;
    source.name = "db";
    if (database == "mysql") {
        source.driver = "mysql";
        source.database = base;
        source.host = "localhost";
    } else if (database == "pg") {
        source.driver = "Pg";
        source.database = base;
        source.host = "localhost";
    } else {
        // A relative SQLite file lives in the script's data folder.
        source.driver = "SQLite";
        source.database = base + ".db";
    }
    return source;
}

// The page's own charset declaration, so that the answer reads like the form.
std::string CharsetMeta(HtmlPage& nodes)
{
    for (HtmlIter it = FindNextNamed(nodes, nodes.begin(), {"meta"}); it != nodes.end();
         it = FindNextNamed(nodes, std::next(it), {"meta"}))
        if (FindAttr(*it, "charset") || EqualsNoCase(AttrValue(*it, "http-equiv"), "content-type"))
            return WriteHtmlString(it, std::next(it)) + "\n";
    return {};
}

std::string ThanksTemplate(const std::vector<StoredField>& fields, const std::string& meta)
{
    std::string text = "<!DOCTYPE html>\n<html>\n<head>\n" + meta +
                       "<title>Thank you</title>\n</head>\n<body>\n<h1>Thank you</h1>\n"
                       "<p>This is what you sent:</p>\n<table>\n";
    for (const StoredField& field : fields) {
        std::string key = EscapePerlSingle(field.name);
        std::string value = field.multiple ? "@{$FORM{'" + key + "'}}" : "$FORM{'" + key + "'}[0]";
        text += "<tr><th>" + HtmlText(field.name) + "</th><td>" + value + "</td></tr>\n";
    }
    return text + "</table>\n</body>\n</html>\n";
}

// path, or the first of path with "2", "3", ... before its extension that does not exist.
fs::path FreePath(const fs::path& path)
{
    fs::path candidate = path;
    std::error_code ec;
    for (int n = 2; fs::exists(candidate, ec); ++n)
        candidate = path.parent_path() / (path.stem().string() + std::to_string(n) + path.extension().string());
    return candidate;
}

// The page as the project names it: relative to the project's folder when it lies inside.
std::string PageReference(const fs::path& page, const fs::path& projectFolder)
{
    std::error_code ec;
    fs::path relative = fs::relative(page, projectFolder, ec);
    if (ec || relative.empty() || relative.begin()->string() == "..")
        return page.string();
    return relative.generic_string();
}

void OfferButtonNames(HtmlPage& nodes, HtmlIter formNode, Prompter& prompter, bool& pageChanged)
{
    for (HtmlIter button : UnnamedSubmitButtons(nodes, formNode)) {
        std::string name = SuggestButtonName(nodes, formNode, button);
        if (!prompter.AskYesNo(FormatMessage(Msg::OfferButtonName, {ButtonLabel(nodes, button), name})))
            continue;
        SetAttr(*button, "NAME", name, '"');
        pageChanged = true;
    }
}

Action NewInsert(const std::string& name, const TableDef& table, const std::vector<StoredField>& fields)
{
    Action insert = *CreateAction(static_cast<long>(ActionType::InsertRecord));
    insert.name = name;
    RecordAction& record = insert.Record();
    record.dataSource = "db";
    record.table = table.name;
    for (size_t i = 0; i < fields.size(); ++i) {
        ActionColumn column;
        column.tableName = table.name;
        column.columnName = table.columns[i].name;
        column.value = ValueOf(fields[i]);
        record.columns.push_back(std::move(column));
    }
    return insert;
}

Action NewResponse(const std::string& name, const std::string& templateFile)
{
    Action response = *CreateAction(static_cast<long>(ActionType::RespondToBrowser));
    response.name = name;
    response.Response().postMode = 1;
    response.Response().file = templateFile;
    return response;
}

} // namespace

bool IsPageProjectDatabase(std::string_view database)
{
    return database == "sqlite" || database == "mysql" || database == "pg";
}

bool CreateProjectFromPage(const PageProjectRequest& request, Prompter& prompter)
{
    std::error_code ec;
    fs::path projectPath = fs::absolute(ProjectDocument::ProjectFilePath(request.projectFile), ec);
    if (fs::exists(projectPath, ec)) {
        prompter.Show(FormatMessage(Msg::ProjectExists, {projectPath.string()}));
        return false;
    }
    fs::path projectFolder = projectPath.parent_path();
    Form form;
    form.pageFile = PageReference(fs::absolute(request.pageFile, ec), projectFolder);
    form.formName = request.formName;
    LoadedPage page;
    if (!LoadServedForm(form, projectPath.string(), page, prompter))
        return false;
    HtmlPage& nodes = page.file->Nodes();
    bool pageChanged = false;
    OfferButtonNames(nodes, *page.formNode, prompter, pageChanged);
    for (HtmlIter field : FormFields(nodes, *page.formNode))
        HandlerForField(form, *field);
    if (form.handlers.empty()) {
        prompter.Show(FormatMessage(Msg::NoNamedSubmitButton, {form.formName, page.file->Path()}));
        return false;
    }

    std::string base = IdentifierFrom(fs::path(page.file->Path()).stem().string(), "form");
    Project project;
    LoadPreferences(project.settings);
    DataSource source = NewDataSource(request.database, base);
    TableDef table;
    table.name = IsSqlWord(base) ? base + "_entries" : base;
    std::vector<StoredField> fields = StoredFields(nodes, *page.formNode);
    for (const StoredField& field : fields)
        table.columns.push_back(ColumnFor(field, table.columns));
    source.tables.push_back(table);
    project.dataSources.push_back(std::move(source));

    fs::path thanks = FreePath(projectFolder / "templates" / (base + "_thanks.html"));
    std::string thanksFile = PageReference(thanks, projectFolder);
    for (size_t i = 0; i < form.handlers.size(); ++i) {
        std::string suffix = i == 0 ? "" : std::to_string(i + 1);
        form.handlers[i].actions.push_back(NewInsert("Store" + suffix, table, fields));
        form.handlers[i].actions.push_back(NewResponse("Thanks" + suffix, thanksFile));
    }
    project.forms.push_back(form);

    fs::create_directories(thanks.parent_path(), ec);
    if (!WriteFileAtomically(thanks.string(), ThanksTemplate(fields, CharsetMeta(nodes)))) {
        prompter.Show(FormatMessage(Msg::CantCreateFile, {thanks.string()}));
        return false;
    }
    if (pageChanged && !WriteHtmlFile(*page.file)) {
        prompter.Show(FormatMessage(Msg::CantCreateFile, {page.file->Path()}));
        fs::remove(thanks, ec);
        return false;
    }
    ProjectDocument doc(prompter);
    doc.Content() = std::move(project);
    doc.SetPath(projectPath.string());
    if (!doc.SaveProject(projectPath.string())) {
        fs::remove(thanks, ec);
        return false;
    }
    return true;
}

} // namespace quillet
