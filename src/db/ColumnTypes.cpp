#include "db/ColumnTypes.h"

#include <algorithm>
#include <cctype>

namespace quillet {

namespace {

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

} // namespace

std::string_view ColumnTypeInfo::Name() const
{
    return syntax.substr(0, syntax.find_first_of("[("));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

const ColumnTypeInfo* FindColumnType(std::string_view text)
{
    if (text.empty())
        return nullptr;
    for (const ColumnTypeInfo& info : kColumnTypeCatalogue)
        if (StartsWithIgnoringCase(info.syntax, text))
            return &info;
    return nullptr;
}

const ColumnTypeInfo* ColumnTypeByName(std::string_view type)
{
    for (const ColumnTypeInfo& info : kColumnTypeCatalogue)
        if (EqualsIgnoringCase(info.Name(), type))
            return &info;
    return nullptr;
}

bool IsQuotedType(std::string_view type)
{
    static constexpr std::string_view kQuoted[] = {"CHAR",       "VARCHAR",  "TINYBLOB", "BLOB",
                                                   "MEDIUMBLOB", "LONGBLOB", "TINYTEXT", "TEXT",
                                                   "MEDIUMTEXT", "LONGTEXT", "BINARY",   "VARBINARY"};
    return std::any_of(std::begin(kQuoted), std::end(kQuoted),
                       [type](std::string_view quoted) { return EqualsIgnoringCase(type, quoted); });
}

bool IsValueListType(std::string_view type)
{
    return EqualsIgnoringCase(type, "SET") || EqualsIgnoringCase(type, "ENUM");
}

} // namespace quillet
