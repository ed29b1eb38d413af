#pragma once

#include "project/ProjectDocument.h"
#include "project/UnsavedFiles.h"
#include "project/UploadEntry.h"

#include <QWidget>
#include <functional>
#include <vector>

namespace quillet {

struct AppEnvironment;
class ProjectView;
class Prompter;

// The window of one open project: its document, its view and the commands
// "Build", "Publish" and "Run".
class ProjectWindow : public QWidget {
    Q_OBJECT
public:
    ProjectWindow(Prompter& prompter, AppEnvironment& environment, QWidget* parent = nullptr);

    bool NewProject(const std::string& folder);
    // A project without a file until it is first saved.
    void NewUntitled();
    bool OpenProject(const std::string& path);
    // Saves the project and the Form tab's page when it changed; an untitled
    // project asks for its path first.
    bool Save();
    bool SaveAs(const std::string& path);
    // The save question, listing every unsaved file; false when the user keeps
    // the project open.
    bool CloseProject();
    // Stores the views' pending edits and lists what a close would lose.
    std::vector<UnsavedFile> UnsavedFiles();
    // The question was asked already (for every window at once): close without it.
    void SkipCloseQuestion() { m_closed = true; }
    bool IsModified() const;
    // The folder a Save As starts in: the last one used, else the home folder.
    static QString LastFolder();
    static void RememberFolder(const std::string& path);

    ProjectDocument& Document() { return m_doc; }
    ProjectView* View() const { return m_view; }
    void UpdateAllViews(int hint);

    // The modal steps of the commands; tests answer them in place of the dialogs.
    // The action sheet returns true when left with OK; the publish step returns
    // true when every file was sent.
    std::function<bool(Project&, Form&)> runActionSheet;
    std::function<bool(UploadList&, const ServerSettings&)> runPublishDialog;

public slots:
    void OnBuild();
    void OnPublish();
    void OnRun();

signals:
    void TitleChanged(const QString& title);
    // A project saved or opened under its name, for the recent files.
    void SavedByName(const QString& path);

public slots:
    // The "[*]" of the title follows the unsaved state.
    void UpdateModifiedMark();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AfterLoad();
    void UpdateTitle();
    // The project file alone: to a path, through the Save As question, or to its own path.
    bool SaveProjectTo(const std::string& path);
    bool SaveProjectAs();
    bool SaveProject();
    bool SavePage();
    bool DefineActions(Form& form);
    bool ShowPublishDialog(UploadList& list, const ServerSettings& settings);
    void MarkSharedFiles(UploadList& list, const ServerSettings& settings);

    Prompter& m_prompter;
    ProjectDocument m_doc;
    ProjectView* m_view;
    bool m_closed = false;
    bool m_markPending = false;
};

} // namespace quillet
