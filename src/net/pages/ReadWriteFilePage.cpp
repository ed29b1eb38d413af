#include "net/pages/ReadWriteFilePage.h"

#include "ui/pages/BusyTask.h"

#include "net/MailPageModel.h"
#include "net/Publisher.h"
#include "net/RemoteBrowser.h"
#include "net/pages/MessageTemplate.h"
#include "net/pages/ServerBrowse.h"
#include "project/Action.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/Prompter.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillet {

ReadWriteFilePage::ReadWriteFilePage(Action& action, const ActionPageContext& context, QWidget* parent)
    : PropertyPage(tr("Read or Write File"), parent), m_action(action), m_context(context),
      m_serverPath(new QLineEdit(this)), m_modes{new QRadioButton(tr("O&verwrite"), this),
                                                 new QRadioButton(tr("&Append"), this),
                                                 new QRadioButton(tr("&Read"), this)},
      m_template(new MessageTemplate(m_context, this))
{
    m_template->HtmlEditorButton()->hide();
    auto* create = new QPushButton(tr("Create a new Server-side file"), this);
    auto* select = new QPushButton(tr("Select a server-side file"), this);
    connect(create, &QPushButton::clicked, this, &ReadWriteFilePage::CreateServerFile);
    connect(select, &QPushButton::clicked, this, &ReadWriteFilePage::SelectServerFile);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_serverPath, 1);
    pathRow->addWidget(create);
    pathRow->addWidget(select);
    auto* modes = new QHBoxLayout;
    for (QRadioButton* mode : m_modes)
        modes->addWidget(mode);
    modes->addStretch();
    auto* form = new QFormLayout;
    auto* pathLabel = new QLabel(tr("&Server-Side File Path:"), this);
    pathLabel->setBuddy(m_serverPath);
    form->addRow(pathLabel, pathRow);
    form->addRow(tr("File Operation:"), modes);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_template, 1);
}

void ReadWriteFilePage::Load()
{
    const FileAction& file = m_action.File();
    m_serverPath->setText(QString::fromLocal8Bit(file.dataFile.c_str()));
    m_modes[file.mode >= 0 && file.mode <= 2 ? file.mode : 0]->setChecked(true);
    m_template->Load(file.file);
}

void ReadWriteFilePage::Store()
{
    // The text first: a template without a file gets its path here.
    m_template->StoreText();
    FileMode mode = m_modes[0]->isChecked()   ? FileMode::Overwrite
                    : m_modes[1]->isChecked() ? FileMode::Append
                                              : FileMode::Read;
    StoreFileAction(m_template->Path(), m_serverPath->text().toLocal8Bit().toStdString(), mode, m_action.File());
}

bool ReadWriteFilePage::LeaveCheck()
{
    return !m_template->HasUnsavedText();
}

bool ReadWriteFilePage::BrowseServer(int mode, std::string& chosen)
{
    ServerSettings& settings = m_context.project.settings;
    FtpFields ftp{settings.ftpServer, settings.ftpUser, settings.ftpPassword, settings.ftpPassive != 0};
    bool ok = BrowseServerFile(this, mode, settings.uploadMethod, ftp, std::string(kServerFileFilter),
                               m_serverPath->text().trimmed().toLocal8Bit().toStdString(), chosen, m_context.prompter);
    settings.ftpServer = ftp.host;
    settings.ftpUser = ftp.user;
    settings.ftpPassword = ftp.password;
    settings.ftpPassive = ftp.passive ? 1 : 0;
    return ok;
}

void ReadWriteFilePage::SelectServerFile()
{
    std::string chosen;
    if (BrowseServer(1, chosen))
        m_serverPath->setText(QString::fromLocal8Bit(chosen.c_str()));
}

void ReadWriteFilePage::CreateServerFile()
{
    std::string chosen;
    if (!BrowseServer(2, chosen))
        return;
    m_serverPath->setText(QString::fromLocal8Bit(chosen.c_str()));
    const ServerSettings& settings = m_context.project.settings;
    RunBusy(this, tr("Creating %1...").arg(QString::fromLocal8Bit(chosen.c_str())), m_context.prompter,
            [&](BusyTask& task) {
                std::unique_ptr<RemoteConnection> connection;
                if (settings.UsesRemoteLogin() && chosen.find("$FORM{") == std::string::npos) {
                    ConnectResult result = ConnectResult::Failed;
                    connection = OpenRemoteConnection(LoginFor(settings), task.WorkPrompter(), &result);
                    if (!connection) {
                        if (!task.Cancelled())
                            ReportConnectFailure(result, settings.ftpServer, task.WorkPrompter());
                        return;
                    }
                }
                CreateServerSideFile(settings.uploadMethod, connection.get(), chosen, task.WorkPrompter());
            });
}

} // namespace quillet
