#pragma once

#include "net/pages/WebSettingsPage.h"

#include <QPointer>
#include <QWidget>
#include <vector>

class QTabWidget;

namespace quillet {

class FormPage;
class NewsPage;
class PropertyPage;
class Prompter;
struct Project;

// The view of one project: the tabs "Web", "Database", "Form" and "News".
// It keeps no data of its own; update hints move the server settings
// between the document and the "Web" tab.
class ProjectView : public QWidget {
    Q_OBJECT
public:
    enum Hint { kFillFromSettings = 0, kStoreIntoSettings = 1 };

    ProjectView(Project& project, Prompter& prompter, WebPageContext context, QWidget* parent = nullptr);
    ~ProjectView() override;

    // After the project has been read: every tab shows it, the "Web" tab lists
    // the web configurations.
    void OnInitialUpdate();
    void OnUpdate(int hint);

    QTabWidget* Tabs() const { return m_tabs; }
    WebSettingsPage* WebTab() const { return m_web; }
    FormPage* FormTab() const { return m_form; }
    PropertyPage* Page(int index) const;

    // The control that last had the focus inside the view gets it back when
    // the project window is activated again.
    void RestoreFocus();
    QWidget* RememberedFocus() const { return m_focus; }

private:
    void OnTabChanged(int index);
    void OnFocusChanged(QWidget* old, QWidget* now);

    Project& m_project;
    QTabWidget* m_tabs;
    WebSettingsPage* m_web;
    FormPage* m_form = nullptr;
    std::vector<PropertyPage*> m_pages;
    int m_current = 0;
    QPointer<QWidget> m_focus;
};

} // namespace quillet
