#include "net/pages/WebSettingsPage.h"

#include "db/ServerCheck.h"
#include "net/SshIdentity.h"
#include "net/WebDnsLookup.h"
#include "net/WebPageRules.h"
#include "net/pages/PublishDialog.h"
#include "net/pages/ServerBrowse.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/Project.h"
#include "project/Prompter.h"
#include "project/UploadList.h"
#include "ui/pages/BusyTask.h"
#include "ui/pages/FileChooser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace quillet {

namespace {

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text);
}

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QComboBox* ChoiceBox(QWidget* parent, std::initializer_list<const char*> choices)
{
    auto* box = new QComboBox(parent);
    for (const char* choice : choices)
        box->addItem(choice);
    return box;
}

// A stored value the list does not offer is kept rather than lost on the next store.
void SetChoice(QComboBox* box, const std::string& value)
{
    QString text = Local(value);
    if (box->findText(text) < 0)
        box->addItem(text);
    box->setCurrentIndex(box->findText(text));
}

// Without an icon theme the button shows a short text instead.
QToolButton* IconButton(QWidget* parent, const char* icon, const QString& text, const QString& shortText)
{
    auto* button = new QToolButton(parent);
    button->setIcon(QIcon::fromTheme(icon));
    if (button->icon().isNull())
        button->setText(shortText);
    button->setToolTip(text);
    button->setAccessibleName(text);
    return button;
}

bool SameNoCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

WebSettingsPage::WebSettingsPage(Project& project, Prompter& prompter, WebPageContext context, QWidget* parent)
    : PropertyPage(tr("Web"), parent), m_project(project), m_prompter(prompter), m_context(std::move(context)),
      m_store(m_context.settingsFolder)
{
    BuildControls();
}

void WebSettingsPage::CreateFields()
{
    using namespace web;
    m_serverType = ChoiceBox(this, {kServerTypes[0], kServerTypes[1]});
    m_uploadMethod = ChoiceBox(this, {kUploadMethods[0], kUploadMethods[1], kUploadMethods[2], kUploadMethods[3]});
    m_scriptPattern = ChoiceBox(this, {kScriptPatterns[0], kScriptPatterns[1]});
    m_cgiWrapper = ChoiceBox(this, {kCgiWrappers[0], kCgiWrappers[1], kCgiWrappers[2]});
    m_ftpServer = new QLineEdit(this);
    m_ftpUser = new QLineEdit(this);
    m_ftpPassword = new QLineEdit(this);
    m_ftpPassword->setEchoMode(QLineEdit::Password);
    m_ftpPassive = new QCheckBox(tr("FTP &Passive Mode"), this);
    m_sshKey = new QLineEdit(this);
    m_sshKey->setPlaceholderText(tr("none: log in with the password"));
    m_sshKey->setToolTip(tr("A private key that logs in instead of the password; the password then unlocks the key"));
    m_perlPath = new QLineEdit(this);
    m_homePageUrl = new QLineEdit(this);
    m_homePagePath = new QLineEdit(this);
    m_cgiUrl = new QLineEdit(this);
    m_cgiPath = new QLineEdit(this);
    const std::pair<QLineEdit*, const char*> names[] = {
        {m_ftpServer, "ftpServer"}, {m_ftpUser, "ftpUser"},         {m_ftpPassword, "ftpPassword"},
        {m_perlPath, "perlPath"},   {m_homePageUrl, "homePageUrl"}, {m_homePagePath, "homePagePath"},
        {m_cgiUrl, "cgiUrl"},       {m_cgiPath, "cgiPath"},         {m_sshKey, "sshKey"}};
    for (const auto& [edit, name] : names)
        edit->setObjectName(name);
}

