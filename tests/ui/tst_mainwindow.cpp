#include "UiTestSupport.h"
#include "app/AppEnvironment.h"
#include "app/MainWindow.h"
#include "app/ProjectWindow.h"
#include "html/pages/FormPage.h"
#include "project/Messages.h"
#include "project/pages/ProjectView.h"
#include "ui/pages/GridWidget.h"

#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <memory>

using namespace quillet;
using test::ScriptedChooser;
using test::UiPrompter;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    UiPrompter m_prompter;
    AppEnvironment m_environment;
    std::unique_ptr<MainWindow> m_window;

    QString NewProjectFile(const QString& name)
    {
        QString path = m_folder->path() + "/" + name + ".prj";
        QFile::copy(QUILLET_SOURCE_DIR "/examples/guestbook/guestbook.prj", path);
        // Each copy names the same page, which the Form tab reads on opening.
        QFile::copy(QUILLET_SOURCE_DIR "/examples/guestbook/guestbook.html", m_folder->path() + "/guestbook.html");
        return path;
    }
    static QByteArray ReadAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QAction* MenuAction(const QString& text) const
    {
        for (QAction* action : m_window->menuBar()->findChildren<QAction*>())
            if (action->text() == text)
                return action;
        return nullptr;
    }
    void CloseAll() { QVERIFY(m_window->close()); }
    QString GridText(ProjectWindow* frame, int row, int column)
    {
        return frame->View()->FormTab()->Grid()->item(row, column)->text();
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QSettings().clear();
        m_environment = AppEnvironment();
        m_environment.settingsFolder = (m_folder->path() + "/settings").toStdString();
        m_prompter = UiPrompter();
        m_window = std::make_unique<MainWindow>(m_prompter, m_environment);
        m_window->show();
    }

    void cleanup()
    {
        m_window.reset();
        QUILLET_VERIFY_PROMPTER(m_prompter);
    }

    void newProjectFromAPageIsMadeAndOpened()
    {
        test::ScriptedChooser chooser;
        FileChooser::SetCurrent(&chooser);
        QString page = m_folder->path() + "/contact.html";
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<form><input name=who><textarea name=note></textarea><input type=submit name=Send></form>");
        file.close();
        chooser.answers << page << m_folder->path() + "/contact.prj";
        MenuAction("New project from a &page...")->trigger();
        FileChooser::SetCurrent(nullptr);
        ProjectWindow* frame = m_window->ActiveProject();
        QVERIFY(frame && frame->Document().Path() == m_folder->path().toStdString() + "/contact.prj");
        const Form& form = *frame->Document().Content().CurrentForm();
        QCOMPARE(form.handlers.size(), size_t{1});
        QCOMPARE(form.handlers[0].actions.size(), size_t{2});
        QCOMPARE(frame->Document().Content().dataSources[0].tables[0].columns.size(), size_t{2});
        CloseAll();
    }

    // The keys reach their commands: none is claimed twice.
    void shortcutsAndTheWindowMenuWork()
    {
        QVERIFY(!MenuAction("&Save")->isEnabled());
        m_window->OpenProject(NewProjectFile("one"));
        m_window->OpenProject(NewProjectFile("two"));
        QApplication::setActiveWindow(m_window.get());
        test::ScriptedChooser chooser;
        FileChooser::SetCurrent(&chooser);
        QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        FileChooser::SetCurrent(nullptr);
        QCOMPARE(chooser.asked, QStringList{"Save As"});

        QMenu* windows = MenuAction("&Window")->menu();
        emit windows->aboutToShow();
        QStringList listed;
        for (QAction* action : windows->actions())
            if (action->isCheckable())
                listed << action->text() + (action->isChecked() ? "*" : "");
        QCOMPARE(listed, (QStringList{"&1 one.prj", "&2 two.prj*"}));
        QTest::keyClick(m_window.get(), Qt::Key_F6, Qt::ControlModifier);
        QCOMPARE(m_window->ActiveProject()->windowTitle(), QString("one.prj[*]"));

        // Nothing changed, so nothing is asked.
        for (Qt::Key key : {Qt::Key_W, Qt::Key_F4})
            QTest::keyClick(m_window.get(), key, Qt::ControlModifier);
        QVERIFY(m_window->Projects().isEmpty());
    }

    void recentFilesKeepTheLastFourNewestFirst()
    {
        QStringList opened;
        for (QString name : {"one", "two", "three", "four", "five"}) {
            opened.prepend(NewProjectFile(name));
            QVERIFY(m_window->OpenProject(opened.first()));
        }
        QCOMPARE(m_window->RecentFiles(), opened.mid(0, 4));
        QVERIFY(m_window->OpenProject(opened.last()));
        QCOMPARE(m_window->RecentFiles().first(), opened.last());
        QVERIFY(MenuAction("&Publish")->isEnabled());
        CloseAll();
    }

    void openingAnOpenProjectShowsItsWindow()
    {
        QString path = NewProjectFile("twice");
        ProjectWindow* first = m_window->OpenProject(path);
        QVERIFY(m_window->OpenProject(NewProjectFile("other")));
        QCOMPARE(m_window->OpenProject(path), first);
        QCOMPARE(m_window->Projects().size(), 2);
        QCOMPARE(first->windowTitle(), QString("twice.prj[*]"));
        CloseAll();
    }

    void unreadableProjectOpensNoWindow()
    {
        m_prompter.ExpectShow("Can't Open File");
        QVERIFY(!m_window->OpenProject(m_folder->path() + "/missing.prj"));
        QVERIFY(m_window->Projects().isEmpty());
        QVERIFY(m_window->RecentFiles().isEmpty());
    }

    void untitledProjectIsSavedWhereTheUserChooses()
    {
        ProjectWindow* frame = m_window->NewProject();
        QVERIFY(frame->Document().IsUntitled());
        QCOMPARE(frame->windowTitle(), QString("Untitled[*]"));
        QVERIFY(!QFile::exists(m_folder->path() + "/Untitled.prj"));
        QVERIFY(m_window->RecentFiles().isEmpty());

        ScriptedChooser chooser;
        FileChooser::SetCurrent(&chooser);
        QSettings().setValue("LastFolder", m_folder->path());
        chooser.answers = {m_folder->path() + "/mine.prj"};
        MenuAction("&Save")->trigger();
        FileChooser::SetCurrent(nullptr);
        QCOMPARE(chooser.suggested, QStringList{m_folder->path() + "/Untitled.prj"});
        QCOMPARE(QString::fromStdString(frame->Document().Path()), m_folder->path() + "/mine.prj");
        QCOMPARE(m_window->RecentFiles(), QStringList{m_folder->path() + "/mine.prj"});
        CloseAll();
    }

    void contentRuleSurvivesSaveCloseAndReopen()
    {
        QString path = NewProjectFile("rules");
        ProjectWindow* frame = m_window->OpenProject(path);
        QVERIFY(!frame->isWindowModified());
        frame->View()->FormTab()->Grid()->item(1, FormPage::kContent)->setText("EMAIL");
        frame->UpdateModifiedMark();
        QVERIFY(frame->isWindowModified());
        MenuAction("&Save")->trigger();
        QVERIFY(!frame->isWindowModified());
        MenuAction("&Close")->trigger();
        QVERIFY(m_window->Projects().isEmpty());
        frame = m_window->OpenProject(path);
        QCOMPARE(GridText(frame, 1, FormPage::kContent), QString("EMAIL"));
        CloseAll();
    }

    void closingAsksOnceAndListsTheUnsavedPage()
    {
        ProjectWindow* frame = m_window->OpenProject(NewProjectFile("ask"));
        QString page = m_folder->path() + "/guestbook.html";
        QByteArray before = ReadAll(page);
        frame->View()->FormTab()->Grid()->item(0, FormPage::kContent)->setText("NOT NULL");
        std::string question = FormatMessage(Msg::SaveChangesTo, {page.toStdString()});
        m_prompter.ExpectQuestion(question, Prompter::Answer::Cancel);
        QVERIFY(!m_window->close());
        QCOMPARE(m_window->Projects().size(), 1);
        m_prompter.ExpectQuestion(question, Prompter::Answer::No);
        MenuAction("&Close")->trigger();
        QVERIFY(m_window->Projects().isEmpty());
        QCOMPARE(ReadAll(page), before);
    }

    void cancelOnTheSaveQuestionKeepsTheWindowOpen()
    {
        ProjectWindow* frame = m_window->OpenProject(NewProjectFile("keep"));
        frame->Document().Content().forms.at(0).formName = "renamed";
        m_prompter.ExpectQuestion("Save project file", Prompter::Answer::Cancel);
        QVERIFY(!m_window->close());
        QCOMPARE(m_window->Projects().size(), 1);
        m_prompter.ExpectQuestion("Save project file", Prompter::Answer::No);
        CloseAll();
    }

    void focusReturnsToTheLastControlOfTheView()
    {
        ProjectWindow* frame = m_window->OpenProject(NewProjectFile("focus"));
        QApplication::setActiveWindow(m_window.get());
        auto* user = frame->View()->WebTab()->findChild<QLineEdit*>("ftpUser");
        user->setFocus();
        QCOMPARE(frame->View()->RememberedFocus(), user);
        m_window->menuBar()->setFocus();
        frame->View()->RestoreFocus();
        QCOMPARE(QApplication::focusWidget(), user);
        CloseAll();
    }
};

QUILLET_UI_TEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
