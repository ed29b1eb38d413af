#include "db/DatabaseTab.h"
#include "db/TableDesigner.h"
#include "project/Messages.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

DataSourceList TwoSources()
{
    DataSourceList list;
    AddDataSource(list).name = "shop";
    AddTable(list[0]);
    AddTable(list[0]);
    AddDataSource(list).name = "log";
    AddTable(list[1]);
    return list;
}

TEST(DatabaseTab, FieldsAreCutToTheirRecordWidthsAndRefusedValuesAreNotTaken)
{
    DataSource source;
    source.port = 3306;
    DataSourceFields fields{
        "mysql", std::string(200, 'h'), " 3307 ", std::string(300, 'd'), std::string(40, 'u'), std::string(40, 'p')};
    EXPECT_EQ(StoreFields(fields, source), std::nullopt);
    EXPECT_EQ(source.port, 3307);
    EXPECT_EQ(source.host.size(), kHostWidth - 1);
    EXPECT_EQ(source.database.size(), kDatabaseWidth - 1);
    EXPECT_EQ(source.user.size(), kUserWidth - 1);
    EXPECT_EQ(source.password.size(), kPasswordWidth - 1);
    for (const char* bad : {"33o6", "99999999999", "65536", "-1", "-", "1 2"}) {
        fields.port = bad;
        EXPECT_EQ(StoreFields(fields, source), FormatMessage(Msg::PortOutOfRange)) << bad;
        EXPECT_EQ(source.port, 3307) << bad;
    }
    fields.port = "";
    EXPECT_EQ(StoreFields(fields, source), std::nullopt);
    EXPECT_EQ(source.port, 0) << "an empty port means the driver's default";
    EXPECT_EQ(FieldsOf(source).port, "0");

    fields.password = "a;b";
    EXPECT_EQ(StoreFields(fields, source), FormatMessage(Msg::DataSourceFieldSemicolon, {"password"}));
    EXPECT_EQ(source.password, std::string(kPasswordWidth - 1, 'p'));
}

TEST(DatabaseTab, LabelsRenameTheirRecords)
{
    DataSourceList list = TwoSources();
    RenameRecord(list, {0, 1}, "orders");
    RenameRecord(list, {1, -1}, std::string(100, 'n'));
    RenameRecord(list, {5, -1}, "nothing");
    RenameRecord(list, {0, 7}, "nothing");
    EXPECT_EQ(list[0].tables[1].name, "orders");
    EXPECT_EQ(list[1].name, std::string(kSourceNameWidth - 1, 'n'));
    EXPECT_EQ(list[0].name, "shop");
    EXPECT_EQ(RenameRecord(list, {0, -1}, "my-db"), FormatMessage(Msg::DataSourceNameInvalid, {"my-db"}));
    EXPECT_EQ(list[0].name, "shop");
}

TEST(DatabaseTab, DeleteRemovesATableOrASourceWithItsTables)
{
    DataSourceList list = TwoSources();
    RemoveRecord(list, {0, 0});
    ASSERT_EQ(list[0].tables.size(), 1u);
    EXPECT_EQ(list[0].tables[0].name, "Table2");
    RemoveRecord(list, {0, -1});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "log");
    RemoveRecord(list, {3, -1});
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(TableParent({0, 4}), (TreeItemRef{0, -1}));
}

} // namespace
