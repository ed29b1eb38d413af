#include "project/LibraryFiles.h"

#include "project/EmbeddedFile.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"

#include <filesystem>

namespace quillet {

bool WriteLibraryFile(const std::string& localPath, std::string_view name, Prompter& prompter)
{
    std::optional<std::string_view> bytes = EmbeddedFile(name);
    if (bytes) {
        if (WriteFileAtomically(localPath, *bytes))
            return true;
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(localPath).parent_path(), error);
        if (WriteFileAtomically(localPath, *bytes))
            return true;
    }
    prompter.Show(FormatMessage(Msg::CantCreateFile, {localPath}));
    return false;
}

} // namespace quillet
