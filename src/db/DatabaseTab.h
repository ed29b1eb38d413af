#pragma once

#include "project/DataSource.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// Record widths of the "Database" tab, terminator included: a field holds one
// character less.
inline constexpr size_t kSourceNameWidth = 64;
inline constexpr size_t kDriverWidth = 32;
inline constexpr size_t kDatabaseWidth = 256;
inline constexpr size_t kHostWidth = 128;
inline constexpr size_t kUserWidth = 32;
inline constexpr size_t kPasswordWidth = 32;
inline constexpr size_t kTableNameWidth = 64;

// Which record a tree item of the "Database" tab stands for.
struct TreeItemRef {
    int source = -1;
    int table = -1; // -1 for the data source itself

    bool IsTable() const { return table >= 0; }
    bool operator==(const TreeItemRef&) const = default;
};

// The data source fields as the page's edits hold them.
struct DataSourceFields {
    std::string driver;
    std::string host;
    std::string port;
    std::string database;
    std::string user;
    std::string password;

    bool operator==(const DataSourceFields&) const = default;
};

std::string FitToWidth(std::string_view text, size_t width);
DataSourceFields FieldsOf(const DataSource& dataSource);
// Texts are cut to their record widths. A text holding ";" or a port that is
// not a whole number from 0 to 65535 leaves its stored value as it was, and the
// message that says why comes back.
std::optional<std::string> StoreFields(const DataSourceFields& fields, DataSource& dataSource);
// The label of an item becomes its record's name. A data source name that the
// name rules refuse keeps the old name, and their message comes back.
std::optional<std::string> RenameRecord(DataSourceList& list, TreeItemRef item, std::string_view label);
// Removes the record of an item: a table, or a data source with its tables.
void RemoveRecord(DataSourceList& list, TreeItemRef item);
// The item under which "Add Table" adds: the data source of the item.
TreeItemRef TableParent(TreeItemRef item);

} // namespace quillet
