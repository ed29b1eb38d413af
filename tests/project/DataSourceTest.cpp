#include "project/DataSource.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

DataSource Shop()
{
    DataSource ds;
    ParseDsn("db1:DBI:mysql:shop;host=dbhost;port=3306;user=web;pass=", ds);
    return ds;
}

} // namespace

TEST(DataSources, BlockHasTheDocumentedShape)
{
    DataSource ds = Shop();
    ds.tables.push_back({"orders", "", {{"id", "INT", 11, "NOT NULL", "", {}, "", 0, 0, 0}}});
    ProjectWriter out;
    WriteDataSources(out, {ds});
    EXPECT_EQ(out.Text(), "DATASOURCES\nDSN=db1:DBI:mysql:shop;host=dbhost;port=3306;user=web;pass=\n"
                          "TABLE_NAME=orders\nTABLE_TYPE=\nCOLUMN_NAME=id\nCOLUMN_TYPE=INT\nCOLUMN_SIZE=11\n"
                          "COLUMN_NULL=NOT NULL\nCOLUMN_INDEX=\nCOLUMN_DEFSZ=0\nCOLUMN_DEFVAL=\n");

    ProjectWriter none;
    WriteDataSources(none, {});
    EXPECT_EQ(none.Text(), "DATASOURCES\n");
}

TEST(DataSources, EnumValuesAndDefaultsReadBackInOrder)
{
    DataSource ds = Shop();
    ColumnDef col{"size", "ENUM", 0, "NULL", "", {{"a"}, {"b"}, {"c"}}, "abc", 0, 0, 0};
    ds.tables.push_back({"t", "", {col}});
    ProjectWriter out;
    WriteDataSources(out, {ds});
    EXPECT_NE(out.Text().find("COLUMN_DEFSZ=3\nCOLUMN_DEFVAL=abc\nCOLUMN_VALSZ=1\nCOLUMN_VALSET=a\nCOLUMN_VALSZ=1\n"
                              "COLUMN_VALSET=b\nCOLUMN_VALSZ=1\nCOLUMN_VALSET=c\n"),
              std::string::npos);
    ProjectReader in(out.Text());
    DataSourceList list;
    ReadDataSources(in, list);
    ASSERT_EQ(list.size(), 1u);
    const ColumnDef& read = list[0].tables.at(0).columns.at(0);
    EXPECT_EQ(read.defaultValue, "abc");
    ASSERT_EQ(read.values.size(), 3u);
    EXPECT_EQ(read.values[0].text, "a");
    EXPECT_EQ(read.values[2].text, "c");
    EXPECT_TRUE(in.AtEnd());
}

TEST(ParseDsn, TakesTheWholeFieldOrSaysWhatWasExpected)
{
    struct Case {
        const char* value;
        DataSource expected;
        std::optional<Msg> error;
    } cases[] = {
        {"db1:DBI:mysql:shop;host=h;port=3306;user=u;pass=p", {"db1", "mysql", "shop", "h", 3306, "u", "p", {}}, {}},
        {"s:DBI:SQLite:C:\\data\\x.db;pass=a=b", {"s", "SQLite", "C:\\data\\x.db", "", 0, "", "a=b", {}}, {}},
        {"s:DBI:SQLite:d;pass=a\rb\r\r;user=\r", {"s", "SQLite", "d", "", 0, "\r", "a\rb", {}}, {}},
        {"lonely", {}, Msg::ExpectedDsnHead},
        {"a:ODBC:Pg:d", {}, Msg::ExpectedDsnHead},
        {"a:DBI:Pg:d;other=1", {}, Msg::ExpectedDsnSetting},
        {"a:DBI:Pg:d;;user=u", {}, Msg::ExpectedDsnSetting},
        {"a:DBI:Pg:d;pass=a;b", {}, Msg::ExpectedDsnSetting},
        {"a:DBI:Pg:d;port=99999999999", {}, Msg::ExpectedPort},
        {"a:DBI:Pg:d;port=-1", {}, Msg::ExpectedPort},
    };
    for (const Case& c : cases) {
        DataSource ds;
        std::optional<std::string> error = ParseDsn(c.value, ds);
        EXPECT_EQ(error, c.error ? std::optional(FormatMessage(*c.error)) : std::nullopt) << c.value;
        if (!c.error) {
            EXPECT_EQ(ds, c.expected) << c.value;
        }
    }
}

TEST(Snippets, OpenAndCloseEveryDataSource)
{
    DataSource local;
    ParseDsn("guest:DBI:SQLite:/tmp/g.db;host=;port=0;user=;pass=", local);
    DataSource remote = Shop();
    remote.password = "p\"$x@y\\";
    std::string open;
    WriteOpenSnippet(open, {local, remote});
    EXPECT_EQ(open, "#----------- Open SQLite Datasouce guest --------\n\n"
                    "$dsn = \"DBI:SQLite:database=/tmp/g.db\";\n"
                    "$guest = DBI->connect($dsn, \"\", \"\");\n\n"
                    "#----------- Open mysql Datasouce db1 --------\n\n"
                    "$dsn = \"DBI:mysql:database=shop;host=dbhost;port=3306\";\n"
                    "$db1 = DBI->connect($dsn, \"web\", \"p\\\"\\$x\\@y\\\\\");\n\n"
                    "#----------- End Datasouce --------\n\n");
    std::string close;
    WriteCloseSnippet(close, {local});
    EXPECT_EQ(close, "#----------- Close SQLite Datasouce guest --------\n\n$guest->disconnect();\n"
                     "#----------- End Close Datasouce --------\n\n");
}
