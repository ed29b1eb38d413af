#include "db/CreateTable.h"
#include "db/ColumnTypes.h"
#include "project/DataSource.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

ColumnDef Column(std::string name, std::string type, long length = 0)
{
    ColumnDef column;
    column.name = std::move(name);
    column.type = std::move(type);
    column.length = length;
    return column;
}

TableDef Table(std::string name, std::vector<ColumnDef> columns)
{
    TableDef table;
    table.name = std::move(name);
    table.columns = std::move(columns);
    return table;
}

TEST(CreateTable, MySqlTextKeepsEveryBlank)
{
    ColumnDef id = Column("id", "INT", 11);
    id.numberFlags = kUnsignedFlag;
    id.nullOption = "NOT NULL";
    id.index = "PRIMARY KEY";
    ColumnDef name = Column("name", "VARCHAR", 20);
    name.defaultValue = "x";
    EXPECT_EQ(BuildCreateTable(Table("Table1", {id, name})),
              "Create Table Table1(id INT(11) UNSIGNED NOT NULL PRIMARY KEY , name VARCHAR(20) DEFAULT 'x'  )");
}

TEST(CreateTable, MySqlColumnEdgeCases)
{
    ColumnDef precisionNoSize = Column("p", "DECIMAL");
    precisionNoSize.numberFlags = kPrecisionFlag;
    ColumnDef precision = Column("q", "DOUBLE", 10);
    precision.numberFlags = kPrecisionFlag | kZeroFillFlag;
    precision.decimals = 2;
    ColumnDef intDefault = Column("n", "int");
    intDefault.defaultValue = "5";
    ColumnDef textDefault = Column("t", "text");
    textDefault.defaultValue = "it's C:\\x";
    ColumnDef enumDefault = Column("e", "ENUM");
    enumDefault.values = {{"a"}, {"b'c"}};
    enumDefault.defaultValue = "'a'";
    ColumnDef blankNull = Column("b", "DATE");
    blankNull.nullOption = " ";
    struct Case {
        ColumnDef column;
        const char* expected;
    } cases[] = {
        {Column("e", "ENUM"), "e ENUM()  "},
        {Column("c", "VARCHAR"), "c VARCHAR  "},
        {precisionNoSize, "p DECIMAL  "},
        {precision, "q DOUBLE(10, 2) ZEROFILL  "},
        {intDefault, "n int DEFAULT 5  "},
        {textDefault, "t text DEFAULT 'it''s C:\\\\x'  "},
        {enumDefault, "e ENUM('a', 'b''c') DEFAULT 'a'  "},
        {blankNull, "b DATE    "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildCreateTable(Table("T", {c.column})), std::string("Create Table T(") + c.expected + ")")
            << c.column.name;
    EXPECT_EQ(BuildCreateTable(Table("T", {})), "Create Table T()");
}

TEST(CreateTable, DialectsDropMySqlOnlySyntax)
{
    ColumnDef id = Column("id", "MEDIUMINT", 9);
    id.numberFlags = kUnsignedFlag | kZeroFillFlag;
    id.index = "PRIMARY KEY";
    ColumnDef kind = Column("kind", "ENUM");
    kind.values = {{"a"}, {"b"}};
    kind.index = "INDEX";
    ColumnDef blob = Column("data", "LONGBLOB");
    ColumnDef when = Column("at", "DATETIME");
    ColumnDef price = Column("price", "FLOAT", 8);
    price.numberFlags = kPrecisionFlag;
    price.decimals = 2;
    TableDef table = Table("T", {id, kind, blob, when, price});
    EXPECT_EQ(BuildCreateTable(table, SqlDialect::Sqlite),
              "Create Table T(id INTEGER PRIMARY KEY , kind TEXT CHECK (kind IN ('a', 'b'))  , data LONGBLOB  , "
              "at DATETIME  , price FLOAT(8, 2)  )");
    EXPECT_EQ(BuildCreateTable(table, SqlDialect::Postgres),
              "Create Table T(id INTEGER PRIMARY KEY , kind TEXT CHECK (kind IN ('a', 'b'))  , data BYTEA  , "
              "at TIMESTAMP  , price DOUBLE PRECISION  )");
    EXPECT_EQ(DialectOfDriver("sqlite"), SqlDialect::Sqlite);
    EXPECT_EQ(DialectOfDriver("Pg"), SqlDialect::Postgres);
    EXPECT_EQ(DialectOfDriver("mysql"), SqlDialect::MySql);
}

TEST(ColumnTypes, CatalogueLookupAndQuoting)
{
    ASSERT_EQ(kColumnTypeCatalogue.size(), 27u);
    EXPECT_EQ(FindColumnType("int")->Name(), "INT");
    EXPECT_EQ(FindColumnType("Integ")->Name(), "INTEGER");
    EXPECT_EQ(FindColumnType("CHAR")->Name(), "CHAR");
    EXPECT_EQ(FindColumnType(""), nullptr);
    EXPECT_EQ(FindColumnType("MONEY"), nullptr);
    EXPECT_TRUE(FindColumnType("DECIMAL")->AllowsPrecision());
    EXPECT_FALSE(FindColumnType("BIGINT")->AllowsPrecision());
    EXPECT_TRUE(FindColumnType("BIGINT")->IsNumeric());
    EXPECT_FALSE(FindColumnType("DATE")->TakesSize());
    EXPECT_TRUE(FindColumnType("VARCHAR")->TakesSize());
    EXPECT_TRUE(IsQuotedType("varbinary"));
    EXPECT_FALSE(IsQuotedType("ENUM"));
    EXPECT_FALSE(IsQuotedType("DATE"));
}

} // namespace
} // namespace quillet
