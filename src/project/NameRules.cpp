#include "project/NameRules.h"

#include "project/Action.h"
#include "project/Messages.h"
#include "project/Project.h"

#include <algorithm>
#include <array>

namespace quillet {

namespace {

// The main-package variables a generated script and the runtime modules share
// (see the head of ZentraCGI.pm), the script's own helpers, and Perl's globals.
constexpr std::array<std::string_view, 22> kReservedNames = {
    "FORM",      "FIELDS",      "FIELD_STATE", "TEMPFILES",   "COOKIEJAR", "cgipath", "ftproot", "cgiurl",
    "scripturl", "WWW_APPNAME", "WWW_MAXPOST", "nameservers", "dsn",       "m_pos",   "ENV",     "INC",
    "ARGV",      "ARGVOUT",     "SIG",         "STDIN",       "STDOUT",    "STDERR",
};

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsIdentifierChar(char c)
{
    return IsLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

bool IsIdentifier(std::string_view name)
{
    return !name.empty() && IsLetter(name.front()) && std::all_of(name.begin(), name.end(), IsIdentifierChar);
}

std::string IdentifierFrom(std::string_view text, std::string_view fallback)
{
    std::string out;
    for (char c : text) {
        if (IsLetter(c) || (c >= '0' && c <= '9'))
            out += c;
        else if (!out.empty() && out.back() != '_')
            out += '_';
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    if (out.empty())
        return std::string(fallback);
    return IsLetter(out.front()) ? out : std::string(fallback) + "_" + out;
}

bool IsReservedScriptName(std::string_view name)
{
    return std::find(kReservedNames.begin(), kReservedNames.end(), name) != kReservedNames.end();
}

NameProblem CheckScriptName(std::string_view name)
{
    if (!IsIdentifier(name))
        return NameProblem::NotIdentifier;
    return IsReservedScriptName(name) ? NameProblem::Reserved : NameProblem::None;
}

std::optional<std::string> ActionNameMessage(std::string_view name)
{
    switch (CheckScriptName(name)) {
    case NameProblem::NotIdentifier:
        return FormatMessage(Msg::ActionNameAlphanumeric);
    case NameProblem::Reserved:
        return FormatMessage(Msg::ActionNameReserved, {name});
    case NameProblem::None:
        break;
    }
    return std::nullopt;
}

std::optional<std::string> DataSourceNameMessage(std::string_view name)
{
    switch (CheckScriptName(name)) {
    case NameProblem::NotIdentifier:
        return FormatMessage(Msg::DataSourceNameInvalid, {name});
    case NameProblem::Reserved:
        return FormatMessage(Msg::DataSourceNameReserved, {name});
    case NameProblem::None:
        break;
    }
    return std::nullopt;
}

std::optional<std::string> DataSourceFieldMessage(std::string_view field, std::string_view value)
{
    if (value.find(';') == std::string_view::npos)
        return std::nullopt;
    return FormatMessage(Msg::DataSourceFieldSemicolon, {field});
}

std::optional<std::string> PortMessage(long port)
{
    if (port >= 0 && port <= 65535)
        return std::nullopt;
    return FormatMessage(Msg::PortOutOfRange);
}

namespace {

std::optional<std::string> CheckActions(const ActionList& actions, const Project& project);

std::optional<std::string> CheckForm(const Form& form, const Project& project)
{
    for (const Handler& handler : form.handlers)
        if (auto message = CheckActions(handler.actions, project))
            return message;
    return std::nullopt;
}

std::optional<std::string> CheckActions(const ActionList& actions, const Project& project)
{
    for (const Action& action : actions) {
        if (auto message = ActionNameMessage(action.name))
            return message;
        // "%name" of a record action would replace the data source's handle.
        if (project.FindDataSource(action.name))
            return FormatMessage(Msg::ActionNameIsDataSource, {action.name});
        if (action.type == ActionType::ConditionalStatement) {
            if (auto message = CheckActions(action.Condition().actions, project))
                return message;
        } else if (action.type == ActionType::PostHtmlForm) {
            if (auto message = CheckForm(action.FormBody().form, project))
                return message;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> CheckDataSource(const DataSource& ds)
{
    if (auto message = DataSourceNameMessage(ds.name))
        return message;
    const std::pair<const char*, const std::string*> fields[] = {{"driver", &ds.driver},
                                                                 {"database", &ds.database},
                                                                 {"host", &ds.host},
                                                                 {"user name", &ds.user},
                                                                 {"password", &ds.password}};
    for (const auto& [label, value] : fields)
        if (auto message = DataSourceFieldMessage(label, *value))
            return message;
    return PortMessage(ds.port);
}

std::optional<std::string> CheckProjectNames(const Project& project)
{
    for (const DataSource& ds : project.dataSources)
        if (auto message = CheckDataSource(ds))
            return message;
    for (const Form& form : project.forms)
        if (auto message = CheckForm(form, project))
            return message;
    return std::nullopt;
}

} // namespace quillet
