#include "UiTestSupport.h"
#include "db/ColumnTypes.h"
#include "db/pages/DatabasePage.h"
#include "e2e/publish/ServerProcess.h"
#include "net/Publisher.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/pages/ProjectView.h"
#include "ui/GridWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

using namespace quillet;
using test::CommandOutput;
using test::UiPrompter;

namespace {

// What the grid's cell editor does when the user finishes typing.
void Edit(DatabasePage& page, int row, int column, const QString& text)
{
    GridWidget* grid = page.Grid();
    grid->setCurrentCell(row, column);
    grid->model()->setData(grid->model()->index(row, column), text);
}

QPushButton* Button(QWidget& parent, const QString& text)
{
    for (QPushButton* button : parent.findChildren<QPushButton*>())
        if (button->text().remove('&') == text)
            return button;
    return nullptr;
}

} // namespace

class DatabasePageTest : public QObject {
    Q_OBJECT

private slots:
    void treeAddsRenamesAndDeletes()
    {
        Project project;
        UiPrompter prompter;
        DatabasePage page(project, prompter, {});
        page.Load();
        page.AddDatabase();
        page.AddDatabase();
        QCOMPARE(project.dataSources.size(), size_t(2));
        QCOMPARE(page.Tree()->topLevelItem(1)->text(0), QString("Database1"));
        QVERIFY(page.SourceFields()->isVisibleTo(&page));
        page.Tree()->topLevelItem(0)->setText(0, "shop");
        QCOMPARE(project.dataSources[0].name, std::string("shop"));

        page.Tree()->setCurrentItem(page.Tree()->topLevelItem(0));
        page.HostEdit()->setText("db.example.org");
        page.PortEdit()->setText("3307");
        Button(page, "Add Table")->click();
        Button(page, "Add Table")->click();
        QCOMPARE(project.dataSources[0].host, std::string("db.example.org"));
        QCOMPARE(project.dataSources[0].port, 3307);
        QTreeWidgetItem* shop = page.Tree()->topLevelItem(0);
        shop->child(0)->setText(0, "Table3");
        page.Tree()->setCurrentItem(shop->child(1));
        page.AddTable();
        shop = page.Tree()->topLevelItem(0);
        QCOMPARE(shop->childCount(), 3);
        QCOMPARE(shop->child(2)->text(0), QString("Table1"));
        QCOMPARE(project.dataSources[0].tables[2].name, std::string("Table1"));
        QVERIFY(page.Grid()->isVisibleTo(&page));

        page.Tree()->setCurrentItem(shop->child(0));
        page.DeleteSelected();
        QCOMPARE(project.dataSources[0].tables.size(), size_t(2));
        QCOMPARE(project.dataSources[0].tables[0].name, std::string("Table2"));
        page.Tree()->setCurrentItem(page.Tree()->topLevelItem(0));
        page.DeleteSelected();
        QCOMPARE(project.dataSources.size(), size_t(1));
        QCOMPARE(page.Tree()->topLevelItemCount(), 1);
        QVERIFY(prompter.Done() && prompter.Failures().isEmpty());
    }

    void gridRulesAndDetailPanes()
    {
        Project project;
        UiPrompter prompter;
        DatabasePage page(project, prompter, {});
        page.Load();
        page.AddDatabase();
        page.AddTable();
        prompter.ExpectShow(std::string(MessageText(Msg::EnterFieldNameFirst)));
        Edit(page, 0, TableGrid::DataType, "INT");
        QCOMPARE(page.Grid()->Text(0, TableGrid::DataType), QString());

        Edit(page, 0, TableGrid::FieldName, " id ");
        Edit(page, 0, TableGrid::DataType, "INT");
        QCOMPARE(page.DetailTabs()->count(), 2);
        QCOMPARE(page.DetailTabs()->tabText(1), QString("INT"));
        QCOMPARE(page.DetailTabs()->currentIndex(), 1);
        QVERIFY(!page.PrecisionBox()->isEnabled());
        Edit(page, 0, TableGrid::FieldSize, "11");
        page.UnsignedBox()->setChecked(true);
        Edit(page, 0, TableGrid::NullOption, "NOT NULL");

        Edit(page, 1, TableGrid::FieldName, "kind");
        Edit(page, 1, TableGrid::DataType, "ENUM");
        QCOMPARE(page.DetailTabs()->tabText(1), QString("ENUM"));
        for (const char* value : {"b", "c"}) {
            page.ValueEdit()->setEditText(value);
            Button(page, "Add Value")->click();
        }
        page.ValueEdit()->setCurrentIndex(0);
        emit page.ValueEdit()->activated(0);
        page.ValueEdit()->setEditText("a");
        Button(page, "Add Value")->click();

        Edit(page, 2, TableGrid::FieldName, "born");
        Edit(page, 2, TableGrid::DataType, "VARCHAR");
        Edit(page, 2, TableGrid::FieldSize, "30");
        Edit(page, 2, TableGrid::DataType, "DATE");
        QCOMPARE(page.Grid()->Text(2, TableGrid::FieldSize), QString());
        QVERIFY(!(page.Grid()->item(2, TableGrid::FieldSize)->flags() & Qt::ItemIsEditable));
        Edit(page, 2, TableGrid::DataType, "VARCHAR");
        QVERIFY(page.Grid()->item(2, TableGrid::FieldSize)->flags() & Qt::ItemIsEditable);
        page.Grid()->setCurrentCell(2, 0);
        page.DefaultValueEdit()->setPlainText("x");

        page.Tree()->setCurrentItem(page.Tree()->topLevelItem(0));
        const TableDef& table = project.dataSources[0].tables[0];
        QCOMPARE(table.columns.size(), size_t(3));
        QCOMPARE(table.columns[0].name, std::string("id"));
        QCOMPARE(table.columns[0].length, 11L);
        QCOMPARE(table.columns[0].nullOption, std::string("NOT NULL"));
        QVERIFY(table.columns[0].numberFlags & kUnsignedFlag);
        QCOMPARE(table.columns[1].values, (std::vector<ColumnValue>{{"a"}, {"b"}, {"c"}}));
        QCOMPARE(table.columns[2].type, std::string("VARCHAR"));
        QCOMPARE(table.columns[2].length, 0L);
        QCOMPARE(table.columns[2].defaultValue, std::string("x"));

        page.Tree()->setCurrentItem(page.Tree()->topLevelItem(0)->child(0));
        QCOMPARE(page.Grid()->Text(1, TableGrid::FieldName), QString("kind"));
        Edit(page, 0, TableGrid::FieldName, "");
        page.Store();
        QCOMPARE(table.columns.size(), size_t(2));
        QCOMPARE(table.columns[0].name, std::string("kind"));
        QCOMPARE(table.columns[1].name, std::string("born"));
        QVERIFY2(prompter.Done() && prompter.Failures().isEmpty(), qPrintable(prompter.Failures().join('\n')));
    }

