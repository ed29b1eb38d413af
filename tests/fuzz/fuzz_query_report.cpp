// A response template is the user's file, edited by hand or by other tools: the
// report reader must take any text, and a stored report must stay findable.
// Cell text that leaves a construct open (a quote inside a tag, a comment) may
// split differently when read again, so exact round trips are left to the tests
// of well-formed reports.
#include "generator/QueryReport.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const quillet::ReportGrid grid = quillet::LoadReport(text);
    const std::string written = quillet::WriteReportTable(grid);
    quillet::ReadReportTable(written);
    std::string stored = text;
    const bool placed = quillet::StoreReport(stored, size / 2, grid, quillet::ReportContext{});
    if (placed ? !quillet::FindReport(stored) : stored != text)
        std::abort();
    return 0;
}
