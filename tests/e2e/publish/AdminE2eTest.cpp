#include "db/AdminRequests.h"
#include "db/ColumnTypes.h"
#include "db/CreateTable.h"
#include "e2e/publish/ServerProcess.h"
#include "net/Publisher.h"
#include "project/Paths.h"
#include "project/Project.h"
#include "project/WebText.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using test::CommandOutput;
using test::ReadBytes;
using test::WriteBytes;

ColumnDef Column(std::string name, std::string type, long length = 0)
{
    ColumnDef column;
    column.name = std::move(name);
    column.type = std::move(type);
    column.length = length;
    return column;
}

// Fills every attribute the designer offers for the column's type.
ColumnDef FullColumn(const ColumnTypeInfo& info)
{
    ColumnDef column = Column("full", std::string(info.Name()), info.TakesSize() ? 10 : 0);
    column.nullOption = "NOT NULL";
    if (info.IsNumeric()) {
        column.numberFlags = kUnsignedFlag | kZeroFillFlag;
        column.defaultValue = "5";
    }
    if (info.AllowsPrecision()) {
        column.numberFlags |= kPrecisionFlag;
        column.decimals = 2;
    }
    if (info.columnClass == ColumnClass::ValueList) {
        column.values = {{"red"}, {"it's"}, {"blue"}};
        column.defaultValue = "'red'";
    }
    if (IsQuotedType(column.type))
        column.defaultValue = "x";
    if (column.type == "TIMESTAMP")
        column.defaultValue = "CURRENT_TIMESTAMP";
    if (info.columnClass == ColumnClass::Integer)
        column.index = "PRIMARY KEY";
    else if (info.columnClass == ColumnClass::SizedText || info.columnClass == ColumnClass::ValueList)
        column.index = "UNIQUE";
    return column;
}

// One table per catalogue type: the column reduced to what the type needs, and
// the column with everything set.
std::vector<TableDef> CatalogueTables()
{
    std::vector<TableDef> tables;
    for (const ColumnTypeInfo& info : kColumnTypeCatalogue) {
        TableDef table;
        table.name = "t_" + std::string(info.Name());
        ColumnDef plain =
            Column("plain", std::string(info.Name()), info.columnClass == ColumnClass::SizedText ? 20 : 0);
        plain.nullOption = " ";
        if (info.columnClass == ColumnClass::ValueList)
            plain.values = {{"a"}};
        table.columns = {plain, FullColumn(info)};
        tables.push_back(table);
    }
    return tables;
}

class AdminE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(ServerRoot() / "cgi-bin");
        setenv("QUILLET_HOME", m_temp.File("home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", m_temp.File("config").c_str(), 1);
        ASSERT_TRUE(m_ftp.Start(ServerRoot().string()));
        ASSERT_TRUE(m_web.Start(ServerRoot().string(), m_temp.Path().string()));
        m_project.settings.uploadMethod = "Using FTP";
        m_project.settings.ftpServer = m_ftp.Address();
        m_project.settings.ftpUser = "web";
        m_project.settings.ftpPassword = "secret";
        m_project.settings.serverType = "Unix";
        m_project.settings.scriptPattern = "*.cgi";
        m_project.settings.cgiPath = "/cgi-bin";
        m_project.settings.cgiUrl = m_web.Url("/cgi-bin");
        m_context.programFolder = m_temp.File("home");
        m_context.projectFile = m_temp.File("site.prj");
    }

    fs::path ServerRoot() const { return m_temp.Path() / "server"; }
    std::string DataFile(const std::string& name) const { return (ServerRoot() / "cgi-bin/data" / name).string(); }
    bool Sync(test::ScriptedPrompter& prompter, AdminScriptRemoval removal = AdminScriptRemoval::Keep)
    {
        return SyncTablesToServer(
            m_project, m_context, prompter,
            [&](UploadList& list) { EXPECT_EQ(UploadNow(list, m_project.settings, prompter), PublishOutcome::Done); },
            {}, removal);
    }
    std::string Secret() const { return AdminSecrets().Find(AdminEndpointUrl(m_project.settings)); }

    test::TempDir m_temp;
    test::FtpServer m_ftp;
    test::LighttpdServer m_web;
    Project m_project;
    PathContext m_context;
};

