#include "UiTestSupport.h"
#include "e2e/publish/ServerProcess.h"
#include "generator/pages/QueryReportDialog.h"
#include "project/Project.h"
#include "project/ProjectDocument.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTimer>
#include <csignal>

using namespace quillet;
using test::UiPrompter;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Designs the report the way a user does: header names, three rows of values
// with their index numbers, and the four paging links under them.
void DesignWhenShown()
{
    QTimer::singleShot(20, [] {
        auto* dialog = qobject_cast<QueryReportDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            DesignWhenShown();
            return;
        }
        QTableWidget* table = dialog->Table();
        dialog->DataList()->setCurrentIndex(dialog->DataList()->findText("Entries"));
        table->setCurrentCell(0, 0);
        table->item(0, 0)->setText("No.");
        table->setCurrentCell(0, 1);
        dialog->InsertNamesCommand(Direction::Across);
        table->setCurrentCell(1, 0);
        dialog->InsertIndexCommand(Direction::Down);
        table->setCurrentCell(1, 1);
        dialog->InsertValuesCommand(Direction::Across);
        for (int row = 1; row <= 2; ++row) {
            table->setRangeSelected(QTableWidgetSelectionRange(0, 0, table->rowCount() - 1, 7), false);
            table->setRangeSelected(QTableWidgetSelectionRange(row, 1, row, 3), true);
            dialog->RepeatCommand(Direction::Down);
        }
        table->clearSelection();
        const PagingLink links[] = {PagingLink::First, PagingLink::Previous, PagingLink::Next, PagingLink::Last};
        for (int column = 0; column < 4; ++column) {
            table->setCurrentCell(4, column);
            dialog->PagingCommand(links[column]);
        }
        dialog->accept();
    });
}

} // namespace

// A report designed in the dialog, saved in the guestbook's response template,
// published by quillet-cli preview and paged through in Chromium.
class ReportEndToEndTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    QString ProjectCopy()
    {
        const QString target = m_folder.path() + "/guestbook";
        QDir().mkpath(target + "/templates");
        const QString source = QUILLET_SOURCE_DIR "/examples/guestbook/";
        for (QString name : {"guestbook.html", "templates/thanks.html", "templates/entries.html"})
            QFile::copy(source + name, target + "/" + name);
        // Three rows a page, so that 25 rows make nine pages.
        QByteArray project = ReadAll(source + "guestbook.prj");
        project.replace("ACTION_NAME=Entries\r\nACTION_DSN=guestdb\r\nACTION_TABLE=entries\r\nACTION_NROWS=10",
                        "ACTION_NAME=Entries\r\nACTION_DSN=guestdb\r\nACTION_TABLE=entries\r\nACTION_NROWS=3");
        project.replace("ACTION_NAME=Entries\nACTION_DSN=guestdb\nACTION_TABLE=entries\nACTION_NROWS=10",
                        "ACTION_NAME=Entries\nACTION_DSN=guestdb\nACTION_TABLE=entries\nACTION_NROWS=3");
        WriteAll(target + "/guestbook.prj", project);
        return target;
    }

    void DesignTemplate(const QString& projectFolder)
    {
        UiPrompter prompter;
        ProjectDocument doc(prompter);
        QVERIFY(doc.LoadProject((projectFolder + "/guestbook.prj").toStdString()));
        Form& form = doc.Content().forms.at(0);
        Handler* show = form.FindHandler("Show");
        QVERIFY(show);
        ReportContext context = MakeReportContext(*show);
        QCOMPARE(context.queries.at(0).rowsPerPage, 3L);
        ReadFormForReport(context, ReadAll(projectFolder + "/guestbook.html").toStdString(), form.formName);

        const QString templatePath = projectFolder + "/templates/entries.html";
        std::string text = ReadAll(templatePath).toStdString();
        const std::string defaultReport = "$Entries->{DefaultReport}\n";
        const size_t caret = text.find(defaultReport);
        QVERIFY(caret != std::string::npos);
        text.erase(caret, defaultReport.size());
        DesignWhenShown();
        QVERIFY(RunQueryReportDesigner(nullptr, context, text, static_cast<int>(caret), prompter));
        QVERIFY2(prompter.Failures().isEmpty(), qPrintable(prompter.Failures().join('\n')));
        WriteAll(templatePath, QByteArray::fromStdString(text));
        QVERIFY(text.find("<form name=\"mCache\" method=\"post\" action=\"\">") != std::string::npos);
    }