void WebSettingsPage::BuildControls()
{
    CreateFields();
    auto withBrowse = [this](QLineEdit* edit, const QString& tip, void (WebSettingsPage::*slot)()) {
        auto* row = new QWidget(this);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* button = IconButton(row, "folder-open", tip, "...");
        connect(button, &QToolButton::clicked, this, slot);
        layout->addWidget(edit);
        layout->addWidget(button);
        row->setFocusProxy(edit);
        return row;
    };
    auto* form = new QFormLayout(this);
    form->addRow(tr("&Server Type:"), m_serverType);
    form->addRow(tr("File &Upload Method:"), m_uploadMethod);
    form->addRow(tr("CGI File &Extension:"), m_scriptPattern);
    form->addRow(tr("CGI &Wrapper:"), m_cgiWrapper);
    form->addRow(tr("FTP Server &Address:"), m_ftpServer);
    form->addRow(tr("FTP User &Name:"), m_ftpUser);
    form->addRow(tr("FTP Pass&word:"), m_ftpPassword);
    form->addRow(QString(), m_ftpPassive);
    form->addRow(tr("SSH &Key File:"),
                 withBrowse(m_sshKey, tr("Choose the private key for SFTP"), &WebSettingsPage::BrowseSshKey));
    form->addRow(tr("File Path of PERL &5:"), m_perlPath);
    form->addRow(tr("&Home Page URL:"), m_homePageUrl);
    form->addRow(tr("Server-Side Path of the Home Pa&ge:"),
                 withBrowse(m_homePagePath, tr("Find server-side index.html file for your home page"),
                            &WebSettingsPage::BrowseHomePage));
    form->addRow(tr("CGI &BIN URL:"), m_cgiUrl);
    form->addRow(tr("Server-Side Path of the &CGIBIN:"),
                 withBrowse(m_cgiPath, tr("Find server-side CGIBIN folder"), &WebSettingsPage::BrowseCgiFolder));
    form->addRow(tr("&DNS Servers for current Web domain:"), BuildDnsRow());
    form->addRow(tr("Web C&onfiguration:"), BuildConfigurationRow());
    auto* setUp = new QPushButton(tr("Set Up Server-S&ide"), this);
    connect(setUp, &QPushButton::clicked, this, &WebSettingsPage::SetUpServerSide);
    auto* check = new QPushButton(tr("Check Se&rver"), this);
    connect(check, &QPushButton::clicked, this, &WebSettingsPage::CheckServer);
    auto* serverButtons = new QHBoxLayout;
    serverButtons->addWidget(setUp);
    serverButtons->addWidget(check);
    serverButtons->addStretch();
    form->addRow(QString(), serverButtons);

    connect(m_serverType, &QComboBox::currentTextChanged, this, &WebSettingsPage::UpdateEnabling);
    connect(m_uploadMethod, &QComboBox::currentTextChanged, this, &WebSettingsPage::UpdateEnabling);
}

QWidget* WebSettingsPage::BuildDnsRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_dns = new QComboBox(row);
    m_dns->setEditable(true);
    m_dns->setInsertPolicy(QComboBox::NoInsert);
    auto* add = IconButton(row, "list-add", tr("Add a DNS server"), tr("Add"));
    auto* remove = IconButton(row, "list-remove", tr("Delete a DNS server"), tr("Delete"));
    auto* lookup =
        IconButton(row, "system-search", tr("Get DNS servers automatically from current Web domain"), tr("Look Up"));
    connect(add, &QToolButton::clicked, this, &WebSettingsPage::AddDnsServer);
    connect(remove, &QToolButton::clicked, this, &WebSettingsPage::DeleteDnsServer);
    connect(lookup, &QToolButton::clicked, this, &WebSettingsPage::LookupDnsServers);
    row->setFocusProxy(m_dns);
    layout->addWidget(m_dns, 1);
    layout->addWidget(add);
    layout->addWidget(remove);
    layout->addWidget(lookup);
    return row;
}

