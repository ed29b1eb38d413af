// Load and save of generated projects, to show that both stay linear in the
// number of actions.
#include "project/Action.h"
#include "project/Project.h"
#include "project/ProjectFile.h"

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

Project Generated(int actionCount)
{
    Project project;
    project.settings.serverType = "Others";
    Form& form = project.forms.emplace_back();
    form.pageFile = "order.html";
    form.formName = "order";
    Handler* handler = nullptr;
    for (int i = 0; i < actionCount; ++i) {
        if (i % 100 == 0)
            handler = &form.handlers.emplace_back(Handler{"Submit" + std::to_string(i / 100), {}});
        Action action = *CreateAction(i % kActionTypeCount);
        action.name = "Action" + std::to_string(i + 1);
        if (action.IsRecord()) {
            action.Record().dataSource = "db1";
            action.Record().table = "orders";
            for (int c = 0; c < 4; ++c)
                action.Record().columns.push_back({"orders", "col" + std::to_string(c), 0, "", "$FORM{'x'}[0]", "H"});
            action.Record().criteria.push_back({"orders", "id", {{"=", "$FORM{'id'}[0]"}}});
        } else if (action.type == ActionType::PerlCodeBlock) {
            action.Code().code = "my $total = 0;\r\nfor my $i (1..10) { $total += $i; }\r\n";
        }
        handler->actions.push_back(std::move(action));
    }
    return project;
}

void BM_SaveProject(benchmark::State& state)
{
    Project project = Generated(static_cast<int>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        ProjectWriter out;
        WriteProject(out, project);
        std::string disk(out.DiskText());
        bytes = disk.size();
        benchmark::DoNotOptimize(disk);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
    state.SetComplexityN(state.range(0));
}

void BM_LoadProject(benchmark::State& state)
{
    ProjectWriter out;
    WriteProject(out, Generated(static_cast<int>(state.range(0))));
    std::string disk(out.DiskText());
    for (auto _ : state) {
        ProjectReader in(disk);
        Project project;
        benchmark::DoNotOptimize(ReadProject(in, project));
    }
    state.SetBytesProcessed(static_cast<int64_t>(disk.size() * state.iterations()));
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_SaveProject)->RangeMultiplier(10)->Range(100, 100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_LoadProject)->RangeMultiplier(10)->Range(100, 100000)->Unit(benchmark::kMillisecond)->Complexity();
