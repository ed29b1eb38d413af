#pragma once

#include "project/Project.h"
#include "project/UploadEntry.h"

#include <string>

namespace quillet {
class Prompter;
}

namespace quillet::cli {

// Loads the project at path and lists what a publish of its current form sends
// for the given kinds (nothing for a project without a form). False, the
// message shown, when the project cannot be read.
bool LoadUploadList(const std::string& path, unsigned kinds, Prompter& prompter, Project& project, UploadList& list);

} // namespace quillet::cli
