#include "project/Criterion.h"

#include "project/ProjectFile.h"

namespace quillet {

void WriteCriteria(ProjectWriter& out, const CriteriaList& criteria)
{
    WriteNumber(out, "CRITERIA_NUMCRIS", static_cast<long>(criteria.size()));
    for (const Criterion& c : criteria) {
        WriteValue(out, "CRITERIA_TBLNAME", c.table);
        WriteValue(out, "CRITERIA_COLNAME", c.column);
        WriteNumber(out, "CRITERIA_NUMORS", static_cast<long>(c.cells.size()));
        for (const OrCell& cell : c.cells) {
            WriteValue(out, "CRITERIA_OP", cell.op);
            WriteValue(out, "CRITERIA_COLVAL", cell.value);
        }
    }
}

void ReadCriteria(ProjectReader& in, CriteriaList& criteria)
{
    long count = ReadNumber(in, "CRITERIA_NUMCRIS");
    for (long i = 0; i < count; ++i) {
        // A count larger than what follows stops where the entries stop.
        size_t start = in.Position();
        Criterion c;
        c.table = ReadValue(in, "CRITERIA_TBLNAME").text;
        c.column = ReadValue(in, "CRITERIA_COLNAME").text;
        long cells = ReadNumber(in, "CRITERIA_NUMORS");
        for (long j = 0; j < cells; ++j) {
            size_t cellStart = in.Position();
            OrCell cell;
            cell.op = ReadValue(in, "CRITERIA_OP").text;
            cell.value = ReadValue(in, "CRITERIA_COLVAL").text;
            if (in.Position() == cellStart)
                break;
            c.cells.push_back(std::move(cell));
        }
        if (in.Position() == start)
            break;
        criteria.push_back(std::move(c));
    }
}

} // namespace quillet
