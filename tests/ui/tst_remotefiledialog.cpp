#include "UiTestSupport.h"
#include "e2e/publish/ServerProcess.h"
#include "net/pages/FtpConnectDialog.h"
#include "net/pages/RemoteFileDialog.h"
#include "net/pages/ServerBrowse.h"
#include "project/Messages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

using namespace quillet;
using test::UiPrompter;

// The server file dialog against a real FTP server on 127.0.0.1.
class RemoteFileDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    test::FtpServer m_server;
    UiPrompter m_prompter;

    QString Root() const { return m_folder.path() + "/server"; }
    FtpFields Login() const { return {m_server.Address(), "web", "secret", true}; }
    static void Touch(const QString& path)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("x\n");
    }
    static QStringList Names(const RemoteFileDialog& dialog)
    {
        QStringList names;
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
            names << dialog.List()->topLevelItem(i)->text(0);
        return names;
    }
    static QTreeWidgetItem* Item(const RemoteFileDialog& dialog, const QString& name)
    {
        QList<QTreeWidgetItem*> found = dialog.List()->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(Root() + "/docs/old"));
        for (const char* name : {"index.html", "Page.HTM", "notes.txt", "README", "docs/inner.html"})
            Touch(Root() + "/" + name);
        QVERIFY(m_server.Start(Root().toStdString()));
    }

    void cleanup() { QUILLET_VERIFY_PROMPTER(m_prompter); }

    void fileTypesFilterTheListing()
    {
        RemoteFileDialog dialog(BrowseMode::Open, RemoteFileDialog::kShowFiles, kServerFileFilter, "", Login(),
                                m_prompter);
        QVERIFY(dialog.Connected());
        QCOMPARE(dialog.FileTypes()->currentText(), QString("All File(*.*)"));
        QCOMPARE(Names(dialog), (QStringList{"docs", "Page.HTM", "README", "index.html", "notes.txt"}));
        dialog.FileTypes()->setCurrentIndex(1);
        QCOMPARE(Names(dialog), (QStringList{"docs", "Page.HTM", "index.html"}));
        QCOMPARE(dialog.List()->topLevelItem(1)->text(1), QString("2"));
    }

    void doubleClickEntersFoldersAndUpLeavesThem()
    {
        RemoteFileDialog dialog(BrowseMode::Open, RemoteFileDialog::kShowFiles, kServerFileFilter, "", Login(),
                                m_prompter);
        emit dialog.List()->itemDoubleClicked(Item(dialog, "docs"), 0);
        QCOMPARE(QString::fromStdString(dialog.CurrentPath()), QString("/docs"));
        QCOMPARE(Names(dialog), (QStringList{"old", "inner.html"}));
        QCOMPARE(dialog.LookIn()->currentText(), QString("/docs"));
        emit dialog.List()->itemDoubleClicked(Item(dialog, "old"), 0);
        QCOMPARE(Names(dialog), QStringList{});
        dialog.GoUp();
        QCOMPARE(QString::fromStdString(dialog.CurrentPath()), QString("/docs"));
        QCOMPARE(Names(dialog).first(), QString("old"));
    }

    void doubleClickOnAFileInCreateModeChoosesIt()
    {
        RemoteFileDialog dialog(BrowseMode::Create, RemoteFileDialog::kShowFiles, kServerFileFilter, "/", Login(),
                                m_prompter);
        emit dialog.List()->itemDoubleClicked(Item(dialog, "notes.txt"), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(dialog.ChosenPath()), QString("/notes.txt"));
    }

    void selectModeListsFoldersAndFallsBackToTheCurrentOne()
    {
        RemoteFileDialog dialog(BrowseMode::Select, 0, kServerFileFilter, "/", Login(), m_prompter);
        QCOMPARE(Names(dialog), QStringList{"docs"});
        dialog.FileName()->setText("index.html");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(dialog.ChosenPath()), QString("/"));
    }

    void newFolderRenameAndDeleteReachTheServer()
    {
        RemoteFileDialog dialog(BrowseMode::Open, RemoteFileDialog::kShowFiles, kServerFileFilter, "/", Login(),
                                m_prompter);
        dialog.NewFolder();
        QVERIFY(QFileInfo(Root() + "/NewFile1").isDir());
        dialog.List()->closePersistentEditor(Item(dialog, "NewFile1"), 0);
        Item(dialog, "NewFile1")->setText(0, "archive");
        QVERIFY(QFileInfo(Root() + "/archive").isDir());
        Item(dialog, "archive")->setSelected(true);
        dialog.DeleteSelected();
        QVERIFY(!QFileInfo::exists(Root() + "/archive"));
        QVERIFY(!Item(dialog, "archive"));

        QVERIFY(QDir().mkpath(Root() + "/full"));
        Touch(Root() + "/full/keep.txt");
        dialog.ListFolder();
        m_prompter.ExpectShow("Can't delete file \"full\"");
        Item(dialog, "full")->setSelected(true);
        dialog.DeleteSelected();
        QVERIFY(QFileInfo::exists(Root() + "/full/keep.txt"));
    }

    void disconnectEmptiesTheListAndConnectLogsInAgain()
    {
        RemoteFileDialog dialog(BrowseMode::Open, RemoteFileDialog::kShowFiles, kServerFileFilter, "/",
                                FtpFields{m_server.Address(), "web", "", true}, m_prompter);
        QVERIFY(!dialog.Connected());
        dialog.askLogin = [this](FtpFields& fields) {
            fields = Login();
            return true;
        };
        dialog.ConnectDialog();
        QVERIFY(dialog.Connected());
        QVERIFY(!Names(dialog).isEmpty());
        QCOMPARE(dialog.Ftp().password, std::string("secret"));
        dialog.Disconnect();
        QVERIFY(!dialog.Connected());
        QCOMPARE(dialog.List()->topLevelItemCount(), 0);
    }

    void windowsFolderComesBackWithSlashes()
    {
        test::ScriptedChooser chooser;
        chooser.answers << "C:\\web\\cgi-bin";
        FileChooser::SetCurrent(&chooser);
        FtpFields ftp;
        std::string folder;
        QVERIFY(BrowseServerFolder(nullptr, "Using Direct Copy", ftp, folder, m_prompter));
        FileChooser::SetCurrent(nullptr);
        QCOMPARE(folder, std::string("C:/web/cgi-bin"));
        QCOMPARE(chooser.asked, QStringList{"Select A Windows Folder"});
    }
};

QUILLET_UI_TEST_MAIN(RemoteFileDialogTest)
#include "tst_remotefiledialog.moc"
