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
    // The file began with a UTF-8 byte-order mark, which a save writes back.
    bool byteOrderMark = false;

    bool operator==(const Project&) const = default;

    // The first form is the one the Form tab, the action sheet and the build work on.
    Form* CurrentForm() { return forms.empty() ? nullptr : &forms.front(); }
    const Form* CurrentForm() const { return forms.empty() ? nullptr : &forms.front(); }
    const DataSource* FindDataSource(std::string_view name) const;
};

// settings, when given, are written in place of the project's own.
void WriteProject(ProjectWriter& out, const Project& project, const ServerSettings* settings = nullptr);
// Reads the whole file or fails: a line the reader cannot place, a count that
// promises more than follows, or a name the name rules refuse stops it, and
// the reader's error says where and why. Missing optional keys read as empty.
bool ReadProject(ProjectReader& in, Project& project);

} // namespace quillet
