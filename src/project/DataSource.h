#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class ProjectReader;
class ProjectWriter;

struct ColumnValue {
    std::string text;

    bool operator==(const ColumnValue&) const = default;
};

struct ColumnDef {
    std::string name;
    std::string type;
    long length = 0;
    std::string nullOption;
    std::string index;
    std::vector<ColumnValue> values;
    std::string defaultValue;
    // Designer state, never stored in the project file.
    int numberFlags = 0;
    int decimals = 0;
    int designState = 0;

    bool operator==(const ColumnDef&) const = default;
};

struct TableDef {
    std::string name;
    std::string type;
    std::vector<ColumnDef> columns;

    bool operator==(const TableDef&) const = default;
};

struct DataSource {
    std::string name;
    std::string driver;
    std::string database;
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
    std::vector<TableDef> tables;

    bool operator==(const DataSource&) const = default;

    const TableDef* FindTable(std::string_view tableName) const;
};

using DataSourceList = std::vector<DataSource>;

void WriteDataSources(ProjectWriter& out, const DataSourceList& list);
// Appends what it reads to list. A table or column that lacks a required entry,
// or a data source that the name rules refuse, fails the read.
bool ReadDataSources(ProjectReader& in, DataSourceList& list);

// Fills the connection fields from a "DSN" value; returns what was expected
// when the value is not "NAME:DBI:DRIVER:DATABASE" with host=, port=, user= and
// pass= settings after ";".
std::optional<std::string> ParseDsn(std::string_view value, DataSource& dataSource);
std::string FormatDsn(const DataSource& dataSource);

// The Perl text that opens and closes every data source of a generated script.
void WriteOpenSnippet(std::string& script, const DataSourceList& list);
void WriteCloseSnippet(std::string& script, const DataSourceList& list);

} // namespace quillet