private slots:
    void designedReportPagesThroughTwentyFiveRows()
    {
        const QString cli = QUILLET_CLI;
        if (!QFile::exists("/usr/sbin/lighttpd") || !QFile::exists("/usr/bin/chromium") ||
            !QDir(QUILLET_SOURCE_DIR "/tests/e2e/browser/node_modules/playwright-core").exists())
            QSKIP("lighttpd, Chromium or playwright-core is not installed");
        const QString project = ProjectCopy();
        DesignTemplate(project);
        if (QTest::currentTestFailed())
            return;

        QProcess preview;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QUILLET_HOME", m_folder.path() + "/home");
        preview.setProcessEnvironment(environment);
        const int port = test::FreeLoopbackPort();
        preview.start(cli, {"preview", project + "/guestbook.prj", "--port", QString::number(port)});
        // Ctrl-C lets preview remove its site.
        auto stop = qScopeGuard([&preview] {
            ::kill(static_cast<pid_t>(preview.processId()), SIGINT);
            preview.waitForFinished(5000);
        });
        QString url;
        QByteArray errors;
        for (int i = 0; i < 300 && url.isEmpty(); ++i) {
            preview.waitForReadyRead(100);
            errors += preview.readAllStandardError();
            url = QRegularExpression("^(http\\S+)", QRegularExpression::MultilineOption)
                      .match(QString::fromLocal8Bit(preview.peek(4096)))
                      .captured(1);
        }
        QVERIFY2(!url.isEmpty(), errors.constData());
        errors += preview.readAllStandardError();
        const QString site = QRegularExpression(" from (\\S+);").match(QString::fromLocal8Bit(errors)).captured(1);
        QVERIFY(!site.isEmpty());

        QProcess fill;
        fill.start("/usr/bin/perl",
                   {"-MDBI", "-e",
                    "my $db = DBI->connect(qq(DBI:SQLite:database=$ARGV[0]), '', '', {RaiseError => 1});"
                    "$db->do(q(INSERT INTO entries (id, name, email, message) VALUES (?, ?, ?, ?)), undef, $_,"
                    " sprintf(q(Guest %02d), $_), qq(g$_\\@example.org), qq(Message $_)) for 1 .. 25;",
                    site + "/cgi-bin/data/guestbook.db"});
        QVERIFY(fill.waitForFinished(20000));
        QCOMPARE(fill.exitCode(), 0);

        QProcess browser;
        browser.start("/usr/bin/node", {QUILLET_SOURCE_DIR "/tests/e2e/browser/page_report.mjs", url, "Show", "Next",
                                        "Next", "Last", "Previous", "First"});
        QVERIFY(browser.waitForFinished(60000));
        const QList<QByteArray> pages = browser.readAllStandardOutput().trimmed().split('\n');
        QVERIFY2(pages.size() == 6, browser.readAllStandardError().constData());

        auto rowsOf = [](const QByteArray& line) {
            QStringList rows;
            for (const QJsonValue& row : QJsonDocument::fromJson(line).array())
                rows << row.toString();
            return rows;
        };
        auto page = [](int first) {
            QStringList rows = {"No.|name|email|message"};
            for (int n = first; n < first + 3; ++n)
                rows << (n <= 25 ? QString("%1|Guest %2|g%1@example.org|Message %1").arg(n).arg(n, 2, 10, QChar('0'))
                                 : QString("|||"));
            rows << "First|Previous|Next|Last";
            return rows;
        };
        QCOMPARE(rowsOf(pages[0]), page(1));
        QCOMPARE(rowsOf(pages[1]), page(4));
        QCOMPARE(rowsOf(pages[2]), page(7));
        QCOMPARE(rowsOf(pages[3]), page(23));
        QCOMPARE(rowsOf(pages[4]), page(20));
        QCOMPARE(rowsOf(pages[5]), page(1));
    }
};

QTEST_MAIN(ReportEndToEndTest)
#include "tst_report_e2e.moc"
