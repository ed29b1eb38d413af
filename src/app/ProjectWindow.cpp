#include "app/ProjectWindow.h"

#include "app/AppEnvironment.h"
#include "generator/Build.h"
#include "generator/BuildChecks.h"
#include "html/pages/FormPage.h"
#include "net/Publisher.h"
#include "net/pages/PublishDialog.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/Prompter.h"
#include "project/UploadList.h"
#include "project/pages/ProjectView.h"
#include "ui/pages/BusyTask.h"
#include "ui/pages/FileChooser.h"
#include "ui/pages/ShellServices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

namespace quillet {

namespace {

const char* kLastFolderKey = "LastFolder";
const char* kProjectFilter = "Quillet Project (*.prj)|*.prj||";

QString PublishedKey(const std::string& projectPath, const ServerSettings& settings)
{
    QString server =
        QString::fromLocal8Bit(settings.UsesRemoteLogin() ? settings.ftpServer + settings.cgiPath : settings.cgiPath);
    QByteArray key = QCryptographicHash::hash((QString::fromLocal8Bit(projectPath) + '\n' + server).toUtf8(),
                                              QCryptographicHash::Sha1);
    return "Published/" + QString::fromLatin1(key.toHex());
}

} // namespace

ProjectWindow::ProjectWindow(Prompter& prompter, AppEnvironment& environment, QWidget* parent)
    : QWidget(parent), m_prompter(prompter), m_doc(prompter)
{
    setAttribute(Qt::WA_DeleteOnClose);
    WebPageContext context{environment.settingsFolder, &environment.systemDnsServer, [this] { return m_doc.Path(); }};
    m_view = new ProjectView(m_doc.Content(), prompter, std::move(context), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_doc.SetStoreEdits([this] { UpdateAllViews(ProjectView::kStoreIntoSettings); });
    connect(m_view->FormTab(), &FormPage::PageModified, this, &ProjectWindow::UpdateModifiedMark);
    // Typing and clicking anywhere in the window may change the project; the
    // title's mark is checked once the event has been handled.
    qApp->installEventFilter(this);
}

bool ProjectWindow::NewProject(const std::string& folder)
{
    if (!m_doc.NewProject(folder))
        return false;
    AfterLoad();
    return true;
}

void ProjectWindow::NewUntitled()
{
    m_doc.NewUntitled();
    AfterLoad();
}

bool ProjectWindow::OpenProject(const std::string& path)
{
    if (!m_doc.LoadProject(path))
        return false;
    RememberFolder(path);
    AfterLoad();
    return true;
}

void ProjectWindow::AfterLoad()
{
    m_view->OnInitialUpdate();
    UpdateAllViews(ProjectView::kFillFromSettings);
    // Settings left empty in the file show their defaults; showing them is no change of the user's.
    m_doc.Content().settings = m_view->WebTab()->ShownSettings();
    m_doc.MarkUnmodified();
    UpdateTitle();
}

QString ProjectWindow::LastFolder()
{
    QString folder = QSettings().value(kLastFolderKey).toString();
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath();
}

void ProjectWindow::RememberFolder(const std::string& path)
{
    QSettings().setValue(kLastFolderKey, QFileInfo(QString::fromLocal8Bit(path)).absolutePath());
}

bool ProjectWindow::SaveProjectTo(const std::string& path)
{
    std::string target = ProjectDocument::ProjectFilePath(path);
    if (!m_doc.SaveProject(target))
        return false;
    m_doc.SetPath(target);
    RememberFolder(target);
    UpdateTitle();
    emit SavedByName(QString::fromLocal8Bit(target));
    return true;
}

bool ProjectWindow::SaveProjectAs()
{
    QString suggested = m_doc.IsUntitled()
                            ? LastFolder() + "/" + ProjectDocument::kDefaultTitle + ProjectDocument::kExtension
                            : QString::fromLocal8Bit(m_doc.Path());
    QString path = FileChooser::Current().SaveFile(this, tr("Save As"), kProjectFilter, suggested);
    return !path.isEmpty() && SaveProjectTo(path.toLocal8Bit().toStdString());
}

bool ProjectWindow::SaveProject()
{
    return m_doc.IsUntitled() ? SaveProjectAs() : m_doc.SaveProject(m_doc.Path());
}

bool ProjectWindow::SavePage()
{
    FormPage* page = m_view->FormTab();
    return !page->IsPageModified() || page->SaveHtmlFile();
}

bool ProjectWindow::Save()
{
    UpdateAllViews(ProjectView::kStoreIntoSettings);
    bool saved = SaveProject() && SavePage();
    UpdateModifiedMark();
    return saved;
}

bool ProjectWindow::SaveAs(const std::string& path)
{
    UpdateAllViews(ProjectView::kStoreIntoSettings);
    bool saved = SaveProjectTo(path) && SavePage();
    UpdateModifiedMark();
    return saved;
}

std::vector<UnsavedFile> ProjectWindow::UnsavedFiles()
{
    UpdateAllViews(ProjectView::kStoreIntoSettings);
    std::vector<UnsavedFile> files;
    if (m_doc.IsModified()) {
        files.push_back({m_doc.DisplayName(), [this] { return SaveProject(); }, true});
    }
    FormPage* page = m_view->FormTab();
    if (page->IsPageModified())
        files.push_back({page->PageFileName(), [page] { return page->SaveHtmlFile(); }});
    return files;
}

bool ProjectWindow::IsModified() const
{
    return m_view->FormTab()->IsPageModified() || m_doc.IsModified(m_view->WebTab()->ShownSettings());
}

bool ProjectWindow::CloseProject()
{
    if (m_closed)
        return true;
    if (AskToSaveAll(UnsavedFiles(), m_prompter) == SaveAnswer::Cancelled) {
        UpdateModifiedMark();
        return false;
    }
    m_closed = true;
    return true;
}

void ProjectWindow::closeEvent(QCloseEvent* event)
{
    if (CloseProject())
        event->accept();
    else
        event->ignore();
}

void ProjectWindow::UpdateAllViews(int hint)
{
    m_view->OnUpdate(hint);
}

void ProjectWindow::UpdateTitle()
{
    QString name = QString::fromLocal8Bit(SplitPath(m_doc.Path(), PathPart::FileExt));
    setWindowTitle((name.isEmpty() ? QString(ProjectDocument::kDefaultTitle) : name) + "[*]");
    setWindowModified(IsModified());
    emit TitleChanged(windowTitle());
}

void ProjectWindow::UpdateModifiedMark()
{
    m_markPending = false;
    bool modified = !m_closed && IsModified();
    if (modified == isWindowModified())
        return;
    setWindowModified(modified);
    emit TitleChanged(windowTitle());
}

bool ProjectWindow::eventFilter(QObject* watched, QEvent* event)
{
    QEvent::Type type = event->type();
    if ((type == QEvent::KeyRelease || type == QEvent::MouseButtonRelease) && !m_markPending) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == this || isAncestorOf(widget))) {
            m_markPending = true;
            QTimer::singleShot(0, this, &ProjectWindow::UpdateModifiedMark);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ProjectWindow::OnBuild()
{
    Project& project = m_doc.Content();
    Form* form = project.CurrentForm();
    if (!form || form->pageFile.empty()) {
        m_prompter.Show(FormatMessage(Msg::NoFormLoaded));
        return;
    }
    UpdateAllViews(ProjectView::kStoreIntoSettings);
    // The Form tab reads its page when it has not yet, points the form at the
    // script and saves it, edits included.
    FormPage* formPage = m_view->FormTab();
    if (!formPage->SaveForBuild() || !CheckFormPages(project, m_doc.Path(), m_prompter))
        return;
    formPage->TakePageTime();
    if (!DefineActions(*form))
        return;
    formPage->FillLists();
    UpdateAllViews(ProjectView::kStoreIntoSettings);
    // The build checks everything before it writes the script or the pages of Post HTML Form actions.
    bool built = BuildProject(project, m_doc.Path(), m_prompter);
    formPage->TakePageTime();
    if (built && m_prompter.AskYesNo(FormatMessage(Msg::ScriptCreatedPublish)))
        OnPublish();
}

void ProjectWindow::OnPublish()
{
    UpdateAllViews(ProjectView::kStoreIntoSettings);
    Project& project = m_doc.Content();
    Form none;
    const Form* form = project.CurrentForm();
    UploadList list;
    BuildUploadList(list, PathContext::ForProject(project, m_doc.Path()), project.settings, form ? *form : none,
                    kPublishKinds, true, m_prompter);
    if (list.empty())
        return;
    MarkSharedFiles(list, project.settings);
    if (!ShowPublishDialog(list, project.settings))
        return;
    QSettings().setValue(PublishedKey(m_doc.Path(), project.settings), true);
    if (m_prompter.AskYesNo(FormatMessage(Msg::ScriptUploadedTest)))
        OnRun();
}

// The runtime modules and images a script needs go up whenever the server
// lacks them; the administration script only with the first publish of this
// project to this server, since the user may have removed it on purpose.
void ProjectWindow::MarkSharedFiles(UploadList& list, const ServerSettings& settings)
{
    unsigned kinds = UploadKind::CgiLib | UploadKind::Image;
    if (!QSettings().value(PublishedKey(m_doc.Path(), settings)).toBool())
        kinds = kinds | UploadKind::DbAdmin;
    RunBusy(this, tr("Checking which files the server has..."), m_prompter,
            [&](BusyTask&) { MarkMissingServerFiles(list, settings, kinds); });
}

void ProjectWindow::OnRun()
{
    UpdateAllViews(ProjectView::kStoreIntoSettings);
    const Project& project = m_doc.Content();
    const Form* form = project.CurrentForm();
    std::string address = RemotePath(project.settings, RemoteKind::PageAddress, form ? form->pageFile : "");
    if (address.empty()) {
        m_prompter.Show(FormatMessage(Msg::NoFormToTest));
        return;
    }
    OpenWithShell(address, m_prompter);
}

bool ProjectWindow::DefineActions(Form& form)
{
    if (runActionSheet)
        return runActionSheet(m_doc.Content(), form);
    return m_view->FormTab()->DefineActions();
}

bool ProjectWindow::ShowPublishDialog(UploadList& list, const ServerSettings& settings)
{
    if (runPublishDialog)
        return runPublishDialog(list, settings);
    PublishDialog dialog(list, settings, m_prompter, this);
    dialog.announceResult = false;
    return dialog.exec() == QDialog::Accepted && dialog.AllSent();
}

} // namespace quillet
