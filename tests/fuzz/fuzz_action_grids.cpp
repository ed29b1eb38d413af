// The cookie text of a project file and the criteria grids: whatever they are
// given, loading and storing again settles after one round. A condition's
// fields read as first values once, whatever the code around them.
#include "generator/ActionEmitters.h"
#include "generator/CookiePageModel.h"
#include "generator/CriteriaGrid.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace quillet;

namespace {

void CheckCookies(std::string_view text)
{
    std::string once = StoreCookies(LoadCookies(text));
    if (StoreCookies(LoadCookies(once)) != once)
        std::abort();
}

// Lines are cells, a form feed starts the next column.
GridColumns GridFrom(std::string_view text)
{
    GridColumns grid(1);
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\f')
            continue;
        grid.back().emplace_back(text.substr(start, i - start));
        if (i < text.size() && text[i] == '\f')
            grid.emplace_back();
        start = i + 1;
    }
    return grid;
}

// Rows empty in every criterion add nothing to the condition; text in a column
// that is not stored can leave such rows at the end.
CriteriaList WithoutEmptyTail(CriteriaList criteria)
{
    auto emptyRow = [&criteria](size_t row) {
        for (const Criterion& criterion : criteria)
            if (row < criterion.cells.size() &&
                !(criterion.cells[row].op.empty() && criterion.cells[row].value.empty()))
                return false;
        return true;
    };
    size_t rows = 0;
    for (const Criterion& criterion : criteria)
        rows = std::max(rows, criterion.cells.size());
    while (rows > 1 && emptyRow(rows - 1))
        --rows;
    for (Criterion& criterion : criteria)
        criterion.cells.resize(std::min(criterion.cells.size(), rows));
    return criteria;
}

void CheckGrid(std::string_view text, CriteriaGridShape shape)
{
    CriteriaList stored = StoreCriteriaGrid(GridFrom(text), shape);
    for (const Criterion& criterion : stored)
        if (criterion.cells.empty() || criterion.cells[0].IsEmpty())
            std::abort();
    CriteriaList again = StoreCriteriaGrid(LoadCriteriaGrid(stored, shape, 0), shape);
    if (WithoutEmptyTail(again) != WithoutEmptyTail(stored))
        std::abort();
}

void CheckFirstValues(std::string_view text)
{
    std::string once = WithFirstValues(text);
    if (once.size() < text.size() || WithFirstValues(once) != once)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckCookies(text);
    CheckFirstValues(text);
    CheckGrid(text, kConditionGrid);
    CheckGrid(text, kRecordCriteriaGrid);
    if (size >= 4) {
        long days = static_cast<long>((data[0] | data[1] << 8 | data[2] << 16) % 3000000);
        if (DaysSinceEpoch(DateFromDays(days)) != days)
            std::abort();
    }
    return 0;
}
