#include "app/cli/CliProject.h"

#include "project/Paths.h"
#include "project/ProjectDocument.h"
#include "project/UploadList.h"

namespace quillet::cli {

bool LoadUploadList(const std::string& path, unsigned kinds, Prompter& prompter, Project& project, UploadList& list)
{
    std::optional<Project> loaded = ProjectDocument::ReadProjectFile(path, prompter);
    if (!loaded)
        return false;
    project = std::move(*loaded);
    if (const Form* form = project.CurrentForm())
        BuildUploadList(list, PathContext::ForProject(project, path), project.settings, *form, kinds, true, prompter);
    return true;
}

} // namespace quillet::cli
