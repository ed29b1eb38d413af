#pragma once

#include <string>
#include <vector>

namespace quillet {

class ProjectReader;
class ProjectWriter;

// One cell of the criteria grid: an operator and the value it compares with.
struct OrCell {
    std::string op;
    std::string value;

    bool IsEmpty() const { return op.empty() || value.empty(); }
    bool operator==(const OrCell&) const = default;
};

// One column of the criteria grid; its cells are the grid's rows.
struct Criterion {
    std::string table;
    std::string column;
    std::vector<OrCell> cells;

    bool operator==(const Criterion&) const = default;
};

using CriteriaList = std::vector<Criterion>;

void WriteCriteria(ProjectWriter& out, const CriteriaList& criteria);
void ReadCriteria(ProjectReader& in, CriteriaList& criteria);

} // namespace quillet
