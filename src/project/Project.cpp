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

namespace {

void SkipToFormBlock(ProjectReader& in)
{
    while (!in.AtEnd()) {
        size_t start = in.Position();
        std::string_view line = *in.NextLine();
        if (line.starts_with("FORM_FILE=")) {
            in.Rewind(start);
            return;
        }
    }
}

} // namespace

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
    // A broken table is dropped with every data source, but the forms after it
    // are the user's work: go on at the first form block instead of stopping.
    if (!ReadDataSources(in, project.dataSources))
        SkipToFormBlock(in);
    while (true) {
        Form form;
        if (!ReadForm(in, form))
            break;
        project.forms.push_back(std::move(form));
    }
    return true;
}

} // namespace quillet
