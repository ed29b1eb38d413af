#include "db/DatabaseTab.h"

#include "project/NameRules.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace quillet {

namespace {

bool Valid(const DataSourceList& list, TreeItemRef item)
{
    if (item.source < 0 || item.source >= static_cast<int>(list.size()))
        return false;
    const DataSource& source = list[static_cast<size_t>(item.source)];
    return item.table < static_cast<int>(source.tables.size());
}

} // namespace

std::string FitToWidth(std::string_view text, size_t width)
{
    return std::string(text.substr(0, width > 0 ? width - 1 : 0));
}

DataSourceFields FieldsOf(const DataSource& dataSource)
{
    return {dataSource.driver,   dataSource.host, std::to_string(dataSource.port),
            dataSource.database, dataSource.user, dataSource.password};
}

std::optional<std::string> StoreFields(const DataSourceFields& fields, DataSource& dataSource)
{
    std::optional<std::string> refused;
    const struct {
        const char* label;
        std::string_view text;
        size_t width;
        std::string& field;
    } texts[] = {{"driver", fields.driver, kDriverWidth, dataSource.driver},
                 {"host", fields.host, kHostWidth, dataSource.host},
                 {"database", fields.database, kDatabaseWidth, dataSource.database},
                 {"user name", fields.user, kUserWidth, dataSource.user},
                 {"password", fields.password, kPasswordWidth, dataSource.password}};
    for (const auto& text : texts) {
        std::optional<std::string> message = DataSourceFieldMessage(text.label, text.text);
        if (!message)
            text.field = FitToWidth(text.text, text.width);
        else if (!refused)
            refused = message;
    }
    std::string_view port = fields.port;
    while (!port.empty() && std::isspace(static_cast<unsigned char>(port.front())))
        port.remove_prefix(1);
    while (!port.empty() && std::isspace(static_cast<unsigned char>(port.back())))
        port.remove_suffix(1);
    if (port.empty()) {
        dataSource.port = 0;
        return refused;
    }
    long value = -1;
    auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    bool whole = error == std::errc() && end == port.data() + port.size();
    if (std::optional<std::string> message = PortMessage(whole ? value : -1); !message)
        dataSource.port = static_cast<int>(value);
    else if (!refused)
        refused = message;
    return refused;
}

std::optional<std::string> RenameRecord(DataSourceList& list, TreeItemRef item, std::string_view label)
{
    if (!Valid(list, item))
        return std::nullopt;
    DataSource& source = list[static_cast<size_t>(item.source)];
    if (item.IsTable()) {
        source.tables[static_cast<size_t>(item.table)].name = FitToWidth(label, kTableNameWidth);
        return std::nullopt;
    }
    std::string name = FitToWidth(label, kSourceNameWidth);
    if (std::optional<std::string> message = DataSourceNameMessage(name))
        return message;
    source.name = std::move(name);
    return std::nullopt;
}

void RemoveRecord(DataSourceList& list, TreeItemRef item)
{
    if (!Valid(list, item))
        return;
    DataSource& source = list[static_cast<size_t>(item.source)];
    if (item.IsTable())
        source.tables.erase(source.tables.begin() + item.table);
    else
        list.erase(list.begin() + item.source);
}

TreeItemRef TableParent(TreeItemRef item)
{
    return {item.source, -1};
}

} // namespace quillet
