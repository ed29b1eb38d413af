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

void WriteProject(ProjectWriter& out, const Project& project, const ServerSettings* settings)
{
    out.SetByteOrderMark(project.byteOrderMark);
    WriteSettings(out, settings ? *settings : project.settings);
    WriteDataSources(out, project.dataSources);
    for (const Form& form : project.forms)
        WriteForm(out, form);
}

bool ReadProject(ProjectReader& in, Project& project)
{
    project.byteOrderMark = in.HasByteOrderMark();
    if (!ReadSettings(in, project.settings) || !ReadDataSources(in, project.dataSources))
        return false;
    while (true) {
        Form form;
        if (!ReadForm(in, form))
            break;
        project.forms.push_back(std::move(form));
    }
    return !in.Failed() && in.ExpectEnd();
}

} // namespace quillet
