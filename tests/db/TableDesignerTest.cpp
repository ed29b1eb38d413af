#include "db/TableDesigner.h"
#include "db/ColumnTypes.h"
#include "db/CreateTable.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

using Grid = TableGrid;

TEST(TableDesigner, NewNamesForDataSourcesAndTables)
{
    DataSourceList list(1);
    EXPECT_EQ(AddDataSource(list).name, "Database1");
    EXPECT_EQ(AddDataSource(list).name, "Database1");
    DataSource& source = list[0];
    source.tables = {TableDef{"Table1", "", {}}, TableDef{"Table3", "", {}}, TableDef{"table2", "", {}}};
    EXPECT_EQ(AddTable(source).name, "Table2");
    EXPECT_EQ(AddTable(source).name, "Table4");
    EXPECT_EQ(source.tables.back().name, "Table4");
}

TEST(TableDesigner, TypeChoiceLocksAndUnlocksTheSize)
{
    test::ScriptedPrompter prompter;
    TableDef table{"T", "", {}};
    Grid grid(table);
    grid.EditCell(1, Grid::FieldName, "  note ", prompter);
    grid.EditCell(1, Grid::FieldSize, "30", prompter);
    grid.EditCell(1, Grid::DataType, "date", prompter);
    EXPECT_TRUE(grid.SizeReadOnly(1));
    EXPECT_EQ(grid.Cell(1, Grid::FieldSize), "");
    grid.EditCell(1, Grid::DataType, "VARCHAR", prompter);
    EXPECT_FALSE(grid.SizeReadOnly(1));
    grid.EditCell(1, Grid::FieldSize, "40x", prompter);
    grid.EditCell(1, Grid::FieldSize, "", prompter);
    grid.EditCell(1, Grid::DataType, "MONEY", prompter);
    EXPECT_FALSE(grid.SizeReadOnly(1));
    grid.Save(table);
    ASSERT_EQ(table.columns.size(), 1u);
    EXPECT_EQ(table.columns[0].name, "note");
    EXPECT_EQ(table.columns[0].type, "MONEY");
    EXPECT_EQ(table.columns[0].length, 40);
}

TEST(TableDesigner, RowsWithoutNameAndClearedNames)
{
    test::ScriptedPrompter prompter;
    TableDef table{"T", "", {}};
    for (const char* name : {"a", "b", "c"}) {
        ColumnDef column;
        column.name = name;
        column.type = "INT";
        table.columns.push_back(column);
    }
    Grid grid(table);
    prompter.ExpectShow("Please enter the field name first");
    grid.EditCell(5, Grid::DataType, "INT", prompter);
    EXPECT_EQ(grid.Cell(5, Grid::DataType), "");
    grid.EditCell(2, Grid::FieldName, " ", prompter);
    EXPECT_EQ(grid.Cell(2, Grid::DataType), "");
    EXPECT_FALSE(grid.IsBound(2));
    grid.EditCell(7, Grid::FieldName, "d", prompter);
    grid.Save(table);
    std::string names;
    for (const ColumnDef& column : table.columns)
        names += column.name;
    EXPECT_EQ(names, "acd");
    EXPECT_TRUE(prompter.Done());
}

TEST(TableDesigner, DetailPanesEditValuesAndNumberFormat)
{
    test::ScriptedPrompter prompter;
    TableDef table{"T", "", {}};
    Grid grid(table);
    grid.EditCell(1, Grid::FieldName, "colour", prompter);
    grid.EditCell(1, Grid::DataType, "ENUM", prompter);
    EXPECT_EQ(grid.Panes().second, DetailPanes::Second::ValueList);
    EXPECT_EQ(grid.Panes().selectedTab, 1);
    EXPECT_EQ(grid.Panes().defaultLabel, "Default value for 'colour'");
    grid.Panes().AddValue("red");
    grid.Panes().AddValue("blue");
    grid.Panes().pickedValue = 1;
    grid.Panes().AddValue("green");
    grid.Panes().defaultText = "'red'";
    grid.EditCell(2, Grid::FieldName, "price", prompter);
    grid.Focus(2, Grid::DataType);
    grid.EditCell(2, Grid::DataType, "decimal", prompter);
    EXPECT_EQ(grid.Panes().second, DetailPanes::Second::NumberFormat);
    EXPECT_TRUE(grid.Panes().precisionAllowed);
    grid.Panes().precision = true;
    grid.Panes().unsignedNumber = true;
    grid.Panes().displayWidth = 8;
    prompter.ExpectShow("Please enter an integer between 0 and 53.");
    EXPECT_FALSE(DetailPanes::AcceptDecimals("54", grid.Panes().decimals, prompter));
    EXPECT_TRUE(DetailPanes::AcceptDecimals(" 2", grid.Panes().decimals, prompter));
    grid.EditCell(3, Grid::FieldName, "qty", prompter);
    grid.Focus(3, Grid::FieldName);
    grid.EditCell(3, Grid::DataType, "TINYINT", prompter);
    EXPECT_FALSE(grid.Panes().precisionAllowed);
    grid.Save(table);
    EXPECT_EQ(BuildCreateTable(table), "Create Table T(colour ENUM('red', 'green', 'blue') DEFAULT 'red'  , "
                                       "price decimal(8, 2) UNSIGNED  , qty TINYINT  )");
    EXPECT_TRUE(prompter.Done());
}

} // namespace
} // namespace quillet
