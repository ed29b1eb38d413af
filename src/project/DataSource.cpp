#include "project/DataSource.h"

#include "generator/PerlLiteral.h"
#include "project/Paths.h"
#include "project/ProjectFile.h"

#include <optional>
#include <strings.h>

namespace quillet {

const TableDef* DataSource::FindTable(std::string_view tableName) const
{
    for (const TableDef& t : tables)
        if (t.name == tableName)
            return &t;
    return nullptr;
}

std::string FormatDsn(const DataSource& ds)
{
    return ds.name + ":DBI:" + ds.driver + ":" + ds.database + ";host=" + ds.host + ";port=" + std::to_string(ds.port) +
           ";user=" + ds.user + ";pass=" + ds.password;
}

void WriteDataSources(ProjectWriter& out, const DataSourceList& list)
{
    out.Raw("DATASOURCES\n");
    for (const DataSource& ds : list) {
        WriteValue(out, "DSN", FormatDsn(ds));
        for (const TableDef& table : ds.tables) {
            WriteValue(out, "TABLE_NAME", table.name);
            WriteValue(out, "TABLE_TYPE", table.type);
            for (const ColumnDef& col : table.columns) {
                WriteValue(out, "COLUMN_NAME", col.name);
                WriteValue(out, "COLUMN_TYPE", col.type);
                WriteNumber(out, "COLUMN_SIZE", col.length);
                WriteValue(out, "COLUMN_NULL", col.nullOption);
                WriteValue(out, "COLUMN_INDEX", col.index);
                WriteNumber(out, "COLUMN_DEFSZ", BlockLength(col.defaultValue));
                WriteBlock(out, "COLUMN_DEFVAL", col.defaultValue);
                for (const ColumnValue& v : col.values) {
                    // Value-list entries are written as held, CRs and all.
                    WriteNumber(out, "COLUMN_VALSZ", static_cast<long>(v.text.size()));
                    out.Raw("COLUMN_VALSET=");
                    out.Raw(v.text);
                    out.Raw("\n");
                }
            }
        }
    }
}

namespace {

std::optional<std::string> Required(ProjectReader& in, std::string_view key)
{
    ReadResult r = ReadValue(in, key);
    if (!r.found)
        return std::nullopt;
    return std::move(r.text);
}

bool ReadColumn(ProjectReader& in, ColumnDef& col)
{
    auto type = Required(in, "COLUMN_TYPE");
    if (!type)
        return false;
    col.type = std::move(*type);
    bool found = false;
    col.length = ReadNumber(in, "COLUMN_SIZE", &found);
    if (!found)
        return false;
    auto nullOption = Required(in, "COLUMN_NULL");
    auto index = nullOption ? Required(in, "COLUMN_INDEX") : std::nullopt;
    if (!index)
        return false;
    col.nullOption = std::move(*nullOption);
    col.index = std::move(*index);
    long defaultLength = ReadNumber(in, "COLUMN_DEFSZ", &found);
    if (!found)
        return false;
    ReadResult def = ReadBlock(in, "COLUMN_DEFVAL", defaultLength);
    if (!def.found)
        return false;
    col.defaultValue = std::move(def.text);
    while (true) {
        long valueLength = ReadNumber(in, "COLUMN_VALSZ", &found);
        if (!found)
            break;
        ReadResult v = ReadBlock(in, "COLUMN_VALSET", valueLength);
        if (v.found)
            col.values.push_back({std::move(v.text)});
    }
    return true;
}

bool ReadTables(ProjectReader& in, DataSource& ds)
{
    while (true) {
        ReadResult name = ReadValue(in, "TABLE_NAME");
        if (!name.found)
            return true;
        auto type = Required(in, "TABLE_TYPE");
        if (!type)
            return false;
        TableDef& table = ds.tables.emplace_back();
        table.name = std::move(name.text);
        table.type = std::move(*type);
        while (true) {
            ReadResult colName = ReadValue(in, "COLUMN_NAME");
            if (!colName.found)
                break;
            ColumnDef col;
            col.name = std::move(colName.text);
            if (!ReadColumn(in, col))
                return false;
            table.columns.push_back(std::move(col));
        }
    }
}

} // namespace

bool ReadDataSources(ProjectReader& in, DataSourceList& list)
{
    if (!ReadValue(in, "DATASOURCES").found)
        return true;
    while (true) {
        ReadResult dsn = ReadValue(in, "DSN");
        if (!dsn.found)
            return true;
        DataSource& ds = list.emplace_back();
        ParseDsn(dsn.text, ds);
        if (!ReadTables(in, ds)) {
            list.clear();
            return false;
        }
    }
}

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (true) {
        size_t at = text.find(separator, start);
        pieces.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
            return pieces;
        start = at + 1;
    }
}

} // namespace

void ParseDsn(std::string_view value, DataSource& ds)
{
    std::vector<std::string_view> pieces = Split(value, ';');
    for (size_t i = 0; i < pieces.size() && !pieces[i].empty(); ++i) {
        if (i == 0) {
            std::vector<std::string_view> parts = Split(pieces[0], ':');
            ds.name = parts[0];
            if (parts.size() > 2)
                ds.driver = parts[2];
            if (parts.size() > 3)
                ds.database = parts[3];
            continue;
        }
        std::vector<std::string_view> kv = Split(pieces[i], '=');
        std::string_view key = kv[0];
        std::string_view val = kv.size() > 1 ? kv[1] : std::string_view();
        if (key == "host")
            ds.host = val;
        else if (key == "port")
            ds.port = static_cast<int>(ParseDecimal(val));
        else if (key == "user")
            ds.user = val;
        else if (key == "pass")
            ds.password = val;
    }
}

void WriteOpenSnippet(std::string& script, const DataSourceList& list)
{
    for (const DataSource& ds : list) {
        script += "#----------- Open " + ds.driver + " Datasouce " + ds.name + " --------\n\n";
        script += "$dsn = \"DBI:" + EscapePerlDouble(ds.driver) + ":database=";
        // A relative SQLite file lives in the data folder, which the web server
        // never hands out, and which the administration script also uses.
        if (strcasecmp(ds.driver.c_str(), "SQLite") == 0 && !ds.database.empty() && ds.database != ":memory:" &&
            !IsAbsolutePath(ds.database))
            script += "\" . FTP2System(\"$cgipath/data/" + EscapePerlDouble(ds.database) + "\") . \"";
        else
            script += EscapePerlDouble(ds.database);
        if (!ds.host.empty())
            script += ";host=" + EscapePerlDouble(ds.host);
        if (ds.port != 0)
            script += ";port=" + std::to_string(ds.port);
        script += "\";\n";
        script += "$" + ds.name + " = DBI->connect($dsn, \"" + EscapePerlDouble(ds.user) + "\", \"" +
                  EscapePerlDouble(ds.password) + "\");\n\n";
    }
    script += "#----------- End Datasouce --------\n\n";
}

void WriteCloseSnippet(std::string& script, const DataSourceList& list)
{
    for (const DataSource& ds : list) {
        script += "#----------- Close " + ds.driver + " Datasouce " + ds.name + " --------\n\n";
        script += "$" + ds.name + "->disconnect();\n";
    }
    script += "#----------- End Close Datasouce --------\n\n";
}

} // namespace quillet