    void savingTheProjectTakesTheGridOfTheShownTable()
    {
        Project project;
        UiPrompter prompter;
        QTemporaryDir settings;
        ProjectView view(project, prompter, WebPageContext{settings.path().toStdString(), nullptr, {}});
        view.Tabs()->setCurrentIndex(1);
        auto* page = qobject_cast<DatabasePage*>(view.Page(1));
        QVERIFY(page);
        page->AddDatabase();
        page->AddTable();
        Edit(*page, 0, TableGrid::FieldName, "kept");
        view.OnUpdate(ProjectView::kStoreIntoSettings);
        QCOMPARE(project.dataSources.at(0).tables.at(0).columns.size(), size_t(1));
        Edit(*page, 1, TableGrid::FieldName, "more");
        view.OnUpdate(ProjectView::kStoreIntoSettings);
        QCOMPARE(project.dataSources.at(0).tables.at(0).columns.size(), size_t(2));
        QVERIFY(prompter.Done() && prompter.Failures().isEmpty());
    }

    // Tables designed on the tab are created in MariaDB through the deployed dbadmin.cgi.
    void createsTheDesignedTablesInMariaDb()
    {
        if (!QFile::exists("/usr/sbin/mariadbd") || !QFile::exists("/usr/sbin/lighttpd"))
            QSKIP("mariadbd or lighttpd is not installed");
        test::TempDir temp;
        const std::string root = temp.File("server");
        QDir().mkpath(QString::fromStdString(root + "/cgi-bin"));
        qputenv("QUILLET_HOME", temp.File("home").c_str());
        test::FtpServer ftp;
        test::LighttpdServer web;
        test::MariaDbServer mariadb;
        QVERIFY(ftp.Start(root));
        QVERIFY(web.Start(root, temp.Path().string()));
        QVERIFY(mariadb.Start(temp.File("mariadb")));
        QVERIFY(mariadb.Sql("CREATE DATABASE shop"));

        Project project;
        project.settings.uploadMethod = "Using FTP";
        project.settings.ftpServer = ftp.Address();
        project.settings.ftpUser = "web";
        project.settings.ftpPassword = "secret";
        project.settings.serverType = "Unix";
        project.settings.scriptPattern = "*.cgi";
        project.settings.cgiPath = "/cgi-bin";
        project.settings.cgiUrl = web.Url("/cgi-bin");
        UiPrompter prompter;
        DatabasePage page(project, prompter, [&temp] { return temp.File("site.prj"); });
        page.uploadStep = [&](UploadList& list) {
            QCOMPARE(UploadNow(list, project.settings, prompter), PublishOutcome::Done);
        };
        page.Load();
        page.AddDatabase();
        page.DriverList()->setCurrentText("mysql");
        page.HostEdit()->setText("127.0.0.1");
        page.PortEdit()->setText(QString::number(mariadb.Port()));
        page.DatabaseEdit()->setText("shop");
        page.UserEdit()->setText("root");
        page.AddTable();
        page.Tree()->currentItem()->setText(0, "guests");
        Edit(page, 0, TableGrid::FieldName, "id");
        Edit(page, 0, TableGrid::DataType, "INT");
        Edit(page, 0, TableGrid::FieldSize, "11");
        Edit(page, 0, TableGrid::NullOption, "NOT NULL");
        Edit(page, 0, TableGrid::Index, "PRIMARY KEY");
        Edit(page, 1, TableGrid::FieldName, "name");
        Edit(page, 1, TableGrid::DataType, "VARCHAR");
        Edit(page, 1, TableGrid::FieldSize, "40");
        QVERIFY(page.CreateTablesOnServer());
        QVERIFY2(prompter.Done() && prompter.Failures().isEmpty(), qPrintable(prompter.Failures().join('\n')));

        const std::string created =
            CommandOutput("/usr/bin/mariadb -N -h 127.0.0.1 -P " + std::to_string(mariadb.Port()) +
                          " -u root -e 'SHOW CREATE TABLE guests' shop 2>&1");
        QVERIFY2(created.find("`id` int(11) NOT NULL") != std::string::npos, created.c_str());
        QVERIFY2(created.find("`name` varchar(40)") != std::string::npos, created.c_str());
        QVERIFY2(created.find("PRIMARY KEY (`id`)") != std::string::npos, created.c_str());
    }
};

QTEST_MAIN(DatabasePageTest)
#include "tst_databasepage.moc"
