#include "project/pages/ProjectView.h"

#include "db/pages/DatabasePage.h"
#include "html/pages/FormPage.h"
#include "project/Project.h"
#include "project/pages/NewsPage.h"

#include <QApplication>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillet {

namespace {

// A page wider or taller than the window scrolls instead of pushing the
// window past the screen, so the project stays usable from 800x600 up.
QWidget* Scrolled(QWidget* page)
{
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(page);
    return area;
}

} // namespace

ProjectView::ProjectView(Project& project, Prompter& prompter, WebPageContext context, QWidget* parent)
    : QWidget(parent), m_project(project), m_tabs(new QTabWidget(this))
{
    std::function<std::string()> projectFile = context.projectFile;
    m_web = new WebSettingsPage(project, prompter, std::move(context), m_tabs);
    m_pages = {m_web, new DatabasePage(project, prompter, projectFile, m_tabs),
               m_form = new FormPage(project, prompter, projectFile, m_tabs),
               new NewsPage(project, projectFile, m_tabs)};
    for (PropertyPage* page : m_pages)
        m_tabs->addTab(Scrolled(page), page->Title());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, &ProjectView::OnTabChanged);
    connect(qApp, &QApplication::focusChanged, this, &ProjectView::OnFocusChanged);
}

ProjectView::~ProjectView()
{
    // Focus moves while the children go; this view must no longer hear of it.
    disconnect(qApp, nullptr, this, nullptr);
}

PropertyPage* ProjectView::Page(int index) const
{
    return index >= 0 && index < static_cast<int>(m_pages.size()) ? m_pages[static_cast<size_t>(index)] : nullptr;
}

void ProjectView::OnInitialUpdate()
{
    m_web->OpenConfigurations();
    for (PropertyPage* page : m_pages)
        page->Load();
}

void ProjectView::OnUpdate(int hint)
{
    if (hint == kFillFromSettings)
        m_web->Load();
    else if (hint == kStoreIntoSettings) {
        m_web->Store();
        // Grid edits of the shown table live in the page until it is left.
        if (auto* database = qobject_cast<DatabasePage*>(Page(m_current)))
            database->Store();
    }
}

void ProjectView::OnTabChanged(int index)
{
    PropertyPage* left = Page(m_current);
    if (left && m_current != index) {
        left->Store();
        if (!left->LeaveCheck()) {
            QSignalBlocker block(m_tabs);
            m_tabs->setCurrentIndex(m_current);
            return;
        }
    }
    m_current = index;
    if (PropertyPage* page = Page(index))
        page->Load();
}

void ProjectView::OnFocusChanged(QWidget*, QWidget* now)
{
    if (now && isAncestorOf(now))
        m_focus = now;
}

void ProjectView::RestoreFocus()
{
    if (m_focus && m_focus->isVisible())
        m_focus->setFocus(Qt::OtherFocusReason);
}

} // namespace quillet
