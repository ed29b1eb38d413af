#include "app/MainWindow.h"

#include "app/ProjectWindow.h"
#include "generator/ProjectFromPage.h"
#include "project/ProjectDocument.h"
#include "project/UnsavedFiles.h"
#include "project/pages/ProjectView.h"
#include "ui/pages/FileChooser.h"
#include "ui/pages/ShellServices.h"

#include <QApplication>

#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QToolBar>
#include <QUrl>

namespace quillet {

namespace {

const char* kRecentKey = "RecentFiles";
const char* kProjectFilter = "Quillet Project (*.prj)|*.prj||";
const char* kPageFilter = "HTML File (*.html;*.htm;*.shtml;*.dhtml)|*.html;*.htm;*.shtml;*.dhtml||";

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

} // namespace

MainWindow::MainWindow(Prompter& prompter, AppEnvironment& environment, QWidget* parent)
    : QMainWindow(parent), m_prompter(prompter), m_environment(environment), m_area(new QMdiArea(this))
{
    m_area->setViewMode(QMdiArea::TabbedView);
    m_area->setTabsClosable(true);
    m_area->setTabsMovable(true);
    m_area->setDocumentMode(true);
    setCentralWidget(m_area);
    setWindowTitle(QApplication::applicationName());
    CreateMenus();
    connect(m_area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
        UpdateActions();
        if (ProjectWindow* frame = ActiveProject())
            frame->View()->setFocus();
    });
    UpdateActions();
    resize(1000, 720);
}

MainWindow::~MainWindow()
{
    // The project windows go after the menus; their last signals must not reach them.
    m_area->disconnect(this);
    // Closed windows wait for deletion outside the list, so look at every child.
    for (QMdiSubWindow* window : m_area->findChildren<QMdiSubWindow*>())
        window->disconnect(this);
    for (ProjectWindow* frame : m_area->findChildren<ProjectWindow*>())
        frame->disconnect(this);
}

void MainWindow::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(QIcon::fromTheme("document-new"), tr("&New"), QKeySequence::New, this, &MainWindow::OnFileNew);
    file->addAction(tr("New project from a &page..."), this, &MainWindow::OnFileNewFromPage);
    file->addAction(QIcon::fromTheme("document-open"), tr("&Open..."), QKeySequence::Open, this,
                    &MainWindow::OnFileOpen);
    m_projectActions << file->addAction(QIcon::fromTheme("document-save"), tr("&Save"), QKeySequence::Save, this,
                                        &MainWindow::OnFileSave);
    // Spelled out: some desktops bind other keys, or none, to the standard Save As and Close.
    m_projectActions << file->addAction(tr("Save &As..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                                        &MainWindow::OnFileSaveAs);
    QAction* close = file->addAction(tr("&Close"), this, &MainWindow::OnFileClose);
    close->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4)});
    m_projectActions << close;
    m_projectActions << file->addAction(tr("C&lose All"), this, [this] { CloseAllProjects(); });
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("Recent &Files"));
    file->addSeparator();
    file->addAction(QIcon::fromTheme("application-exit"), tr("E&xit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* build = menuBar()->addMenu(tr("&Build"));
    auto onActive = [this](void (ProjectWindow::*command)()) {
        return [this, command] {
            if (ProjectWindow* frame = ActiveProject())
                (frame->*command)();
        };
    };
    m_projectActions << build->addAction(tr("&Build"), QKeySequence(Qt::Key_F7), this,
                                         onActive(&ProjectWindow::OnBuild));
    m_projectActions << build->addAction(tr("&Publish"), QKeySequence(Qt::CTRL | Qt::Key_F7), this,
                                         onActive(&ProjectWindow::OnPublish));
    m_projectActions << build->addAction(tr("&Run"), QKeySequence(Qt::Key_F5), this, onActive(&ProjectWindow::OnRun));
    UpdateRecentMenu();
    CreateWindowMenu();
    CreateHelpMenu();
    CreateToolBar(file->actions(), build->actions());
}

void MainWindow::CreateWindowMenu()
{
    m_windowMenu = menuBar()->addMenu(tr("&Window"));
    auto arranged = [this](void (QMdiArea::*arrange)()) {
        return [this, arrange] {
            m_area->setViewMode(QMdiArea::SubWindowView);
            (m_area->*arrange)();
        };
    };
    m_windowActions << m_windowMenu->addAction(tr("&Cascade"), this, arranged(&QMdiArea::cascadeSubWindows));
    m_windowActions << m_windowMenu->addAction(tr("&Tile"), this, arranged(&QMdiArea::tileSubWindows));
    m_windowActions << m_windowMenu->addAction(tr("T&abs"), this, [this] {
        m_area->setViewMode(QMdiArea::TabbedView);
        if (QMdiSubWindow* window = m_area->activeSubWindow())
            window->showMaximized();
    });
    m_windowMenu->addSeparator();
    // Ctrl+Tab already moves between the tabs of a project.
    m_windowActions << m_windowMenu->addAction(tr("&Next"), QKeySequence(Qt::CTRL | Qt::Key_F6), m_area,
                                               &QMdiArea::activateNextSubWindow);
    m_windowActions << m_windowMenu->addAction(tr("&Previous"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), m_area,
                                               &QMdiArea::activatePreviousSubWindow);
    m_windowMenu->addSeparator();
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::UpdateWindowList);
}

