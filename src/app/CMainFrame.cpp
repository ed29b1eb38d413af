#include "app/CMainFrame.h"

#include "app/CChildFrame.h"
#include "app/FileChooser.h"
#include "project/CTesseraDoc.h"
#include "project/pages/CTesseraView.h"

#include <QApplication>

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QToolBar>

namespace quillet {

namespace {

const char* kRecentKey = "RecentFiles";
const char* kProjectFilter = "Quillet Project (*.prj)|*.prj||";

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

} // namespace

CMainFrame::CMainFrame(Prompter& prompter, AppEnvironment& environment, QWidget* parent)
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
        if (CChildFrame* frame = ActiveProject())
            frame->View()->setFocus();
    });
    UpdateActions();
    resize(1000, 720);
}

CMainFrame::~CMainFrame()
{
    // The project windows go after the menus; their last signals must not reach them.
    m_area->disconnect(this);
    // Closed windows wait for deletion outside the list, so look at every child.
    for (QMdiSubWindow* window : m_area->findChildren<QMdiSubWindow*>())
        window->disconnect(this);
    for (CChildFrame* frame : m_area->findChildren<CChildFrame*>())
        frame->disconnect(this);
}

void CMainFrame::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(QIcon::fromTheme("document-new"), tr("&New"), QKeySequence::New, this, &CMainFrame::OnFileNew);
    file->addAction(QIcon::fromTheme("document-open"), tr("&Open..."), QKeySequence::Open, this,
                    &CMainFrame::OnFileOpen);
    m_projectActions << file->addAction(QIcon::fromTheme("document-save"), tr("&Save"), QKeySequence::Save, this,
                                        &CMainFrame::OnFileSave);
    m_projectActions << file->addAction(tr("Save &As..."), QKeySequence::SaveAs, this, &CMainFrame::OnFileSaveAs);
    m_projectActions << file->addAction(tr("&Close"), QKeySequence::Close, this, &CMainFrame::OnFileClose);
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("Recent &Files"));
    file->addSeparator();
    file->addAction(QIcon::fromTheme("application-exit"), tr("E&xit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* build = menuBar()->addMenu(tr("&Build"));
    auto onActive = [this](void (CChildFrame::*command)()) {
        return [this, command] {
            if (CChildFrame* frame = ActiveProject())
                (frame->*command)();
        };
    };
    m_projectActions << build->addAction(tr("&Build"), QKeySequence(Qt::Key_F7), this, onActive(&CChildFrame::OnBuild));
    m_projectActions << build->addAction(tr("&Publish"), QKeySequence(Qt::CTRL | Qt::Key_F7), this,
                                         onActive(&CChildFrame::OnPublish));
    m_projectActions << build->addAction(tr("&Run"), QKeySequence(Qt::Key_F5), this, onActive(&CChildFrame::OnRun));
    UpdateRecentMenu();
    CreateToolBar(file->actions(), build->actions());
}

void CMainFrame::CreateToolBar(const QList<QAction*>& fileActions, const QList<QAction*>& buildActions)
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

CChildFrame* CMainFrame::ActiveProject() const
{
    QMdiSubWindow* window = m_area->activeSubWindow();
    if (!window && !m_area->subWindowList().isEmpty())
        window = m_area->subWindowList().last();
    return window ? qobject_cast<CChildFrame*>(window->widget()) : nullptr;
}

QList<CChildFrame*> CMainFrame::Projects() const
{
    QList<CChildFrame*> frames;
    for (QMdiSubWindow* window : m_area->subWindowList())
        if (auto* frame = qobject_cast<CChildFrame*>(window->widget()))
            frames << frame;
    return frames;
}

QMdiSubWindow* CMainFrame::AddProject(CChildFrame* frame)
{
    QMdiSubWindow* window = m_area->addSubWindow(frame);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(windowIcon());
    connect(window, &QObject::destroyed, this, [this] { UpdateActions(); });
    connect(frame, &CChildFrame::TitleChanged, this, [this] { UpdateActions(); });
    window->showMaximized();
    m_area->setActiveSubWindow(window);
    return window;
}

CChildFrame* CMainFrame::OpenProject(const QString& path)
{
    QString absolute = QFileInfo(path).absoluteFilePath();
    for (CChildFrame* frame : Projects())
        if (QFileInfo(QString::fromLocal8Bit(frame->Document().Path())).absoluteFilePath() == absolute) {
            AddRecentFile(absolute);
            m_area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(frame->parentWidget()));
            return frame;
        }
    auto* frame = new CChildFrame(m_prompter, m_environment);
    if (!frame->OpenProject(Bytes(absolute))) {
        delete frame;
        return nullptr;
    }
    AddProject(frame);
    AddRecentFile(absolute);
    return frame;
}

CChildFrame* CMainFrame::NewProject(const QString& folder)
{
    QDir().mkpath(folder);
    auto* frame = new CChildFrame(m_prompter, m_environment);
    if (!frame->NewProject(Bytes(folder))) {
        delete frame;
        return nullptr;
    }
    AddProject(frame);
    AddRecentFile(QString::fromLocal8Bit(frame->Document().Path()));
    return frame;
}

void CMainFrame::OnFileNew()
{
    // Next to the project in front, else in the user's documents.
    CChildFrame* active = ActiveProject();
    QString folder = active ? QFileInfo(QString::fromLocal8Bit(active->Document().Path())).absolutePath()
                            : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    NewProject(folder);
}

void CMainFrame::OnFileOpen()
{
    QString path = FileChooser::Current().OpenFile(this, tr("Open"), kProjectFilter);
    if (!path.isEmpty())
        OpenProject(path);
}

void CMainFrame::OnFileSave()
{
    if (CChildFrame* frame = ActiveProject())
        frame->Save();
}

void CMainFrame::OnFileSaveAs()
{
    CChildFrame* frame = ActiveProject();
    if (!frame)
        return;
    QString path = FileChooser::Current().SaveFile(this, tr("Save As"), kProjectFilter,
                                                   QString::fromLocal8Bit(frame->Document().Path()));
    if (!path.isEmpty() && frame->SaveAs(Bytes(path)))
        AddRecentFile(QString::fromLocal8Bit(frame->Document().Path()));
}

void CMainFrame::OnFileClose()
{
    if (QMdiSubWindow* window = m_area->activeSubWindow())
        window->close();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_area->closeAllSubWindows();
    if (m_area->subWindowList().isEmpty())
        event->accept();
    else
        event->ignore();
}

QStringList CMainFrame::RecentFiles() const
{
    return QSettings().value(kRecentKey).toStringList();
}

void CMainFrame::AddRecentFile(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFileCount)
        files.removeLast();
    QSettings().setValue(kRecentKey, files);
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu()
{
    m_recentMenu->clear();
    QStringList files = RecentFiles();
    for (int i = 0; i < files.size(); ++i) {
        QString path = files[i];
        m_recentMenu->addAction(QString("&%1 %2").arg(i + 1).arg(path), this, [this, path] { OpenProject(path); });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

void CMainFrame::UpdateActions()
{
    CChildFrame* active = ActiveProject();
    for (QAction* action : m_projectActions)
        action->setEnabled(active != nullptr);
    QString name = QApplication::applicationName();
    setWindowTitle(active ? active->windowTitle() + " - " + name : name);
}

} // namespace quillet
