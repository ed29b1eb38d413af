// Tokenize-and-write throughput of the HTML tokenizer, next to libxml2's HTML
// parser on the same bytes. Pages come from $QUILLET_BENCH_HTML (default: the
// HTML documentation of installed Debian packages) plus a generated form page.
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"

#include <benchmark/benchmark.h>
#include <libxml/HTMLparser.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace quillet;

namespace {

constexpr size_t kCorpusLimit = 16u << 20;

// With QUILLET_BENCH_KEEP_HEAP set, freed memory stays in the process for both
// parsers, so that the kernel's page faults on fresh memory do not dominate.
const bool kKeepHeap = [] {
    if (std::getenv("QUILLET_BENCH_KEEP_HEAP")) {
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
    }
    return true;
}();

std::vector<std::string> LoadCorpus()
{
    const char* env = std::getenv("QUILLET_BENCH_HTML");
    std::filesystem::path root = env ? env : "/usr/share/doc";
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::string ext = it->path().extension().string();
        if ((ext == ".html" || ext == ".htm") && it->is_regular_file(error))
            paths.push_back(it->path());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> pages;
    size_t total = 0;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        total += text.str().size();
        pages.push_back(text.str());
        if (total > kCorpusLimit)
            break;
    }
    return pages;
}

const std::vector<std::string>& Corpus()
{
    static const std::vector<std::string> corpus = LoadCorpus();
    return corpus;
}

std::string FormPage(int fields)
{
    std::string page = "<html><head><title>Order</title></head>\n<body bgcolor=\"#ffffff\">\n"
                       "<form name=\"order\" action=\"/cgi-bin/order.cgi\" method=\"post\">\n<table>\n";
    for (int i = 0; i < fields; ++i) {
        std::string n = std::to_string(i);
        page += "<tr><td>Field " + n + "</td><td>";
        switch (i % 4) {
        case 0:
            page += "<input type=\"text\" name=\"f" + n + "\" size=30 maxlength=60 CONTENT=\"NOT NULL\">";
            break;
        case 1:
            page += "<input type=checkbox name=c" + n + " value=\"yes\" CHECKED>";
            break;
        case 2:
            page += "<select name=\"s" + n + "\"><option value=1>One<option value=2 SELECTED>Two</select>";
            break;
        default:
            page += "<textarea name=t" + n + " rows=5 cols=40>Some &amp; text</textarea>";
            break;
        }
        page += "</td></tr>\n";
    }
    return page + "</table>\n<input type=submit name=go value=\"Send\">\n</form>\n</body>\n</html>\n";
}

const std::vector<std::string>& FormCorpus()
{
    static const std::vector<std::string> corpus = {FormPage(2000)};
    return corpus;
}

size_t TotalBytes(const std::vector<std::string>& pages)
{
    size_t total = 0;
    for (const std::string& page : pages)
        total += page.size();
    return total;
}

void RunQuillet(benchmark::State& state, const std::vector<std::string>& pages)
{
    for (auto _ : state)
        for (const std::string& page : pages) {
            std::string out = WriteHtmlString(ParseHtml(page));
            benchmark::DoNotOptimize(out.data());
        }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TotalBytes(pages)));
}

void RunLibXml2(benchmark::State& state, const std::vector<std::string>& pages)
{
    const int options = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_RECOVER;
    for (auto _ : state)
        for (const std::string& page : pages) {
            htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, nullptr, options);
            benchmark::DoNotOptimize(doc);
            xmlFreeDoc(doc);
        }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TotalBytes(pages)));
}

void BM_Quillet_DocPages(benchmark::State& state)
{
    state.counters["pages"] = static_cast<double>(Corpus().size());
    RunQuillet(state, Corpus());
}

void BM_LibXml2_DocPages(benchmark::State& state)
{
    RunLibXml2(state, Corpus());
}

void BM_Quillet_FormPage2000(benchmark::State& state)
{
    RunQuillet(state, FormCorpus());
}

void BM_LibXml2_FormPage2000(benchmark::State& state)
{
    RunLibXml2(state, FormCorpus());
}

void RunPageOfSize(benchmark::State& state, const std::string& page)
{
    size_t nodes = ParseHtml(page).size();
    for (auto _ : state) {
        std::string out = WriteHtmlString(ParseHtml(page));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.counters["nodes"] =
        benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsIterationInvariantRate);
    state.SetComplexityN(state.range(0));
}

// The documentation pages joined and cut to N bytes. Their markup grows denser
// further in (22 bytes a node in the first 16 KB, 14 over 16 MB), so the rate
// per node tells the cost of size apart from the cost of markup.
void BM_Quillet_PageSize(benchmark::State& state)
{
    std::string page;
    size_t size = static_cast<size_t>(state.range(0));
    while (page.size() < size)
        for (const std::string& part : Corpus())
            page += part;
    page.resize(size);
    RunPageOfSize(state, page);
}

// The same markup at every size: 16 KB of the pages, cut after a tag, repeated
// to N bytes. The rate per byte must not drop as N grows.
void BM_Quillet_SameMarkup(benchmark::State& state)
{
    std::string all;
    for (const std::string& part : Corpus()) {
        all += part;
        if (all.size() >= (1u << 20))
            break;
    }
    // From the middle of the first megabyte, where the pages are neither all head nor all code.
    std::string sample = all.substr(all.size() / 2, 16384);
    sample = sample.substr(sample.find('<'));
    sample.resize(sample.rfind('>') + 1);
    std::string page;
    size_t size = static_cast<size_t>(state.range(0));
    while (page.size() < size)
        page += sample;
    page.resize(page.rfind('>', size) + 1);
    RunPageOfSize(state, page);
}

} // namespace

BENCHMARK(BM_Quillet_DocPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibXml2_DocPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quillet_FormPage2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibXml2_FormPage2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quillet_PageSize)
    ->RangeMultiplier(4)
    ->Range(1 << 14, 1 << 24)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quillet_SameMarkup)
    ->RangeMultiplier(4)
    ->Range(1 << 14, 1 << 24)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
