#include "db/DatabaseTab.h"

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

void StoreFields(const DataSourceFields& fields, DataSource& dataSource)
{
    dataSource.driver = FitToWidth(fields.driver, kDriverWidth);
    dataSource.host = FitToWidth(fields.host, kHostWidth);
    dataSource.database = FitToWidth(fields.database, kDatabaseWidth);
    dataSource.user = FitToWidth(fields.user, kUserWidth);
    dataSource.password = FitToWidth(fields.password, kPasswordWidth);
    std::string_view port = fields.port;
    while (!port.empty() && std::isspace(static_cast<unsigned char>(port.front())))
        port.remove_prefix(1);
    while (!port.empty() && std::isspace(static_cast<unsigned char>(port.back())))
        port.remove_suffix(1);
    if (port.empty()) {
        dataSource.port = 0;
        return;
    }
    int value = 0;
    auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error == std::errc() && end == port.data() + port.size())
        dataSource.port = value;
}

void RenameRecord(DataSourceList& list, TreeItemRef item, std::string_view label)
{
    if (!Valid(list, item))
        return;
    DataSource& source = list[static_cast<size_t>(item.source)];
    if (item.IsTable())
        source.tables[static_cast<size_t>(item.table)].name = FitToWidth(label, kTableNameWidth);
    else
        source.name = FitToWidth(label, kSourceNameWidth);
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