QWidget* WebSettingsPage::BuildConfigurationRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_configurations = new QComboBox(row);
    m_configurations->setInsertPolicy(QComboBox::NoInsert);
    auto* add = IconButton(row, "document-new", tr("Add Web configuration"), tr("Add"));
    auto* save = IconButton(row, "document-save", tr("Save Web configuration"), tr("Save"));
    auto* remove = IconButton(row, "edit-delete", tr("Delete Web configuration"), tr("Delete"));
    connect(add, &QToolButton::clicked, this, &WebSettingsPage::AddConfiguration);
    connect(save, &QToolButton::clicked, this, &WebSettingsPage::SaveConfiguration);
    connect(remove, &QToolButton::clicked, this, &WebSettingsPage::DeleteConfiguration);
    connect(m_configurations, &QComboBox::activated, this, &WebSettingsPage::SelectConfiguration);
    row->setFocusProxy(m_configurations);
    layout->addWidget(m_configurations, 1);
    layout->addWidget(add);
    layout->addWidget(save);
    layout->addWidget(remove);
    return row;
}

void WebSettingsPage::UpdateEnabling()
{
    std::string method = Bytes(m_uploadMethod->currentText());
    for (QWidget* field : std::initializer_list<QWidget*>{m_ftpServer, m_ftpUser, m_ftpPassword})
        field->setEnabled(FtpFieldsEnabled(method));
    m_ftpPassive->setEnabled(PassiveModeEnabled(method));
    m_sshKey->parentWidget()->setEnabled(SshKeyEnabled(method));
    m_perlPath->setEnabled(PerlPathEnabled(Bytes(m_serverType->currentText())));
}

WebPageValues WebSettingsPage::Values() const
{
    WebPageValues values;
    values.serverType = Bytes(m_serverType->currentText());
    values.uploadMethod = Bytes(m_uploadMethod->currentText());
    values.scriptPattern = Bytes(m_scriptPattern->currentText());
    values.cgiWrapper = Bytes(m_cgiWrapper->currentText());
    values.ftpServer = Bytes(m_ftpServer->text());
    values.ftpUser = Bytes(m_ftpUser->text());
    values.ftpPassword = Bytes(m_ftpPassword->text());
    values.ftpPassive = m_ftpPassive->isChecked();
    values.perlPath = Bytes(m_perlPath->text());
    values.homePageUrl = Bytes(m_homePageUrl->text());
    values.homePagePath = Bytes(m_homePagePath->text());
    values.cgiUrl = Bytes(m_cgiUrl->text());
    values.cgiPath = Bytes(m_cgiPath->text());
    for (int i = 0; i < m_dns->count(); ++i)
        values.dnsServers.push_back(Bytes(m_dns->itemText(i)));
    return values;
}

void WebSettingsPage::Show(const WebPageValues& values)
{
    SetChoice(m_serverType, values.serverType);
    SetChoice(m_uploadMethod, values.uploadMethod);
    SetChoice(m_scriptPattern, values.scriptPattern);
    SetChoice(m_cgiWrapper, values.cgiWrapper);
    m_ftpServer->setText(Local(values.ftpServer));
    m_ftpUser->setText(Local(values.ftpUser));
    m_ftpPassword->setText(Local(values.ftpPassword));
    m_ftpPassive->setChecked(values.ftpPassive);
    m_perlPath->setText(Local(values.perlPath));
    m_homePageUrl->setText(Local(values.homePageUrl));
    m_homePagePath->setText(Local(values.homePagePath));
    m_cgiUrl->setText(Local(values.cgiUrl));
    m_cgiPath->setText(Local(values.cgiPath));
    m_dns->clear();
    for (const std::string& name : values.dnsServers)
        m_dns->addItem(Local(name));
    m_dns->setEditText(QString());
    UpdateEnabling();
}

void WebSettingsPage::Load()
{
    Show(WebPageFromSettings(m_project.settings));
    m_sshKey->setText(Local(SshKeyFor(m_project.settings.ftpUser, m_project.settings.ftpServer).value_or("")));
}

