#pragma once

#include <QMainWindow>
#include <QStringList>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace quillet {

struct AppEnvironment;
class ProjectWindow;
class Prompter;

// The main window: one tab per open project, the File menu with the recent
// files, the "Build" menu that works on the active project, and the Window
// and Help menus.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kRecentFileCount = 4;

    MainWindow(Prompter& prompter, AppEnvironment& environment, QWidget* parent = nullptr);
    ~MainWindow() override;

    ProjectWindow* OpenProject(const QString& path);
    // An untitled project; it gets a file when it is first saved.
    ProjectWindow* NewProject();
    ProjectWindow* ActiveProject() const;
    QList<ProjectWindow*> Projects() const;
    QMdiArea* Area() const { return m_area; }
    QStringList RecentFiles() const;

public slots:
    void OnFileNew();
    // Asks for a page and where the project goes, makes the project around the page and opens it.
    void OnFileNewFromPage();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileClose();
    // Asks once about every unsaved file of every project, then closes them all.
    bool CloseAllProjects();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateWindowMenu();
    void UpdateWindowList();
    void CreateHelpMenu();
    void ShowAbout();
    static QString ReadmePath();
    void CreateToolBar(const QList<QAction*>& fileActions, const QList<QAction*>& buildActions);
    QMdiSubWindow* AddProject(ProjectWindow* frame);
    void AddRecentFile(const QString& path);
    void UpdateRecentMenu();
    void UpdateActions();

    Prompter& m_prompter;
    AppEnvironment& m_environment;
    QMdiArea* m_area;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QList<QAction*> m_windowActions;
    QList<QAction*> m_projectActions;
};

} // namespace quillet
