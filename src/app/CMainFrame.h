#pragma once

#include <QMainWindow>
#include <QStringList>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace quillet {

struct AppEnvironment;
class CChildFrame;
class Prompter;

// The main window: one tab per open project, the File menu with the recent
// files, and the "Build" menu that works on the active project.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kRecentFileCount = 4;

    CMainFrame(Prompter& prompter, AppEnvironment& environment, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CChildFrame* OpenProject(const QString& path);
    CChildFrame* NewProject(const QString& folder);
    CChildFrame* ActiveProject() const;
    QList<CChildFrame*> Projects() const;
    QMdiArea* Area() const { return m_area; }
    QStringList RecentFiles() const;

public slots:
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar(const QList<QAction*>& fileActions, const QList<QAction*>& buildActions);
    QMdiSubWindow* AddProject(CChildFrame* frame);
    void AddRecentFile(const QString& path);
    void UpdateRecentMenu();
    void UpdateActions();

    Prompter& m_prompter;
    AppEnvironment& m_environment;
    QMdiArea* m_area;
    QMenu* m_recentMenu = nullptr;
    QList<QAction*> m_projectActions;
};

} // namespace quillet
