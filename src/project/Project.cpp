#include "project/Project.h"

#include "project/ProjectFile.h"

namespace quillet {

const DataSource* Project::FindDataSource(std::string_view name) const
{
    for (const DataSource& ds : dataSources)
        if (ds.name == name)
            return &ds;
    return nullptr;
}

void WriteProject(ProjectWriter& out, const Project& project)
{
    WriteSettings(out, project.settings);
    WriteDataSources(out, project.dataSources);
    for (const Form& form : project.forms)
        WriteForm(out, form);
}

bool ReadProject(ProjectReader& in, Project& project)
{
    if (!ReadSettings(in, project.settings))
        return false;
    ReadDataSources(in, project.dataSources);
    while (true) {
        Form form;
        if (!ReadForm(in, form))
            break;
        project.forms.push_back(std::move(form));
    }
    return true;
}

} // namespace quillet
