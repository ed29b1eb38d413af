#include "project/pages/NewsPage.h"

#include "project/Paths.h"
#include "project/Project.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace quillet {

namespace {

QString Escaped(const std::string& text)
{
    return QString::fromLocal8Bit(text).toHtmlEscaped();
}

QString Row(const QString& label, const QString& value)
{
    return QString("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(label, value);
}

} // namespace

NewsPage::NewsPage(const Project& project, std::function<std::string()> projectFile, QWidget* parent)
    : PropertyPage(tr("News"), parent), m_project(project), m_projectFile(std::move(projectFile)),
      m_text(new QTextBrowser(this))
{
    m_text->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
}

void NewsPage::Load()
{
    m_text->setHtml(ProjectSummaryHtml(m_project, m_projectFile ? m_projectFile() : std::string()));
}

QString NewsPage::ProjectSummaryHtml(const Project& project, const std::string& projectFile)
{
    const Form* form = project.CurrentForm();
    size_t actions = 0;
    size_t buttons = form ? form->handlers.size() : 0;
    for (size_t i = 0; form && i < form->handlers.size(); ++i)
        actions += form->handlers[i].actions.size();
    std::string address = form ? RemotePath(project.settings, RemoteKind::PageAddress, form->pageFile) : "";
    QString html = QString("<h2>%1</h2><table cellspacing=6>").arg(Escaped(SplitPath(projectFile, PathPart::FileExt)));
    html += Row(QObject::tr("Project file"), Escaped(projectFile));
    html += Row(QObject::tr("Form page"), form && !form->pageFile.empty() ? Escaped(form->pageFile) : "-");
    html += Row(QObject::tr("Submit buttons"), QString::number(buttons));
    html += Row(QObject::tr("Actions"), QString::number(actions));
    html += Row(QObject::tr("Databases"), QString::number(project.dataSources.size()));
    html += Row(QObject::tr("Public address"), address.empty() ? "-" : Escaped(address));
    html += "</table><p>" +
            QObject::tr("Use <b>Build</b> to define the actions and create the script, <b>Publish</b> to send the "
                        "files to your server and <b>Run</b> to try the form in your browser.") +
            "</p>";
    return html;
}

} // namespace quillet
