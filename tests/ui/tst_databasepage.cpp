#include "UiTestSupport.h"
#include "db/ColumnTypes.h"
#include "db/pages/DatabasePage.h"
#include "e2e/publish/ServerProcess.h"
#include "net/pages/PublishDialog.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/pages/ProjectView.h"
#include "ui/pages/GridWidget.h"

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

// Notes whether a question was asked while a progress dialog stood over the window.
class FrontPrompter : public UiPrompter {
public:
    bool coveredByProgress = false;
    bool AskYesNo(const std::string& text) override
    {
        coveredByProgress = coveredByProgress || test::BusyDialogShown();
        return UiPrompter::AskYesNo(text);
    }
};

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

    // The whole flow against lighttpd, the deployed dbadmin.cgi and SQLite: the
    // script goes up in its own dialog before any progress shows, the tables
    // are made, and a table that exists is dropped and made again on Yes, the
    // question standing in front of the progress. Each time the script is
    // offered for deletion; Yes deletes it.
    void createsTheDesignedTablesThroughTheDeployedScript()
    {
        if (!QFile::exists("/usr/sbin/lighttpd"))
            QSKIP("lighttpd is not installed");
        test::TempDir temp;
        const std::string root = temp.File("server");
        QDir().mkpath(QString::fromStdString(root + "/cgi-bin"));
        qputenv("QUILLET_HOME", temp.File("home").c_str());
        qputenv("XDG_CONFIG_HOME", temp.File("config").c_str());
        test::FtpServer ftp;
        test::LighttpdServer web;
        QVERIFY(ftp.Start(root));
        QVERIFY(web.Start(root, temp.Path().string()));

        Project project;
        project.settings.uploadMethod = "Using FTP";
        project.settings.ftpServer = ftp.Address();
        project.settings.ftpUser = "web";
        project.settings.ftpPassword = "secret";
        project.settings.serverType = "Unix";
        project.settings.scriptPattern = "*.cgi";
        project.settings.cgiPath = "/cgi-bin";
        project.settings.cgiUrl = web.Url("/cgi-bin");
        const std::string database = root + "/cgi-bin/data/guestbook.db";
        FrontPrompter prompter;
        DatabasePage page(project, prompter, [&temp] { return temp.File("site.prj"); });
        page.Load();
        page.AddDatabase();
        page.DriverList()->setCurrentText("SQLite");
        page.DatabaseEdit()->setText("guestbook.db");
        page.AddTable();
        page.Tree()->currentItem()->setText(0, "guests");
        Edit(page, 0, TableGrid::FieldName, "id");
        Edit(page, 0, TableGrid::DataType, "INT");
        Edit(page, 0, TableGrid::Index, "PRIMARY KEY");
        Edit(page, 1, TableGrid::FieldName, "name");
        Edit(page, 1, TableGrid::DataType, "VARCHAR");
        Edit(page, 1, TableGrid::FieldSize, "40");

        bool uploadCovered = false;
        auto uploadWhenShown = [&] {
            test::WhenShown<PublishDialog>([&](PublishDialog* dialog) {
                uploadCovered = uploadCovered || test::BusyDialogShown();
                dialog->findChild<QPushButton*>("uploadNow")->click();
            });
        };
        const std::string removal(MessageText(Msg::DeleteAdminScript));
        prompter.ExpectShow("1 file sent to " + ftp.Address());
        prompter.ExpectShow("1 table created on guestbook.db");
        prompter.ExpectQuestion(removal, Prompter::Answer::No);
        uploadWhenShown();
        QVERIFY(page.CreateTablesOnServer());
        QCOMPARE(CommandOutput("/usr/bin/sqlite3 " + database + " \"INSERT INTO guests(name) VALUES ('Ann')\""), "");

        prompter.ExpectShow("1 file sent to ");
        prompter.ExpectQuestion("DBAdmin Error:\r\n\r\nerrstr=table guests already exists", Prompter::Answer::Yes);
        prompter.ExpectShow("1 table created on guestbook.db");
        prompter.ExpectQuestion(removal, Prompter::Answer::Yes);
        uploadWhenShown();
        QVERIFY(QFile::exists(QString::fromStdString(root + "/cgi-bin/dbadmin.cgi")));
        QVERIFY(page.CreateTablesOnServer());
        QCOMPARE(CommandOutput("/usr/bin/sqlite3 " + database + " 'SELECT count(*) FROM guests'"), "0\n");
        QVERIFY(!QFile::exists(QString::fromStdString(root + "/cgi-bin/dbadmin.cgi")));
        QVERIFY(!uploadCovered);
        QVERIFY(!prompter.coveredByProgress);
        QUILLET_VERIFY_PROMPTER(prompter);
    }
};

QTEST_MAIN(DatabasePageTest)
#include "tst_databasepage.moc"
