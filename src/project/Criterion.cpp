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
    long count = ReadCount(in, "CRITERIA_NUMCRIS");
    for (long i = 0; i < count && !in.Failed(); ++i) {
        size_t start = in.Position();
        Criterion& c = criteria.emplace_back();
        ReadText(in, "CRITERIA_TBLNAME", c.table);
        ReadText(in, "CRITERIA_COLNAME", c.column);
        long cells = ReadCount(in, "CRITERIA_NUMORS");
        for (long j = 0; j < cells && !in.Failed(); ++j) {
            size_t cellStart = in.Position();
            OrCell& cell = c.cells.emplace_back();
            ReadText(in, "CRITERIA_OP", cell.op);
            ReadText(in, "CRITERIA_COLVAL", cell.value);
            // A count larger than what follows is a damaged file.
            if (in.Position() == cellStart)
                in.FailMissing(cellStart, "\"CRITERIA_OP=\"");
        }
        if (in.Position() == start)
            in.FailMissing(start, "\"CRITERIA_TBLNAME=\"");
    }
}

} // namespace quillet