// The open projects below the fixed commands, the active one checked.
void MainWindow::UpdateWindowList()
{
    const QList<QAction*> actions = m_windowMenu->actions();
    for (QAction* action : actions.mid(m_windowActions.size() + 2))
        delete action;
    const QList<QMdiSubWindow*> windows = m_area->subWindowList();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        // The title as shown: its "[*]" placeholder becomes the modified mark or nothing.
        QWidget* project = window->widget();
        QString title = project->windowTitle().replace("[*]", project->isWindowModified() ? "*" : "");
        QString text = (i < 9 ? QString("&%1 ").arg(i + 1) : QString()) + title;
        QAction* action = m_windowMenu->addAction(text, this, [this, window] { m_area->setActiveSubWindow(window); });
        action->setCheckable(true);
        action->setChecked(window == m_area->activeSubWindow());
    }
}

void MainWindow::CreateHelpMenu()
{
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(QIcon::fromTheme("help-contents"), tr("Quillet &README"), QKeySequence::HelpContents, this,
                    [this] { OpenWithShell(ReadmePath().toLocal8Bit().toStdString(), m_prompter); });
    help->addAction(QIcon::fromTheme("help-about"), tr("&About Quillet"), this, &MainWindow::ShowAbout);
}

void MainWindow::ShowAbout()
{
    QString readme = QUrl::fromLocalFile(ReadmePath()).toString();
    QMessageBox::about(this, tr("About Quillet"),
                       tr("<h3>Quillet %1</h3>"
                          "<p>Turns an HTML form into a working web application.</p>"
                          "<p>Quillet is free software: you can redistribute it and/or modify it under the terms of "
                          "the GNU General Public License, version 3 or (at your option) any later version "
                          "(GPL-3.0-or-later). It comes with no warranty.</p>"
                          "<p><a href=\"%2\">Read the README</a></p>")
                           .arg(QUILLET_VERSION, readme));
}

// The installed copy, else the one of the source tree this program was built from.
QString MainWindow::ReadmePath()
{
    QString installed = QApplication::applicationDirPath() + "/../" + QUILLET_DOC_DIR + "/README.md";
    return QFileInfo::exists(installed) ? installed : QString(QUILLET_SOURCE_DIR) + "/README.md";
}

void MainWindow::CreateToolBar(const QList<QAction*>& fileActions, const QList<QAction*>& buildActions)
{
    QToolBar* bar = addToolBar(tr("Main"));
    bar->setObjectName("mainToolBar");
    bar->setToolButtonStyle(Qt::ToolButtonFollowStyle);
    for (QAction* action : fileActions.mid(0, 3))
        bar->addAction(action);
    bar->addSeparator();
    const char* icons[] = {"system-run", "go-up", "applications-internet"};
    for (int i = 0; i < buildActions.size() && i < 3; ++i) {
        buildActions[i]->setIcon(QIcon::fromTheme(icons[i]));
        bar->addAction(buildActions[i]);
    }
}

ProjectWindow* MainWindow::ActiveProject() const
{
    QMdiSubWindow* window = m_area->activeSubWindow();
    if (!window && !m_area->subWindowList().isEmpty())
        window = m_area->subWindowList().last();
    return window ? qobject_cast<ProjectWindow*>(window->widget()) : nullptr;
}

QList<ProjectWindow*> MainWindow::Projects() const
{
    QList<ProjectWindow*> frames;
    for (QMdiSubWindow* window : m_area->subWindowList())
        if (auto* frame = qobject_cast<ProjectWindow*>(window->widget()))
            frames << frame;
    return frames;
}

QMdiSubWindow* MainWindow::AddProject(ProjectWindow* frame)
{
    QMdiSubWindow* window = m_area->addSubWindow(frame);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(windowIcon());
    // The window's own menu would claim Ctrl+W too, and an ambiguous key does nothing.
    for (QAction* action : window->systemMenu()->actions())
        action->setShortcut(QKeySequence());
    connect(window, &QObject::destroyed, this, [this] { UpdateActions(); });
    connect(frame, &ProjectWindow::TitleChanged, this, [this] { UpdateActions(); });
    connect(frame, &ProjectWindow::SavedByName, this, &MainWindow::AddRecentFile);
    window->showMaximized();
    m_area->setActiveSubWindow(window);
    return window;
}

