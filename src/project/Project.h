#pragma once

#include "project/Action.h"
#include "project/DataSource.h"
#include "project/Form.h"
#include "project/ServerSettings.h"

#include <string>
#include <vector>

namespace quillet {

class ProjectReader;
class ProjectWriter;

struct Project {
    ServerSettings settings;
    DataSourceList dataSources;
    std::vector<Form> forms;

    bool operator==(const Project&) const = default;

    // The first form is the one the Form tab, the action sheet and the build work on.
    Form* CurrentForm() { return forms.empty() ? nullptr : &forms.front(); }
    const Form* CurrentForm() const { return forms.empty() ? nullptr : &forms.front(); }
    const DataSource* FindDataSource(std::string_view name) const;
};

void WriteProject(ProjectWriter& out, const Project& project);
// False only when the settings block ends early; everything else that is
// missing or unexpected leaves values empty or ends a list.
bool ReadProject(ProjectReader& in, Project& project);

} // namespace quillet