void WebSettingsPage::Store()
{
    StoreWebPage(Values(), m_project.settings);
    SavePreferences(m_project.settings);
    const ServerSettings& settings = m_project.settings;
    std::string key = Bytes(m_sshKey->text().trimmed());
    if (SshKeyEnabled(settings.uploadMethod) && SshKeyFor(settings.ftpUser, settings.ftpServer).value_or("") != key)
        RememberSshKey(settings.ftpUser, settings.ftpServer, key);
}

void WebSettingsPage::BrowseSshKey()
{
    QString chosen = FileChooser::Current().OpenFile(this, tr("SSH Key File"), tr("All files (*)"));
    if (!chosen.isEmpty())
        m_sshKey->setText(chosen);
}

ServerSettings WebSettingsPage::ShownSettings() const
{
    ServerSettings shown = m_project.settings;
    StoreWebPage(Values(), shown);
    return shown;
}

void WebSettingsPage::AddDnsServer()
{
    std::vector<std::string> names = Values().dnsServers;
    if (!quillet::AddDnsServer(names, Bytes(m_dns->currentText()), m_prompter))
        return;
    m_dns->clear();
    for (const std::string& name : names)
        m_dns->addItem(Local(name));
    m_dns->setCurrentIndex(m_dns->count() - 1);
}

void WebSettingsPage::DeleteDnsServer()
{
    int index = m_dns->findText(m_dns->currentText(), Qt::MatchFixedString);
    if (index >= 0)
        m_dns->removeItem(index);
    m_dns->setEditText(QString());
}

void WebSettingsPage::LookupDnsServers()
{
    Store();
    m_dns->clear();
    std::string url = m_project.settings.homePageUrl;
    std::string system = m_context.systemDnsServer ? *m_context.systemDnsServer : std::string();
    std::vector<std::string> names;
    bool finished =
        RunBusy(this, tr("Looking up the DNS servers of the Web domain..."), m_prompter,
                [&](BusyTask& task) { names = LookupWebDomainDnsServers(url, system, task.WorkPrompter()); });
    if (!finished)
        return;
    if (m_context.systemDnsServer)
        *m_context.systemDnsServer = system;
    for (const std::string& name : names)
        m_dns->addItem(Local(name));
    m_dns->setEditText(QString());
}

void WebSettingsPage::OpenConfigurations()
{
    m_configurations->clear();
    for (const std::string& name : m_store.Names())
        m_configurations->addItem(Local(name));
    SelectName(WebConfigurations::kDefaultName);
    UpdateEnabling();
    // A project that has settings of its own keeps them: only one that has
    // none yet takes the "Default" configuration when the tab opens.
    if (m_project.settings == ServerSettings())
        SelectConfiguration(m_configurations->currentIndex());
}

void WebSettingsPage::SelectName(const QString& name)
{
    int index = m_configurations->findText(name, Qt::MatchFixedString);
    if (index < 0) {
        int position = 0;
        while (position < m_configurations->count() &&
               m_configurations->itemText(position).compare(name, Qt::CaseInsensitive) < 0)
            ++position;
        m_configurations->insertItem(position, name);
        index = position;
    }
    m_configurations->setCurrentIndex(index);
}

void WebSettingsPage::SelectConfiguration(int index)
{
    if (index < 0)
        return;
    if (m_store.Load(Bytes(m_configurations->itemText(index)), m_project.settings))
        Load();
}

