#include "UiTestSupport.h"
#include "app/AppEnvironment.h"
#include "app/ProjectWindow.h"
#include "net/pages/WebSettingsPage.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/pages/ProjectView.h"

#include <QDesktopServices>
#include <QDirIterator>
#include <QLineEdit>
#include <QTabWidget>
#include <memory>

using namespace quillet;
using test::UiPrompter;

namespace {

// Stands in for the desktop's browser: records every address it is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    Q_INVOKABLE void Open(const QUrl& url) { opened << url; }
};

QStringList FilesUnder(const QString& folder, const QString& pattern)
{
    QStringList files;
    QDirIterator it(folder, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

} // namespace

class BuildCommandsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    UiPrompter m_prompter;
    AppEnvironment m_environment;
    UrlRecorder m_browser;
    std::unique_ptr<ProjectWindow> m_frame;
    int m_sheets = 0;
    int m_publishes = 0;

    QString ProjectCopy()
    {
        QString target = m_folder->path() + "/guestbook";
        QDir().mkpath(target + "/templates");
        const QString source = QUILLET_SOURCE_DIR "/examples/guestbook/";
        for (QString name : {"guestbook.prj", "guestbook.html", "templates/thanks.html", "templates/entries.html"})
            QFile::copy(source + name, target + "/" + name);
        return target + "/guestbook.prj";
    }
    void MakeFrame()
    {
        m_frame = std::make_unique<ProjectWindow>(m_prompter, m_environment);
        m_frame->runActionSheet = [this](Project&, Form&) {
            ++m_sheets;
            return m_sheetAnswer;
        };
        m_frame->runPublishDialog = [this](UploadList& list, const ServerSettings&) {
            ++m_publishes;
            m_published = list;
            return true;
        };
    }
    bool m_sheetAnswer = true;
    UploadList m_published;

    void CheckPrompter() { QUILLET_VERIFY_PROMPTER(m_prompter); }

private slots:
    void initTestCase()
    {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(scheme, &m_browser, "Open");
    }

    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_environment = AppEnvironment();
        m_environment.settingsFolder = (m_folder->path() + "/settings").toStdString();
        m_prompter = UiPrompter();
        m_browser.opened.clear();
        m_sheets = m_publishes = 0;
        m_sheetAnswer = true;
        MakeFrame();
    }

    void cleanup()
    {
        CheckPrompter();
        m_frame.reset();
    }

    void buildWithoutAPageOpensNoSheet()
    {
        QVERIFY(m_frame->NewProject(m_folder->path().toStdString()));
        m_prompter.ExpectShow(std::string(MessageText(Msg::NoFormLoaded)));
        m_frame->OnBuild();
        QCOMPARE(m_sheets, 0);
    }

    void cancelledSheetGeneratesAndAsksNothing()
    {
        QString project = ProjectCopy();
        QVERIFY(m_frame->OpenProject(project.toStdString()));
        m_sheetAnswer = false;
        m_frame->OnBuild();
        QCOMPARE(m_sheets, 1);
        QVERIFY(FilesUnder(m_folder->path(), "*.cgi").isEmpty());
    }

    void refusedBuildWritesNoScriptAndAsksNothing()
    {
        QVERIFY(m_frame->OpenProject(ProjectCopy().toStdString()));
        m_frame->runActionSheet = [this](Project&, Form& form) {
            ++m_sheets;
            Action wipe = *CreateAction(static_cast<long>(ActionType::DeleteRecords));
            wipe.name = "Wipe";
            wipe.Record().dataSource = "guestdb";
            wipe.Record().table = "entries";
            form.handlers[0].actions.push_back(wipe);
            return true;
        };
        m_prompter.ExpectShow("The action \"Wipe\" would change every row of entries; add a criterion.");
        m_frame->OnBuild();
        QCOMPARE(m_sheets, 1);
        QVERIFY(FilesUnder(m_folder->path(), "*.cgi").isEmpty());
        QCOMPARE(m_publishes, 0);
    }

    void noToPublishEndsTheChain()
    {
        QVERIFY(m_frame->OpenProject(ProjectCopy().toStdString()));
        m_prompter.ExpectQuestion(std::string(MessageText(Msg::ScriptCreatedPublish)), Prompter::Answer::No);
        m_frame->OnBuild();
        QCOMPARE(FilesUnder(m_folder->path(), "*.cgi").size(), 1);
        QCOMPARE(m_publishes, 0);

        // Publish on its own later, then No to the test question.
        m_prompter.ExpectQuestion(std::string(MessageText(Msg::ScriptUploadedTest)), Prompter::Answer::No);
        m_frame->OnPublish();
        QCOMPARE(m_publishes, 1);
        QVERIFY(!m_published.empty());
        QVERIFY(m_browser.opened.isEmpty());
    }

    void buildStoresUnsavedWebTabEdits()
    {
        QVERIFY(m_frame->OpenProject(ProjectCopy().toStdString()));
        auto* cgiPath = m_frame->View()->WebTab()->findChild<QLineEdit*>("cgiPath");
        cgiPath->setText(" /srv/cgi ");
        m_prompter.ExpectQuestion(std::string(MessageText(Msg::ScriptCreatedPublish)), Prompter::Answer::Yes);
        m_prompter.ExpectQuestion(std::string(MessageText(Msg::ScriptUploadedTest)), Prompter::Answer::Yes);
        m_frame->OnBuild();
        QCOMPARE(m_frame->Document().Content().settings.cgiPath, std::string("/srv/cgi"));
        bool scriptInCgiFolder = false;
        for (const UploadEntry& entry : m_published)
            scriptInCgiFolder |= entry.kind == UploadKind::CgiScript && entry.remotePath.starts_with("/srv/cgi/");
        QVERIFY(scriptInCgiFolder);
        QCOMPARE(m_browser.opened.size(), 1);
        QCOMPARE(m_browser.opened.first().toString(), QString("http://127.0.0.1:8080/guestbook.html"));
    }

    void failedPublishAsksNoTestQuestion()
    {
        QVERIFY(m_frame->OpenProject(ProjectCopy().toStdString()));
        m_frame->runPublishDialog = [](UploadList&, const ServerSettings&) { return false; };
        m_frame->OnPublish();
        QVERIFY(m_browser.opened.isEmpty());
    }

    void runWithoutPageOrHomeAddressOpensNothing()
    {
        QVERIFY(m_frame->NewProject(m_folder->path().toStdString()));
        m_frame->View()->WebTab()->findChild<QLineEdit*>("homePageUrl")->clear();
        m_prompter.ExpectShow(std::string(MessageText(Msg::NoFormToTest)));
        m_frame->OnRun();
        QVERIFY(m_browser.opened.isEmpty());
    }

    void hintsMoveSettingsBetweenDocumentAndWebTab()
    {
        QVERIFY(m_frame->OpenProject(ProjectCopy().toStdString()));
        auto* ftpServer = m_frame->View()->WebTab()->findChild<QLineEdit*>("ftpServer");
        QCOMPARE(ftpServer->text(), QString("127.0.0.1:2121"));
        m_frame->Document().Content().settings.ftpServer = "ftp.example.com";
        m_frame->UpdateAllViews(ProjectView::kFillFromSettings);
        QCOMPARE(ftpServer->text(), QString("ftp.example.com"));
        ftpServer->setText("typed.example.com");
        m_frame->UpdateAllViews(ProjectView::kStoreIntoSettings);
        QCOMPARE(m_frame->Document().Content().settings.ftpServer, std::string("typed.example.com"));
    }

    void tabsComeInOrderAndLeavingWebStoresIt()
    {
        QVERIFY(m_frame->OpenProject(ProjectCopy().toStdString()));
        QTabWidget* tabs = m_frame->View()->Tabs();
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        QCOMPARE(titles, (QStringList{"Web", "Database", "Form", "News"}));
        QVERIFY(m_frame->minimumSizeHint().width() <= 800);
        QVERIFY(m_frame->minimumSizeHint().height() <= 600);
        m_frame->View()->WebTab()->findChild<QLineEdit*>("ftpUser")->setText("editor");
        tabs->setCurrentIndex(3);
        QCOMPARE(m_frame->Document().Content().settings.ftpUser, std::string("editor"));
    }

    void closingAsksToSaveAndCancelKeepsTheProject()
    {
        QString project = ProjectCopy();
        QVERIFY(m_frame->OpenProject(project.toStdString()));
        m_frame->View()->WebTab()->findChild<QLineEdit*>("ftpUser")->setText("changed");
        m_prompter.ExpectQuestion("Save project file " + project.toStdString(), Prompter::Answer::Cancel);
        QVERIFY(!m_frame->close());
        m_prompter.ExpectQuestion("Save project file", Prompter::Answer::Yes);
        QVERIFY(m_frame->CloseProject());
        QFile saved(project);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("SERVER_USER=changed"));
        m_frame.release()->deleteLater();
    }
};

QUILLET_UI_TEST_MAIN(BuildCommandsTest)
#include "tst_buildcommands.moc"
