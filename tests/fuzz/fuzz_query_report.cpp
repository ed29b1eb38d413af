// A response template is the user's file, edited by hand or by other tools: the
// report reader must take any text, and what it writes must read back the same.
#include "generator/QueryReport.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const quillet::ReportGrid grid = quillet::LoadReport(text);
    const std::string written = quillet::WriteReportTable(grid);
    if (quillet::WriteReportTable(quillet::ReadReportTable(written)) != written)
        std::abort();
    std::string stored = text;
    const bool placed = quillet::StoreReport(stored, size / 2, grid, quillet::ReportContext{});
    if (placed ? quillet::WriteReportTable(quillet::LoadReport(stored)) != written : stored != text)
        std::abort();
    return 0;
}
