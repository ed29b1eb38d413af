// Time to first paint of the Form tab on a page with 34,000 fields: reading
// and parsing the page, then filling the field grid, then one paint.
#include "html/pages/FormPage.h"
#include "project/Project.h"
#include "project/Prompter.h"

#include <QApplication>
#include <QPixmap>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace quillet;

namespace {

constexpr int kFields = 34000;

std::string WritePage()
{
    std::string path = (std::filesystem::temp_directory_path() / "quillet-bench-form.html").string();
    std::ofstream out(path, std::ios::binary);
    out << "<html><body><form name=\"big\" method=\"post\">\n";
    const char* kinds[] = {"text", "checkbox", "radio", "hidden", "password", "submit"};
    for (int i = 0; i < kFields; ++i)
        out << "<input type=\"" << kinds[i % 6] << "\" name=\"field" << i << "\" value=\"v" << i
            << "\" content=\"NOT NULL\">\n";
    out << "</form></body></html>\n";
    return path;
}

struct Fixture {
    Project project;
    SilentPrompter prompter;
    std::string page = WritePage();
    Fixture()
    {
        project.forms.resize(1);
        project.forms.front().pageFile = page;
    }
    ~Fixture() { std::remove(page.c_str()); }
};

void BM_FormTabLoad(benchmark::State& state)
{
    Fixture fixture;
    for (auto _ : state) {
        FormPage tab(fixture.project, fixture.prompter, [] { return std::string(); });
        tab.resize(1000, 720);
        tab.Load();
        benchmark::DoNotOptimize(tab.grab());
    }
    state.counters["fields"] = kFields;
}
BENCHMARK(BM_FormTabLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FormTabFill(benchmark::State& state)
{
    Fixture fixture;
    FormPage tab(fixture.project, fixture.prompter, [] { return std::string(); });
    tab.resize(1000, 720);
    tab.Load();
    for (auto _ : state) {
        tab.FillLists();
        benchmark::DoNotOptimize(tab.grab());
    }
    state.counters["fields"] = kFields;
}
BENCHMARK(BM_FormTabFill)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