ProjectWindow* MainWindow::OpenProject(const QString& path)
{
    QString absolute = QFileInfo(path).absoluteFilePath();
    for (ProjectWindow* frame : Projects())
        if (QFileInfo(QString::fromLocal8Bit(frame->Document().Path())).absoluteFilePath() == absolute) {
            AddRecentFile(absolute);
            m_area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(frame->parentWidget()));
            return frame;
        }
    auto* frame = new ProjectWindow(m_prompter, m_environment);
    if (!frame->OpenProject(Bytes(absolute))) {
        delete frame;
        return nullptr;
    }
    AddProject(frame);
    AddRecentFile(absolute);
    return frame;
}

ProjectWindow* MainWindow::NewProject()
{
    auto* frame = new ProjectWindow(m_prompter, m_environment);
    frame->NewUntitled();
    AddProject(frame);
    return frame;
}

void MainWindow::OnFileNew()
{
    NewProject();
}

void MainWindow::OnFileNewFromPage()
{
    QString page = FileChooser::Current().OpenFile(this, tr("New project from a page"), kPageFilter);
    if (page.isEmpty())
        return;
    QFileInfo info(page);
    QString suggested = info.absolutePath() + "/" + info.completeBaseName() + ".prj";
    QString path = FileChooser::Current().SaveFile(this, tr("Save the new project as"), kProjectFilter, suggested);
    if (path.isEmpty())
        return;
    PageProjectRequest request;
    request.projectFile = Bytes(path);
    request.pageFile = Bytes(page);
    if (CreateProjectFromPage(request, m_prompter))
        OpenProject(QString::fromLocal8Bit(ProjectDocument::ProjectFilePath(request.projectFile)));
}

void MainWindow::OnFileOpen()
{
    QString path = FileChooser::Current().OpenFile(this, tr("Open"), kProjectFilter);
    if (!path.isEmpty())
        OpenProject(path);
}

void MainWindow::OnFileSave()
{
    if (ProjectWindow* frame = ActiveProject())
        frame->Save();
}

void MainWindow::OnFileSaveAs()
{
    ProjectWindow* frame = ActiveProject();
    if (!frame)
        return;
    QString suggested =
        frame->Document().IsUntitled()
            ? ProjectWindow::LastFolder() + "/" + ProjectDocument::kDefaultTitle + ProjectDocument::kExtension
            : QString::fromLocal8Bit(frame->Document().Path());
    QString path = FileChooser::Current().SaveFile(this, tr("Save As"), kProjectFilter, suggested);
    if (!path.isEmpty())
        frame->SaveAs(Bytes(path));
}

void MainWindow::OnFileClose()
{
    if (QMdiSubWindow* window = m_area->activeSubWindow())
        window->close();
}

bool MainWindow::CloseAllProjects()
{
    // One question for the unsaved files of every project.
    std::vector<UnsavedFile> unsaved;
    for (ProjectWindow* frame : Projects()) {
        std::vector<UnsavedFile> files = frame->UnsavedFiles();
        unsaved.insert(unsaved.end(), files.begin(), files.end());
    }
    if (AskToSaveAll(unsaved, m_prompter) == SaveAnswer::Cancelled)
        return false;
    for (ProjectWindow* frame : Projects())
        frame->SkipCloseQuestion();
    m_area->closeAllSubWindows();
    return m_area->subWindowList().isEmpty();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (CloseAllProjects())
        event->accept();
    else
        event->ignore();
}

QStringList MainWindow::RecentFiles() const
{
    return QSettings().value(kRecentKey).toStringList();
}

void MainWindow::AddRecentFile(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFileCount)
        files.removeLast();
    QSettings().setValue(kRecentKey, files);
    UpdateRecentMenu();
}

void MainWindow::UpdateRecentMenu()
{
    m_recentMenu->clear();
    QStringList files = RecentFiles();
    for (int i = 0; i < files.size(); ++i) {
        QString path = files[i];
        m_recentMenu->addAction(QString("&%1 %2").arg(i + 1).arg(path), this, [this, path] { OpenProject(path); });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

void MainWindow::UpdateActions()
{
    ProjectWindow* active = ActiveProject();
    for (QAction* action : m_projectActions)
        action->setEnabled(active != nullptr);
    QString name = QApplication::applicationName();
    setWindowTitle(active ? active->windowTitle() + " - " + name : name);
    setWindowModified(active && active->isWindowModified());
}

} // namespace quillet
