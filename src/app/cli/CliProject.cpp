#include "app/cli/CliProject.h"

#include "project/Paths.h"
#include "project/ProjectDocument.h"
#include "project/UploadList.h"

namespace quillet::cli {

bool LoadUploadList(const std::string& path, unsigned kinds, Prompter& prompter, Project& project, UploadList& list)
{
    ProjectDocument doc(prompter);
    if (!doc.LoadProject(path))
        return false;
    project = std::move(doc.Content());
    if (const Form* form = project.CurrentForm())
        BuildUploadList(list, PathContext::ForProject(project, path), project.settings, *form, kinds, true, prompter);
    return true;
}

} // namespace quillet::cli