std::optional<QString> WebSettingsPage::AskName(const QString& initial)
{
    if (askConfigurationName)
        return askConfigurationName(initial);
    bool ok = false;
    QString name = QInputDialog::getText(this, tr("Web Configuration:"),
                                         tr("Please enter a name for the Web site. It can be any name used to "
                                            "distinguish one Web site configuration from another."),
                                         QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(name.trimmed()) : std::nullopt;
}

void WebSettingsPage::AddConfiguration()
{
    std::optional<QString> name = AskName(QString());
    if (!name)
        return;
    if (!m_store.Add(Bytes(*name), m_project.settings, m_prompter))
        return;
    Load();
    SelectName(*name);
}

void WebSettingsPage::SaveConfiguration()
{
    if (m_configurations->currentIndex() < 0)
        return;
    Store();
    std::optional<QString> name = AskName(m_configurations->currentText());
    if (!name)
        return;
    if (!WebConfigurations::IsValidName(Bytes(*name))) {
        m_prompter.Show(FormatMessage(Msg::BadWebConfigurationName));
        return;
    }
    for (int i = 0; i < m_configurations->count(); ++i)
        if (SameNoCase(m_configurations->itemText(i), *name))
            name = m_configurations->itemText(i);
    SelectName(*name);
    m_store.Save(Bytes(*name), m_project.settings, m_prompter);
}

void WebSettingsPage::DeleteConfiguration()
{
    int index = m_configurations->currentIndex();
    if (index < 0)
        return;
    m_store.Remove(Bytes(m_configurations->itemText(index)));
    m_configurations->removeItem(index);
    m_configurations->setCurrentIndex(m_configurations->count() > 0 ? 0 : -1);
}

void WebSettingsPage::SetUpServerSide()
{
    Store();
    if (m_project.settings.cgiPath.empty()) {
        m_prompter.Show(FormatMessage(Msg::CgiPathMissing));
        return;
    }
    std::string projectFile = m_context.projectFile ? m_context.projectFile() : std::string();
    PathContext paths = PathContext::ForProject(m_project, projectFile);
    UploadList list;
    Form none;
    const Form* form = m_project.CurrentForm();
    BuildUploadList(list, paths, m_project.settings, form ? *form : none, kServerSetupKinds, false, m_prompter);
    PublishDialog dialog(list, m_project.settings, m_prompter, this);
    dialog.exec();
}

void WebSettingsPage::CheckServer()
{
    Store();
    Project project = m_project;
    ServerCheckReport report;
    bool finished = RunBusy(this, tr("Checking the server..."), m_prompter, [&](BusyTask& task) {
        report = quillet::CheckServer(project, task.WorkPrompter(), [&task] { return !task.Cancelled(); });
    });
    if (finished && !report.lines.empty())
        m_prompter.Show(report.Text());
}

void WebSettingsPage::BrowseCgiFolder()
{
    Store();
    ServerSettings& settings = m_project.settings;
    FtpFields ftp{settings.ftpServer, settings.ftpUser, settings.ftpPassword, settings.ftpPassive != 0};
    std::string folder = settings.cgiPath;
    bool chosen = BrowseServerFolder(this, settings.uploadMethod, ftp, folder, m_prompter);
    m_ftpServer->setText(Local(ftp.host));
    m_ftpUser->setText(Local(ftp.user));
    m_ftpPassword->setText(Local(ftp.password));
    m_ftpPassive->setChecked(ftp.passive);
    if (chosen)
        m_cgiPath->setText(Local(folder));
}

void WebSettingsPage::BrowseHomePage()
{
    Store();
    ServerSettings& settings = m_project.settings;
    FtpFields ftp{settings.ftpServer, settings.ftpUser, settings.ftpPassword, settings.ftpPassive != 0};
    std::string file;
    bool chosen = BrowseServerFile(this, 1, settings.uploadMethod, ftp, web::kHomeFileFilter, settings.homePagePath,
                                   file, m_prompter);
    m_ftpServer->setText(Local(ftp.host));
    m_ftpUser->setText(Local(ftp.user));
    m_ftpPassword->setText(Local(ftp.password));
    m_ftpPassive->setChecked(ftp.passive);
    if (chosen)
        m_homePagePath->setText(Local(file));
}

} // namespace quillet
