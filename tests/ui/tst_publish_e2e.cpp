#include "UiTestSupport.h"
#include "app/AppEnvironment.h"
#include "app/ProjectWindow.h"
#include "e2e/publish/ServerProcess.h"
#include "ui/pages/GridWidget.h"

#include "net/pages/PublishDialog.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/pages/ProjectView.h"
#include <unistd.h>

#include <QDesktopServices>
#include <QPushButton>
#include <QTimer>
#include <sys/stat.h>

using namespace quillet;
using test::UiPrompter;

namespace {

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    Q_INVOKABLE void Open(const QUrl& url) { opened << url; }
};

unsigned ModeOf(const QString& path)
{
    struct stat info {};
    return stat(path.toLocal8Bit().constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

void PressUploadNowWhenShown()
{
    test::WhenShown<PublishDialog>(
        [](PublishDialog* dialog) { dialog->findChild<QPushButton*>("uploadNow")->click(); });
}

} // namespace

// Build, Publish and Run of the guestbook example against a real FTP server.
class PublishEndToEndTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    test::FtpServer m_server;
    UrlRecorder m_browser;

    QString Root() const { return m_folder.path() + "/server"; }

    QString ProjectCopy()
    {
        QString target = m_folder.path() + "/guestbook";
        QDir().mkpath(target + "/templates");
        const QString source = QUILLET_SOURCE_DIR "/examples/guestbook/";
        for (QString name : {"guestbook.prj", "guestbook.html", "templates/thanks.html", "templates/entries.html"})
            QFile::copy(source + name, target + "/" + name);
        return target + "/guestbook.prj";
    }

    UploadEntry Entry(const QString& name)
    {
        QString local = m_folder.path() + "/" + name;
        QFile file(local);
        file.open(QIODevice::WriteOnly);
        file.write("<p>" + name.toUtf8() + "</p>\n");
        UploadEntry entry;
        entry.localPath = local.toStdString();
        entry.remotePath = "/site/" + name.toStdString();
        entry.permission = "644";
        entry.upload = true;
        return entry;
    }

    ServerSettings FtpSettings(const std::string& password = "secret") const
    {
        ServerSettings settings;
        settings.uploadMethod = "Using FTP";
        settings.serverType = "Others";
        settings.ftpServer = m_server.Address();
        settings.ftpUser = "web";
        settings.ftpPassword = password;
        settings.ftpPassive = 1;
        return settings;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(Root()));
        QVERIFY(m_server.Start(Root().toStdString()));
        for (const char* scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(scheme, &m_browser, "Open");
    }

    void buildPublishAndRunTheGuestbook()
    {
        UiPrompter prompter;
        AppEnvironment environment;
        environment.settingsFolder = (m_folder.path() + "/settings").toStdString();
        ProjectWindow frame(prompter, environment);
        QVERIFY(frame.OpenProject(ProjectCopy().toStdString()));
        ServerSettings& settings = frame.Document().Content().settings;
        ServerSettings ftp = FtpSettings();
        settings.ftpServer = ftp.ftpServer;
        settings.ftpPassword = ftp.ftpPassword;
        frame.UpdateAllViews(ProjectView::kFillFromSettings);
        frame.runActionSheet = [](Project&, Form&) { return true; };

        prompter.ExpectQuestion(std::string(MessageText(Msg::ScriptCreatedPublish)), Prompter::Answer::Yes);
        prompter.ExpectQuestion(std::string(MessageText(Msg::ScriptUploadedTest)), Prompter::Answer::Yes);
        PressUploadNowWhenShown();
        frame.OnBuild();

        QUILLET_VERIFY_PROMPTER(prompter);
        QVERIFY(QFile::exists(Root() + "/htdocs/guestbook.html"));
        QVERIFY(QFile(Root() + "/htdocs/guestbook.html").open(QIODevice::ReadOnly));
        QCOMPARE(ModeOf(Root() + "/cgi-bin/guestbook.cgi"), 0755u);
        QCOMPARE(ModeOf(Root() + "/htdocs/guestbook.html"), 0644u);
        QVERIFY(QFile::exists(Root() + "/cgi-bin/templates/thanks.html"));
        QCOMPARE(m_browser.opened.size(), 1);
        QCOMPARE(m_browser.opened.first().toString(), QString("http://127.0.0.1:8080/guestbook.html"));
    }

    void refusedLoginKeepsTheDialogOpenAndEmptyCellsSendNothing()
    {
        UiPrompter prompter;
        UploadList list = {Entry("d.html"), Entry("e.html")};
        ServerSettings settings = FtpSettings("wrong");
        PublishDialog dialog(list, settings, prompter);
        dialog.Grid()->SetText(1, 0, "");
        prompter.ExpectShow(std::string(MessageText(Msg::CheckFtpSettings)));
        dialog.UploadNow();
        QVERIFY(dialog.result() != QDialog::Accepted);
        QVERIFY(list[0].upload && !list[1].upload);
        QVERIFY(!QFile::exists(Root() + "/site/d.html"));
        QUILLET_VERIFY_PROMPTER(prompter);
    }

    void printListsTheMarkedFilesAndOpensThemInTheEditor()
    {
        UiPrompter prompter;
        UploadList list = {Entry("p.html"), Entry("q.html")};
        list[1].upload = false;
        ServerSettings settings = FtpSettings();
        settings.htmlEditor = "/bin/true --";
        qputenv("TMPDIR", m_folder.path().toLocal8Bit());
        PublishDialog dialog(list, settings, prompter);
        dialog.Print();
        // In a folder of the user's own under the temporary folder.
        QFile printout(QString("%1/quillet-%2/upload.txt").arg(m_folder.path()).arg(getuid()));
        QVERIFY(printout.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(printout.readAll()),
                 QString("Local:  %1/p.html\nRemote: /site/p.html\n\n").arg(m_folder.path()));

        settings.htmlEditor = m_folder.path().toStdString() + "/no-such-editor";
        prompter.ExpectShow("Can't start the editor " + settings.htmlEditor);
        dialog.Print();
        QUILLET_VERIFY_PROMPTER(prompter);
    }
};

QUILLET_UI_TEST_MAIN(PublishEndToEndTest)
#include "tst_publish_e2e.moc"
