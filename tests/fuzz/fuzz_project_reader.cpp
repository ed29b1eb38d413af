// Any bytes given to the project reader must load or fail cleanly, and what
// loads must survive a save and load unchanged.
#include "project/Project.h"
#include "project/ProjectFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillet;
    ProjectReader in(std::string_view(reinterpret_cast<const char*>(data), size));
    Project project;
    if (!ReadProject(in, project))
        return 0;
    ProjectWriter first;
    WriteProject(first, project);
    ProjectReader again(first.DiskText());
    Project reread;
    if (!ReadProject(again, reread))
        std::abort();
    ProjectWriter second;
    WriteProject(second, reread);
    ProjectReader third(second.DiskText());
    Project stable;
    ReadProject(third, stable);
    ProjectWriter last;
    WriteProject(last, stable);
    // From the second save on the text no longer changes.
    if (last.Text() != second.Text())
        std::abort();
    return 0;
}
