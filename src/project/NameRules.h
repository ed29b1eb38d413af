#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct DataSource;
struct Project;

// Action and data-source names become Perl variables of the generated script
// ("%name", "$name"), so they must be identifiers that no runtime variable uses.
enum class NameProblem {
    None,
    NotIdentifier, // empty, not starting with a letter, or holding more than letters, digits and "_"
    Reserved,      // a variable the script or the runtime modules use themselves
};

// Letters, digits and "_", starting with a letter.
bool IsIdentifier(std::string_view name);
// An identifier made of text's letters and digits, each run of anything else one
// "_": fallback when nothing is left, prefixed to one that starts with a digit.
std::string IdentifierFrom(std::string_view text, std::string_view fallback);
// FORM, ENV, COOKIEJAR and the other main-package variables of a generated script.
bool IsReservedScriptName(std::string_view name);
NameProblem CheckScriptName(std::string_view name);

// The message that refuses a name, or nothing when the name is good.
std::optional<std::string> ActionNameMessage(std::string_view name);
std::optional<std::string> DataSourceNameMessage(std::string_view name);

// Connection fields are stored as one ";"-separated entry, so none may hold ";".
// field names the setting as the message shows it ("database", "password").
std::optional<std::string> DataSourceFieldMessage(std::string_view field, std::string_view value);
std::optional<std::string> PortMessage(long port);

// The first of the checks above that a data source fails: name, fields, port.
std::optional<std::string> CheckDataSource(const DataSource& dataSource);

// The first value of the project that the checks above refuse, with its message:
// data sources, then every action name of every handler, nested lists included.
std::optional<std::string> CheckProjectNames(const Project& project);

} // namespace quillet
