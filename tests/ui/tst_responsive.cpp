#include "UiTestSupport.h"
#include "db/pages/DatabasePage.h"
#include "net/pages/PublishDialog.h"
#include "net/pages/SendMailPage.h"
#include "net/pages/WebSettingsPage.h"
#include "project/Action.h"
#include "project/Project.h"
#include "project/pages/ActionPages.h"
#include "support/ServerProcess.h"
#include "ui/pages/BusyTask.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <unistd.h>

using namespace quillet;
using test::UiPrompter;

namespace {

// A server that accepts connections and never says a word.
class SilentServer {
public:
    SilentServer() : m_fd(test::ListenOnLoopback(m_port, 16)) {}
    ~SilentServer() { close(m_fd); }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    int m_port = 0;
    int m_fd;
};

} // namespace

class ResponsiveTest : public QObject {
    Q_OBJECT

private slots:
    // Each network job of the window against a server that never answers: the
    // window keeps turning, and Cancel gives control back within a second.
    void cancelEndsWorkAgainstASilentServer_data()
    {
        QTest::addColumn<int>("job");
        QTest::newRow("publish by FTP") << 0;
        QTest::newRow("create tables") << 1;
        QTest::newRow("look up DNS servers") << 2;
        QTest::newRow("send a test mail") << 3;
    }
    void cancelEndsWorkAgainstASilentServer()
    {
        QFETCH(int, job);
        SilentServer server;
        UiPrompter prompter;
        Project project;
        project.settings.uploadMethod = "Using FTP";
        project.settings.ftpServer = server.Address();
        project.settings.ftpUser = "web";
        project.settings.cgiUrl = "http://" + server.Address() + "/cgi-bin";
        project.settings.homePageUrl = "http://www.example.org/";
        project.dataSources.resize(1);
        project.dataSources[0].database = "guestdb";
        project.dataSources[0].tables = {{"guests", "", {}}};
        UploadList list{{QUILLET_SOURCE_DIR "/README.md", "/site/README.md", "644", UploadKind::Html, true}};
        std::string dnsServer = server.Address();
        Action mail = *CreateAction(static_cast<long>(ActionType::SendEmail));
        Form form;
        ActionList siblings;
        ActionPageContext mailContext{project, "", form, nullptr, siblings, prompter};
        std::function<void()> run;
        std::unique_ptr<QWidget> widget;
        if (job == 0) {
            prompter.ExpectShow("Publishing was stopped: 0 of 1 files were sent");
            auto* dialog = new PublishDialog(list, project.settings, prompter);
            widget.reset(dialog);
            run = [dialog] { dialog->UploadNow(); };
        } else if (job == 1) {
            prompter.ExpectShow("Creating the tables was stopped.\r\nCreated: none\r\nNot created: guests (guestdb)");
            auto* page = new DatabasePage(project, prompter, {});
            page->uploadStep = [](UploadList&) {};
            widget.reset(page);
            run = [page] { page->CreateTablesOnServer(); };
        } else if (job == 2) {
            auto* page = new WebSettingsPage(project, prompter, WebPageContext{"", &dnsServer, {}});
            page->Load();
            widget.reset(page);
            run = [page] { page->LookupDnsServers(); };
        } else {
            mail.Mail().server = server.Address();
            mail.Mail().to = "ann\\@example.org";
            auto* page = new SendMailPage(mail, mailContext);
            page->Load();
            widget.reset(page);
            run = [page] { page->SendTestMessage(); };
        }
        widget->show();

        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);
        QElapsedTimer clock;
        qint64 cancelledAt = -1;
        QTimer::singleShot(BusyTask::kShowDelayMs + 500, [&] {
            if (QPushButton* cancel = test::BusyCancel()) {
                cancel->click();
                cancelledAt = clock.elapsed();
            }
        });
        clock.start();
        run();
        QVERIFY2(cancelledAt > 0, "no progress dialog with Cancel was shown");
        QVERIFY2(clock.elapsed() - cancelledAt < 1000, qPrintable(QString::number(clock.elapsed() - cancelledAt)));
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        QUILLET_VERIFY_PROMPTER(prompter);
    }
};

QUILLET_UI_TEST_MAIN(ResponsiveTest)
#include "tst_responsive.moc"
