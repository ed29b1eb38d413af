// Script generation for projects of growing size, to show that its cost grows
// linearly with the number of actions.
#include "generator/ScriptGenerator.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>

using namespace quillet;

namespace {

std::string BenchFolder()
{
    static std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillet-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        std::string page = "<form name=\"f\">\n";
        for (int i = 0; i < 50; ++i)
            page += "<input name=\"field" + std::to_string(i) + "\" content=\"NOT NULL\">\n";
        page += "</form>\n";
        WriteFileAtomically(pattern + "/page.html", page);
        return pattern;
    }();
    return folder;
}

Project Generated(int actionCount)
{
    Project project;
    project.settings.cgiPath = "/cgi-bin";
    project.settings.cgiUrl = "http://example.org/cgi-bin";
    project.settings.scriptPattern = "*.cgi";
    DataSource ds;
    ParseDsn("db:DBI:SQLite:x.db;host=;port=0;user=;pass=", ds);
    project.dataSources.push_back(ds);
    Form& form = project.forms.emplace_back();
    form.pageFile = BenchFolder() + "/page.html";
    form.formName = "f";
    Handler* handler = nullptr;
    for (int i = 0; i < actionCount; ++i) {
        if (i % 100 == 0)
            handler = &form.handlers.emplace_back(Handler{"Submit" + std::to_string(i / 100), {}});
        ActionType type = i % 3 == 0   ? ActionType::InsertRecord
                          : i % 3 == 1 ? ActionType::SendEmail
                                       : ActionType::PerlCodeBlock;
        Action action = *CreateAction(static_cast<long>(type));
        action.name = "Action" + std::to_string(i + 1);
        if (action.IsRecord()) {
            action.Record().dataSource = "db";
            action.Record().table = "orders";
            for (int c = 0; c < 4; ++c)
                action.Record().columns.push_back({"orders", "c" + std::to_string(c), 0, "", "$FORM{'x'}[0]", ""});
        } else if (action.IsMail()) {
            action.Mail().to = "$FORM{'email'}[0]";
            action.Mail().server = "smtp.example.org";
        } else {
            action.Code().code = "my $t = 0;\r\nfor (1..10) { $t += $_; }\r\n";
        }
        handler->actions.push_back(std::move(action));
    }
    return project;
}

void BM_GenerateScript(benchmark::State& state)
{
    Project project = Generated(static_cast<int>(state.range(0)));
    SilentPrompter prompter;
    size_t bytes = 0;
    for (auto _ : state) {
        std::string text;
        GenerateScriptText({project, BenchFolder() + "/bench.prj", false}, prompter, text);
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_GenerateScript)->RangeMultiplier(10)->Range(100, 100000)->Unit(benchmark::kMillisecond)->Complexity();
