// Writes a project folder for the command-line benches: a page whose form has
// one submit button per hundred actions, a few templates, and bench.prj with N
// actions of every kind that refer to those templates.
#include "project/Action.h"
#include "project/DataSource.h"
#include "project/Project.h"
#include "project/ProjectFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace quillet;

namespace {

constexpr int kActionsPerHandler = 100;
constexpr int kTemplates = 8;

std::string TemplateName(int i)
{
    return "templates/t" + std::to_string(i % kTemplates) + ".html";
}

DataSource Database()
{
    DataSource ds;
    ParseDsn("db:DBI:SQLite:orders.db;host=;port=0;user=;pass=", ds);
    TableDef& table = ds.tables.emplace_back();
    table.name = "orders";
    table.columns.push_back({"id", "INT", 11, "NOT NULL", "PRIMARY KEY", {}, "", 0, 0, 0});
    for (int c = 0; c < 4; ++c)
        table.columns.push_back({"col" + std::to_string(c), "VARCHAR", 80, "NULL", "", {}, "", 0, 0, 0});
    return ds;
}

void FillRecord(RecordAction& record, ActionType type)
{
    record.dataSource = "db";
    record.table = "orders";
    if (type != ActionType::DeleteRecords)
        for (int c = 0; c < 4; ++c)
            record.columns.push_back(
                {"orders", "col" + std::to_string(c), 0, "", "$FORM{'field" + std::to_string(c) + "'}", ""});
    if (type != ActionType::InsertRecord)
        record.criteria.push_back({"orders", "id", {{"=", "$FORM{'id'}"}}});
}

Action MakeAction(int i)
{
    ActionType type = static_cast<ActionType>(i % kActionTypeCount);
    // A posted form would make every build rewrite its page; one page form is enough.
    if (type == ActionType::PostHtmlForm)
        type = ActionType::PerlCodeBlock;
    Action action = *CreateAction(static_cast<long>(type));
    action.name = "Action" + std::to_string(i + 1);
    switch (type) {
    case ActionType::SendEmail:
    case ActionType::SendBulkEmail:
        action.Mail().templateFile = TemplateName(i);
        action.Mail().to = "$FORM{'email'}";
        action.Mail().from = "shop@example.org";
        action.Mail().subject = "Your order";
        action.Mail().server = "smtp.example.org";
        break;
    case ActionType::ReadWriteFile:
        action.File().file = TemplateName(i);
        action.File().dataFile = "orders.txt";
        break;
    case ActionType::RespondToBrowser:
        action.Response().file = TemplateName(i);
        break;
    case ActionType::PerlCodeBlock:
        action.Code().code = "my $total = 0;\r\nfor my $i (1..10) { $total += $i; }\r\n";
        break;
    case ActionType::SetHttpCookies:
        action.Cookie().code = "$COOKIEJAR{'visits'}++;\r\n";
        break;
    case ActionType::ConditionalStatement:
        action.Condition().criteria.push_back({"", "$FORM{'total'}", {{">", "10"}}});
        break;
    case ActionType::GenerateHtmlForm:
        action.FormBody().form.pageFile = "page.html";
        break;
    default:
        FillRecord(action.Record(), type);
    }
    return action;
}

std::string Page(int handlers)
{
    std::string page = "<html><head><title>Orders</title></head>\n<body>\n<form name=\"orders\">\n";
    for (const char* field : {"id", "email", "total", "field0", "field1", "field2", "field3"})
        page += std::string("<p>") + field + " <input type=\"text\" name=\"" + field + "\"></p>\n";
    for (int h = 0; h < handlers; ++h)
        page += "<input type=\"submit\" name=\"Submit" + std::to_string(h) + "\" value=\"Send\">\n";
    return page + "</form>\n</body>\n</html>\n";
}

bool Write(const std::filesystem::path& path, const std::string& text)
{
    if (WriteFileAtomically(path.string(), text))
        return true;
    std::fprintf(stderr, "make_bench_project: cannot write %s\n", path.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_bench_project FOLDER ACTIONS\n");
        return 2;
    }
    std::filesystem::path folder = argv[1];
    int count = std::atoi(argv[2]);
    std::error_code error;
    std::filesystem::create_directories(folder / "templates", error);

    Project project;
    project.settings.serverType = "Others";
    project.settings.cgiPath = "/cgi-bin";
    project.settings.cgiUrl = "http://example.org/cgi-bin";
    project.settings.scriptPattern = "*.cgi";
    project.dataSources.push_back(Database());
    Form& form = project.forms.emplace_back();
    form.pageFile = "page.html";
    form.formName = "orders";
    for (int i = 0; i < count; ++i) {
        if (i % kActionsPerHandler == 0)
            form.handlers.push_back(Handler{"Submit" + std::to_string(i / kActionsPerHandler), {}});
        form.handlers.back().actions.push_back(MakeAction(i));
    }
    ProjectWriter out;
    WriteProject(out, project);
    bool ok = Write(folder / "page.html", Page(static_cast<int>(form.handlers.size())));
    for (int t = 0; t < kTemplates; ++t)
        ok = ok && Write(folder / TemplateName(t), "<html><body>Thank you, $FORM{'email'}.</body></html>\n");
    if (ok && !out.Commit((folder / "bench.prj").string())) {
        std::fprintf(stderr, "make_bench_project: cannot write %s\n", (folder / "bench.prj").c_str());
        ok = false;
    }
    return ok ? 0 : 1;
}
