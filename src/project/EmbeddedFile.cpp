#include "project/EmbeddedFile.h"

namespace quillet {

std::span<const EmbeddedEntry> EmbeddedFiles()
{
    return {embedded::kEntries, embedded::kEntryCount};
}

std::optional<std::string_view> EmbeddedFile(std::string_view name)
{
    for (const EmbeddedEntry& entry : EmbeddedFiles())
        if (entry.name == name)
            return entry.bytes;
    return std::nullopt;
}

} // namespace quillet
