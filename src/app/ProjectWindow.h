#pragma once

#include "project/ProjectDocument.h"
#include "project/UploadEntry.h"

#include <QWidget>
#include <functional>

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
    bool OpenProject(const std::string& path);
    bool Save();
    bool SaveAs(const std::string& path);
    // The save question; false when the user keeps the project open.
    bool CloseProject();

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void AfterLoad();
    void UpdateTitle();
    bool DefineActions(Form& form);
    bool ShowPublishDialog(UploadList& list, const ServerSettings& settings);
    void MarkSharedFiles(UploadList& list, const ServerSettings& settings);

    Prompter& m_prompter;
    ProjectDocument m_doc;
    ProjectView* m_view;
    bool m_closed = false;
};

} // namespace quillet
