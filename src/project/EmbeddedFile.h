#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace quillet {

// One file of src/runtime as it was when the program was built.
struct EmbeddedEntry {
    std::string_view name;
    std::string_view bytes;
};

// The bytes of the runtime file with that name ("ZentraCGI.pm", "first.gif"), if the build carried it.
std::optional<std::string_view> EmbeddedFile(std::string_view name);
std::span<const EmbeddedEntry> EmbeddedFiles();

namespace embedded {
// Defined by the source that the build generates from src/runtime.
extern const EmbeddedEntry kEntries[];
extern const size_t kEntryCount;
} // namespace embedded

} // namespace quillet