TEST_F(AdminE2e, CatalogueTablesInMariaDbAndSqlite)
{
    test::MariaDbServer mariadb;
    ASSERT_TRUE(mariadb.Start(m_temp.File("mariadb")));
    ASSERT_TRUE(mariadb.Sql("CREATE DATABASE shop"));
    DataSource mysql;
    mysql.driver = "mysql";
    mysql.database = "shop";
    mysql.host = "127.0.0.1";
    mysql.port = mariadb.Port();
    mysql.user = "root";
    mysql.tables = CatalogueTables();
    DataSource sqlite = mysql;
    sqlite.driver = "SQLite";
    sqlite.database = "shop.sqlite";
    sqlite.host.clear();
    sqlite.port = 0;
    m_context.databaseHosts = {mysql.host};

    // Deploys the script; every statement of a data source then goes in one
    // request, since each request starts Perl and DBI afresh.
    test::ScriptedPrompter prompter;
    EXPECT_TRUE(Sync(prompter));
    for (const DataSource& source : {mysql, sqlite}) {
        std::string body = AdminBodyPrefix(source);
        for (const TableDef& table : source.tables)
            body += "&sqlstr=" + UrlEncode(BuildCreateTable(table, DialectOfDriver(source.driver)));
        body += "&secret=" + Secret();
        EXPECT_EQ(PostAdminRequest(AdminEndpointUrl(m_project.settings), body, false, prompter), 0) << source.driver;
    }
    EXPECT_TRUE(prompter.Done());
    struct stat info {};
    ASSERT_EQ(stat((ServerRoot() / "cgi-bin/dbadmin.cgi").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    std::string mysqlTables = CommandOutput("/usr/bin/mariadb -N -h 127.0.0.1 -P " + std::to_string(mariadb.Port()) +
                                            " -u root -e 'SHOW TABLES' shop | wc -l");
    std::string sqliteTables = CommandOutput("/usr/bin/sqlite3 " + DataFile("shop.sqlite") + " .tables | wc -w");
    EXPECT_EQ(std::stoi(mysqlTables), 27);
    EXPECT_EQ(std::stoi(sqliteTables), 27);
    std::string insert = "INSERT INTO t_SET(plain, full) VALUES ('a', 'blue,red')";
    EXPECT_EQ(CommandOutput("/usr/bin/sqlite3 " + DataFile("shop.sqlite") + " \"" + insert + "\" 2>&1"), "");
    std::string bad = "INSERT INTO t_SET(plain, full) VALUES ('a', 'green')";
    EXPECT_NE(CommandOutput("/usr/bin/sqlite3 " + DataFile("shop.sqlite") + " \"" + bad + "\" 2>&1").find("CHECK"),
              std::string::npos);
}

TEST_F(AdminE2e, ExistingTableIsDroppedOnlyWhenTheUserSaysSo)
{
    DataSource guestbook;
    guestbook.name = "guestdb";
    guestbook.driver = "SQLite";
    guestbook.database = "guestbook.db";
    TableDef entries;
    entries.name = "entries";
    entries.columns = {Column("id", "INT", 11), Column("name", "VARCHAR", 80)};
    entries.columns[0].index = "PRIMARY KEY";
    guestbook.tables = {entries};
    m_project.dataSources = {guestbook};
    test::ScriptedPrompter first;
    ASSERT_TRUE(Sync(first));
    std::string database = DataFile("guestbook.db");
    ASSERT_EQ(CommandOutput("/usr/bin/sqlite3 " + database + " \"INSERT INTO entries(name) VALUES ('Ann')\""), "");

    test::ScriptedPrompter refuse;
    refuse.ExpectQuestion("DBAdmin Error:\r\n\r\nerrstr=table entries already exists", Prompter::Answer::No);
    EXPECT_FALSE(Sync(refuse));
    EXPECT_TRUE(refuse.Done());
    EXPECT_EQ(CommandOutput("/usr/bin/sqlite3 " + database + " 'SELECT count(*) FROM entries'"), "1\n");

    // Yes drops the table; once it stands, the script is offered for deletion
    // and, deleted, takes its secret with it.
    test::ScriptedPrompter accept;
    accept.ExpectQuestion("DBAdmin Error:", Prompter::Answer::Yes);
    accept.ExpectQuestion("Delete the administration script from the server now?", Prompter::Answer::Yes);
    std::string secret = Secret();
    EXPECT_TRUE(Sync(accept, AdminScriptRemoval::Ask));
    EXPECT_TRUE(accept.Done());
    EXPECT_EQ(CommandOutput("/usr/bin/sqlite3 " + database + " 'SELECT count(*) FROM entries'"), "0\n");
    EXPECT_FALSE(fs::exists(ServerRoot() / "cgi-bin/dbadmin.cgi"));
    EXPECT_EQ(Secret(), "");

    // The next deployment carries a fresh secret; the old one opens nothing.
    test::ScriptedPrompter again;
    again.ExpectQuestion("DBAdmin Error:", Prompter::Answer::No);
    EXPECT_FALSE(Sync(again));
    EXPECT_NE(Secret(), secret);
    test::ScriptedPrompter stale;
    stale.ExpectShow("The administration script " + AdminEndpointUrl(m_project.settings) + " refused the request");
    EXPECT_EQ(PostAdminRequest(AdminEndpointUrl(m_project.settings),
                               AdminBody(AdminBodyPrefix(guestbook), "Drop Table entries", secret), false, stale),
              -1);
    EXPECT_TRUE(stale.Done());
}

TEST(TableSync, SummarySaysWhatWasAndWasNotCreated)
{
    using Table = TableSyncReport::Table;
    TableSyncReport report;
    report.created = {{"guestdb", "guests"}, {"guestdb", "votes"}, {"shop", "orders"}};
    EXPECT_EQ(TableSyncSummary(report), "2 tables created on guestdb\r\n1 table created on shop");
    report.notCreated = {Table{"shop", "items"}};
    EXPECT_EQ(TableSyncSummary(report), "Creating the tables was stopped.\r\nCreated: guests (guestdb), votes "
                                        "(guestdb), orders (shop)\r\nNot created: items (shop)");
}

class AdminWire : public AdminE2e {
protected:
    void SetUp() override
    {
        AdminE2e::SetUp();
        fs::create_directories(ServerRoot() / "echo");
        fs::copy_file(QUILLET_E2E_DIR "/echo.cgi", ServerRoot() / "echo/dbadmin.cgi");
        m_project.settings.cgiUrl = m_web.Url("/echo");
    }
    void Answer(int request, const std::string& text)
    {
        WriteBytes((ServerRoot() / "echo").string() + "/answer" + std::to_string(request), text);
    }
    std::string Bodies() const { return ReadBytes((ServerRoot() / "echo/bodies.log").string()); }
};

TEST_F(AdminWire, BodiesGoOverTheWireByteForByte)
{
    DataSource empty;
    empty.driver = "mysql";
    DataSource shop;
    shop.driver = "mysql";
    shop.database = "shop";
    shop.host = "db-host";
    shop.user = "web";
    shop.password = "p@ss word";
    shop.tables = {TableDef{"T", "", {Column("a", "INT")}}};
    m_project.dataSources = {empty, shop};
    Answer(1, "\r\n\r\n  \r\n");
    test::ScriptedPrompter prompter;
    EXPECT_TRUE(Sync(prompter));
    EXPECT_EQ(Bodies(), "driver=mysql&database=shop&host=db%2dhost&port=0&user=web&passwd=p%40ss+word"
                        "&sqlstr=Create+Table+T%28a+INT++%29&secret=" +
                            Secret() + "\n");
    EXPECT_EQ(Secret().size(), 32u);
}

TEST_F(AdminWire, AnswersAndFailures)
{
    std::string url = m_web.Url("/echo/dbadmin.cgi");
    Answer(1, "errstr=Unknown column type\r\n");
    Answer(2, "STATUS 500\nserver broke\n");
    Answer(3, "errstr=Table 'T' already exists\r\n");
    test::ScriptedPrompter prompter;
    prompter.ExpectShow("DBAdmin Error:\r\n\r\nerrstr=Unknown column type");
    EXPECT_EQ(PostAdminRequest(url, "sqlstr=x", false, prompter), -1);
    prompter.ExpectShow("Can't open " + url + ".\r\nError Message: server broke");
    EXPECT_EQ(PostAdminRequest(url, "sqlstr=x", true, prompter), -1);
    prompter.ExpectQuestion("DBAdmin Error:\r\n\r\nerrstr=Table 'T' already exists\r\n\r\nDelete the existing table",
                            Prompter::Answer::Yes);
    EXPECT_EQ(PostAdminRequest(url, "sqlstr=x", true, prompter), 1);
    prompter.ExpectShow("Invalid URL, please check CGIBIN URL");
    prompter.ExpectShow("Can't open ftp://127.0.0.1/dbadmin.cgi.\r\nError Message: ");
    EXPECT_EQ(PostAdminRequest("ftp://127.0.0.1/dbadmin.cgi", "sqlstr=x", true, prompter), -1);
    std::string closed = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/dbadmin.cgi";
    prompter.ExpectShow("Can't open " + closed + ".\r\nError Message: ");
    EXPECT_EQ(PostAdminRequest(closed, "sqlstr=x", true, prompter), -1);
    std::string answer;
    EXPECT_EQ(HttpPostForm(url, "sqlstr=x", answer, prompter, [] { return false; }), kRequestCancelled);
    EXPECT_EQ(PostAdminRequest(url, "sqlstr=x", true, prompter, [] { return false; }), -1);
    EXPECT_TRUE(prompter.Done());
}

} // namespace
} // namespace quillet
