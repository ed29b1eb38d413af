#include "project/DataSource.h"

#include "generator/PerlLiteral.h"
#include "project/Messages.h"
#include "project/NameRules.h"
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
                    WriteNumber(out, "COLUMN_VALSZ", BlockLength(v.text));
                    WriteBlock(out, "COLUMN_VALSET", v.text);
                }
            }
        }
    }
}

namespace {

std::optional<std::string> Required(ProjectReader& in, std::string_view key)
{
    ReadResult r = ReadValue(in, key);
    if (!r.found) {
        in.FailMissing(in.Position(), "\"" + std::string(key) + "=\"");
        return std::nullopt;
    }
    return std::move(r.text);
}

long RequiredNumber(ProjectReader& in, std::string_view key)
{
    bool found = false;
    long number = ReadNumber(in, key, &found);
    if (!found)
        in.FailMissing(in.Position(), "\"" + std::string(key) + "=\"");
    return number;
}

bool ReadColumn(ProjectReader& in, ColumnDef& col)
{
    col.type = Required(in, "COLUMN_TYPE").value_or("");
    col.length = RequiredNumber(in, "COLUMN_SIZE");
    col.nullOption = Required(in, "COLUMN_NULL").value_or("");
    col.index = Required(in, "COLUMN_INDEX").value_or("");
    long defaultLength = RequiredNumber(in, "COLUMN_DEFSZ");
    col.defaultValue = ReadLineBlock(in, "COLUMN_DEFVAL", defaultLength).text;
    while (!in.Failed()) {
        bool found = false;
        long valueLength = ReadNumber(in, "COLUMN_VALSZ", &found, true);
        if (!found)
            break;
        ReadResult v = ReadLineBlock(in, "COLUMN_VALSET", valueLength);
        if (v.found)
            col.values.push_back({std::move(v.text)});
    }
    return !in.Failed();
}

bool ReadTables(ProjectReader& in, DataSource& ds)
{
    while (!in.Failed()) {
        ReadResult name = ReadValue(in, "TABLE_NAME", true);
        if (!name.found)
            break;
        TableDef& table = ds.tables.emplace_back();
        table.name = std::move(name.text);
        table.type = Required(in, "TABLE_TYPE").value_or("");
        while (!in.Failed()) {
            ReadResult colName = ReadValue(in, "COLUMN_NAME", true);
            if (!colName.found)
                break;
            ColumnDef& col = table.columns.emplace_back();
            col.name = std::move(colName.text);
            ReadColumn(in, col);
        }
    }
    return !in.Failed();
}

} // namespace

bool ReadDataSources(ProjectReader& in, DataSourceList& list)
{
    if (!ReadValue(in, "DATASOURCES").found)
        return !in.Failed();
    while (!in.Failed()) {
        size_t start = in.Position();
        ReadResult dsn = ReadValue(in, "DSN", true);
        if (!dsn.found)
            break;
        DataSource& ds = list.emplace_back();
        if (auto expected = ParseDsn(dsn.text, ds))
            in.Fail(start, *expected);
        else if (auto message = CheckDataSource(ds))
            in.Refuse(start, *message);
        else
            ReadTables(in, ds);
    }
    return !in.Failed();
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

// "NAME:DBI:DRIVER:DATABASE"; the database is the rest, so a path such as
// C:\data\x.db keeps its colon.
bool ParseDsnHead(std::string_view head, DataSource& ds)
{
    size_t first = head.find(':');
    size_t second = first == std::string_view::npos ? first : head.find(':', first + 1);
    size_t third = second == std::string_view::npos ? second : head.find(':', second + 1);
    if (third == std::string_view::npos || head.substr(first + 1, second - first - 1) != "DBI")
        return false;
    ds.name = head.substr(0, first);
    ds.driver = head.substr(second + 1, third - second - 1);
    ds.database = head.substr(third + 1);
    return true;
}

} // namespace

std::optional<std::string> ParseDsn(std::string_view value, DataSource& ds)
{
    std::vector<std::string_view> pieces = Split(value, ';');
    if (!ParseDsnHead(pieces[0], ds))
        return FormatMessage(Msg::ExpectedDsnHead);
    for (size_t i = 1; i < pieces.size(); ++i) {
        // A value runs to the end of its piece, "=" included.
        size_t eq = pieces[i].find('=');
        std::string_view key = pieces[i].substr(0, eq);
        std::string_view val = eq == std::string_view::npos ? std::string_view() : pieces[i].substr(eq + 1);
        if (eq == std::string_view::npos)
            return FormatMessage(Msg::ExpectedDsnSetting);
        if (key == "host") {
            ds.host = val;
        } else if (key == "port") {
            std::optional<long> port = ParseWholeNumber(val);
            if (!port || *port < 0 || *port > 65535)
                return FormatMessage(Msg::ExpectedPort);
            ds.port = static_cast<int>(*port);
        } else if (key == "user") {
            ds.user = val;
        } else if (key == "pass") {
            // The password is written last on its line, where a CR would read as part of the
            // line end: it would be lost on the next save, so it is not read in.
            while (!val.empty() && val.back() == '\r')
                val.remove_suffix(1);
            ds.password = val;
        } else {
            return FormatMessage(Msg::ExpectedDsnSetting);
        }
    }
    return std::nullopt;
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
