#include "UiTestSupport.h"
#include "net/SshIdentity.h"
#include "net/pages/PublishDialog.h"
#include "net/pages/WebSettingsPage.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/ServerSettings.h"
#include "ui/pages/GridWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace quillet;
using test::UiPrompter;

class WebPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    Project m_project;
    UiPrompter m_prompter;
    std::string m_systemDns;
    std::unique_ptr<WebSettingsPage> m_page;

    QString SettingsFolder() const { return m_folder->path() + "/settings"; }
    QLineEdit* Edit(const char* name) const { return m_page->findChild<QLineEdit*>(name); }
    QComboBox* Combo(const QString& current) const
    {
        for (QComboBox* box : m_page->findChildren<QComboBox*>())
            if (box->findText(current) >= 0)
                return box;
        return nullptr;
    }
    QToolButton* Button(const QString& tip) const
    {
        for (QToolButton* button : m_page->findChildren<QToolButton*>())
            if (button->toolTip() == tip)
                return button;
        return nullptr;
    }
    void WriteConfiguration(const QString& file, const ServerSettings& settings)
    {
        QDir().mkpath(SettingsFolder());
        ProjectWriter out;
        WriteSettings(out, settings);
        QVERIFY(out.Commit((SettingsFolder() + "/" + file).toStdString()));
    }
    void CheckPrompter() { QUILLET_VERIFY_PROMPTER(m_prompter); }

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_project = Project();
        m_prompter = UiPrompter();
        m_systemDns.clear();
        WebPageContext context{SettingsFolder().toStdString(), &m_systemDns, [] { return std::string(); }};
        m_page = std::make_unique<WebSettingsPage>(m_project, m_prompter, context);
        m_page->askConfigurationName = [](const QString& initial) { return std::optional<QString>(initial); };
    }

    void cleanup()
    {
        CheckPrompter();
        m_page.reset();
    }

    // The rules themselves are covered by WebPageRulesTest; this checks the page's wiring to them.
    void loadShowsDefaultsAndStoreTrimsAndKeepsPreferences()
    {
        m_project.settings.dnsServers = " a.net , ,b.net,";
        m_page->Load();
        QCOMPARE(Combo("Win95/98/NT/2K/Me/XP")->currentText(), QString("Others"));
        QCOMPARE(Combo("Using Direct Copy")->currentText(), QString("Using FTP"));
        QCOMPARE(Combo("*.cgi")->currentText(), QString("*.cgi"));
        QCOMPARE(Combo("suEXEC")->currentText(), QString("None or Not Sure"));
        QCOMPARE(m_page->DnsList()->count(), 2);
        Edit("ftpServer")->setText("ftp.example.com");
        Edit("homePageUrl")->setText("  http://www.example.com/  ");
        Edit("homePagePath")->setText(" C:\\web\\htdocs ");
        Edit("cgiPath")->setText("\\cgi-bin\\app ");
        m_page->Store();
        const ServerSettings& settings = m_project.settings;
        QCOMPARE(settings.perlPath, std::string("/usr/bin/perl"));
        QCOMPARE(settings.cgiUrl, std::string("http://"));
        QCOMPARE(settings.serverType, std::string("Others"));
        QCOMPARE(settings.dnsServers, std::string("a.net,b.net"));
        QCOMPARE(settings.homePageUrl, std::string("http://www.example.com/"));
        QCOMPARE(settings.homePagePath, std::string("C:/web/htdocs"));
        QCOMPARE(settings.cgiPath, std::string("/cgi-bin/app"));
        ServerSettings preferences;
        LoadPreferences(preferences);
        QCOMPARE(preferences.ftpServer, std::string("ftp.example.com"));
        QCOMPARE(preferences.cgiPath, std::string("/cgi-bin/app"));
    }

    void uploadMethodAndServerTypeEnableFields()
    {
        m_page->Load();
        QComboBox* method = Combo("Using Direct Copy");
        QComboBox* type = Combo("Win95/98/NT/2K/Me/XP");
        QLineEdit* ftpServer = Edit("ftpServer");
        QLineEdit* perl = Edit("perlPath");
        QCheckBox* passive = m_page->findChild<QCheckBox*>();
        QLineEdit* sshKey = Edit("sshKey");
        const struct {
            const char* method;
            bool login, passive, key;
        } methods[] = {{"Using Direct Copy", false, false, false},
                       {"Using FTPS", true, true, false},
                       {"Using SFTP", true, false, true},
                       {"Using FTP", true, true, false}};
        for (const auto& row : methods) {
            method->setCurrentText(row.method);
            QCOMPARE(method->currentText(), QString(row.method));
            for (QWidget* field : {static_cast<QWidget*>(ftpServer), static_cast<QWidget*>(Edit("ftpUser")),
                                   static_cast<QWidget*>(Edit("ftpPassword"))})
                QCOMPARE(field->isEnabled(), row.login);
            QCOMPARE(passive->isEnabled(), row.passive);
            QCOMPARE(sshKey->isEnabled(), row.key);
        }
        type->setCurrentText("Win95/98/NT/2K/Me/XP");
        QVERIFY(!perl->isEnabled());
        type->setCurrentText("Others");
        QVERIFY(perl->isEnabled());
        m_project.settings.serverType = "Win95/98/NT/2K/Me/XP";
        m_page->Load();
        QVERIFY(!perl->isEnabled());
    }

    // The SSH key belongs to the user and server, not to the project, which may travel.
    void sshKeyIsKeptPerUserAndServer()
    {
        m_page->Load();
        Combo("Using Direct Copy")->setCurrentText("Using SFTP");
        Edit("ftpServer")->setText("ssh.example.com");
        Edit("ftpUser")->setText("ann");
        Edit("sshKey")->setText(" /home/ann/.ssh/id_ed25519 ");
        m_page->Store();
        QCOMPARE(m_project.settings.uploadMethod, std::string("Using SFTP"));
        QCOMPARE(SshKeyFor("ann", "ssh.example.com").value_or(""), std::string("/home/ann/.ssh/id_ed25519"));
        QVERIFY(!SshKeyFor("bob", "ssh.example.com"));
        m_page->Load();
        QCOMPARE(Edit("sshKey")->text(), QString("/home/ann/.ssh/id_ed25519"));
        Edit("sshKey")->clear();
        m_page->Store();
        QVERIFY(!SshKeyFor("ann", "ssh.example.com"));
    }

    void addDnsServerNeedsTextAndKeepsEachOnce()
    {
        m_page->Load();
        m_prompter.ExpectShow(std::string(MessageText(Msg::EnterDnsServer)));
        m_page->DnsList()->setEditText("   ");
        Button("Add a DNS server")->click();
        m_page->DnsList()->setEditText(" ns1.example.com ");
        Button("Add a DNS server")->click();
        m_page->DnsList()->setEditText("NS1.EXAMPLE.COM");
        Button("Add a DNS server")->click();
        QCOMPARE(m_page->DnsList()->count(), 1);
        m_page->DnsList()->setEditText("ns1.example.com");
        Button("Delete a DNS server")->click();
        QCOMPARE(m_page->DnsList()->count(), 0);
        QVERIFY(m_page->DnsList()->currentText().isEmpty());
    }

    void lookupWithoutDnsServerAsksForTheBareDomain()
    {
        m_project.settings.homePageUrl = "http://www.example.com/shop/index.html";
        m_page->Load();
        m_page->DnsList()->addItem("old.example.com");
        m_prompter.ExpectShow("Can't find a DNS server for example.com,\r\n Please enter it manually");
        Button("Get DNS servers automatically from current Web domain")->click();
        QCOMPARE(m_page->DnsList()->count(), 0);
    }

    void configurationsAreListedByNameUpToTheFirstDot()
    {
        WriteConfiguration("beta.v2.dat", ServerSettings());
        WriteConfiguration("Alpha.dat", ServerSettings());
        QFile(SettingsFolder() + "/notes.txt").open(QIODevice::WriteOnly);
        m_page->OpenConfigurations();
        QComboBox* list = m_page->Configurations();
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->itemText(i);
        QCOMPARE(names, (QStringList{"Alpha", "beta", "Default"}));
        QCOMPARE(list->currentText(), QString("Default"));
    }

    void defaultConfigurationFillsOnlyAProjectWithoutSettings()
    {
        ServerSettings stored;
        stored.ftpServer = "default.example.com";
        WriteConfiguration("Default.dat", stored);
        m_project.settings.ftpServer = "mine.example.com";
        m_page->OpenConfigurations();
        QCOMPARE(m_project.settings.ftpServer, std::string("mine.example.com"));
        m_project.settings = ServerSettings();
        m_page->OpenConfigurations();
        QCOMPARE(m_project.settings.ftpServer, std::string("default.example.com"));
        QCOMPARE(Edit("ftpServer")->text(), QString("default.example.com"));
    }

    void addSaveSelectAndDeleteConfigurations()
    {
        m_project.settings.ftpServer = "live.example.com";
        m_page->Load();
        m_page->OpenConfigurations();
        m_page->askConfigurationName = [](const QString&) { return std::optional<QString>("Staging"); };
        QMetaObject::invokeMethod(m_page.get(), "AddConfiguration");
        QCOMPARE(m_page->Configurations()->currentText(), QString("Staging"));
        QVERIFY(m_project.settings.ftpServer.empty());
        QCOMPARE(Edit("ftpServer")->text(), QString());
        QVERIFY(QFile::exists(SettingsFolder() + "/Staging.dat"));

        m_prompter.ExpectShow(std::string(MessageText(Msg::DuplicateWebConfiguration)));
        m_page->askConfigurationName = [](const QString&) { return std::optional<QString>("staging"); };
        QMetaObject::invokeMethod(m_page.get(), "AddConfiguration");

        Edit("ftpServer")->setText("staging.example.com");
        QMetaObject::invokeMethod(m_page.get(), "SaveConfiguration");
        QCOMPARE(m_page->Configurations()->currentText(), QString("Staging"));
        m_project.settings = ServerSettings();
        m_page->SelectConfiguration(m_page->Configurations()->findText("Staging"));
        QCOMPARE(m_project.settings.ftpServer, std::string("staging.example.com"));

        m_prompter.ExpectShow(std::string(MessageText(Msg::BadWebConfigurationName)));
        m_page->askConfigurationName = [](const QString&) { return std::optional<QString>("../escape"); };
        QMetaObject::invokeMethod(m_page.get(), "SaveConfiguration");
        QVERIFY(!QFile::exists(m_folder->path() + "/escape.dat"));
    }

    void deletingTheLastConfigurationLeavesNothingSelected()
    {
        m_page->OpenConfigurations();
        QCOMPARE(m_page->Configurations()->count(), 1);
        QMetaObject::invokeMethod(m_page.get(), "DeleteConfiguration");
        QCOMPARE(m_page->Configurations()->count(), 0);
        QCOMPARE(m_page->Configurations()->currentIndex(), -1);
        QMetaObject::invokeMethod(m_page.get(), "SaveConfiguration");
    }

    void serverSideSetUpListsTheSharedFiles()
    {
        m_project.settings.cgiPath = "/cgi-bin";
        m_project.settings.homePagePath = "/htdocs";
        m_page->Load();
        QSet<QString> kinds;
        int rows = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<PublishDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            rows = dialog->Grid()->rowCount();
            for (int row = 0; row < rows; ++row)
                kinds << dialog->Grid()->Text(row, 1);
            dialog->reject();
        });
        QMetaObject::invokeMethod(m_page.get(), "SetUpServerSide");
        QVERIFY(rows > 0);
        QCOMPARE(kinds, (QSet<QString>{"DBAdmin", "CGI Lib", "Image"}));
    }

    void serverSideSetUpNeedsTheCgiFolder()
    {
        m_page->Load();
        m_prompter.ExpectShow(std::string(MessageText(Msg::CgiPathMissing)));
        QMetaObject::invokeMethod(m_page.get(), "SetUpServerSide");
    }
};

QUILLET_UI_TEST_MAIN(WebPageTest)
#include "tst_webpage.moc"
