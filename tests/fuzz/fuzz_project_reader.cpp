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
    if (!ReadProject(again, reread) || !(reread == project))
        std::abort();
    // What the reader accepts, the writer writes back unchanged.
    ProjectWriter second;
    WriteProject(second, reread);
    if (second.DiskText() != first.DiskText())
        std::abort();
    return 0;
}
