#include "net/pages/SendMailPage.h"

#include "net/MailPageModel.h"
#include "net/TestMail.h"
#include "net/pages/MessageTemplate.h"
#include "project/Action.h"
#include "project/pages/AttachmentDialog.h"
#include "ui/pages/BusyTask.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

namespace quillet {

namespace {

const char* const kLabels[] = {"POP Server:",
                               "POP User Name:",
                               "POP Password:",
                               "SMTP Server or Sendmail Path:",
                               "Sender's Name:",
                               "Sender's E-mail Address:",
                               "Recipients' E-mail Addresses:",
                               "Cc:",
                               "Subject:"};
enum FieldIndex { Pop, PopUser, PopPassword, Server, Sender, From, To, Cc, Subject };

bool RunAttachmentDialog(QWidget* parent, Attachment& attachment, Prompter& prompter)
{
    AttachmentDialog dialog(attachment, prompter, parent);
    return dialog.exec() == QDialog::Accepted;
}

SendMailPage::AttachmentEditor& CurrentEditor()
{
    static SendMailPage::AttachmentEditor editor = RunAttachmentDialog;
    return editor;
}

QString AttachmentName(const Attachment& attachment)
{
    return QString::fromLocal8Bit(std::filesystem::path(attachment.path).filename().string().c_str());
}

} // namespace

void SendMailPage::SetAttachmentEditor(AttachmentEditor editor)
{
    CurrentEditor() = editor ? std::move(editor) : RunAttachmentDialog;
}

SendMailPage::SendMailPage(Action& action, const ActionPageContext& context, QWidget* parent)
    : PropertyPage(tr("Send Email"), parent), m_action(action), m_context(context),
      m_auth(new QCheckBox(tr("Yes"), this)), m_attachments(new QComboBox(this)),
      m_template(new MessageTemplate(m_context, this))
{
    // Two columns, the message on the left and the server's login on the
    // right, so the page fits a small screen above its template.
    auto* message = new QFormLayout;
    auto* login = new QFormLayout;
    login->setRowWrapPolicy(QFormLayout::WrapLongRows);
    login->addRow(tr("Does your SMTP server require authentication?"), m_auth);
    auto* testMail = new QPushButton(tr("Send &test mail"), this);
    testMail->setToolTip(tr("Sends one message through this server and log-in, and shows the server's reply"));
    connect(testMail, &QPushButton::clicked, this, &SendMailPage::SendTestMessage);
    for (int i = 0; i < static_cast<int>(std::size(kLabels)); ++i)
        AddField(i <= PopPassword ? *login : *message, tr(kLabels[i]), i == PopPassword,
                 i == Server ? testMail : nullptr);
    connect(m_auth, &QCheckBox::toggled, this, &SendMailPage::ApplyAuth);

    auto* add = new QPushButton(tr("Add"), this);
    auto* edit = new QPushButton(tr("Edit"), this);
    auto* remove = new QPushButton(tr("Delete"), this);
    connect(add, &QPushButton::clicked, this, &SendMailPage::AddAttachment);
    connect(edit, &QPushButton::clicked, this, &SendMailPage::EditAttachment);
    connect(remove, &QPushButton::clicked, this, &SendMailPage::DeleteAttachment);
    auto* attachments = new QHBoxLayout;
    attachments->addWidget(m_attachments, 1);
    attachments->addWidget(add);
    attachments->addWidget(edit);
    attachments->addWidget(remove);
    login->addRow(tr("Attachments:"), attachments);

    auto* columns = new QHBoxLayout;
    columns->addLayout(message, 3);
    columns->addLayout(login, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(m_template, 1);
}

QLineEdit* SendMailPage::AddField(QFormLayout& form, const QString& label, bool masked, QWidget* beside)
{
    auto* edit = new QLineEdit(this);
    if (masked)
        edit->setEchoMode(QLineEdit::Password);
    if (beside) {
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(beside);
        form.addRow(label, row);
    } else {
        form.addRow(label, edit);
    }
    m_fields << edit;
    return edit;
}

QLineEdit* SendMailPage::Field(const char* label) const
{
    for (int i = 0; i < static_cast<int>(std::size(kLabels)); ++i)
        if (std::string_view(kLabels[i]) == label)
            return m_fields[i];
    return nullptr;
}

void SendMailPage::ApplyAuth()
{
    for (int i : {Pop, PopUser, PopPassword})
        m_fields[i]->setEnabled(m_auth->isChecked());
}

void SendMailPage::FillAttachments(int selected)
{
    m_attachments->clear();
    for (const Attachment& attachment : m_action.Mail().attachments)
        m_attachments->addItem(AttachmentName(attachment));
    m_attachments->setCurrentIndex(selected < m_attachments->count() ? selected : -1);
}

void SendMailPage::Load()
{
    MailFields fields = LoadMailFields(m_action.Mail());
    const std::string* texts[] = {&fields.popServer, &fields.popUser, &fields.popPassword,
                                  &fields.server,    &fields.sender,  &fields.from,
                                  &fields.to,        &fields.cc,      &fields.subject};
    for (int i = 0; i < static_cast<int>(std::size(texts)); ++i)
        m_fields[i]->setText(QString::fromLocal8Bit(texts[i]->c_str()));
    m_auth->setChecked(fields.smtpAuth);
    ApplyAuth();
    FillAttachments(0);
    m_template->Load(fields.templateFile);
}

MailFields SendMailPage::Fields() const
{
    MailFields fields;
    std::string* texts[] = {&fields.popServer, &fields.popUser, &fields.popPassword, &fields.server, &fields.sender,
                            &fields.from,      &fields.to,      &fields.cc,          &fields.subject};
    for (int i = 0; i < static_cast<int>(std::size(texts)); ++i)
        *texts[i] = m_fields[i]->text().toLocal8Bit().toStdString();
    fields.smtpAuth = m_auth->isChecked();
    fields.templateFile = m_template->Path();
    return fields;
}

void SendMailPage::Store()
{
    // The text first: a template without a file gets its path here.
    m_template->StoreText();
    StoreMailFields(Fields(), m_action.Mail());
}

void SendMailPage::SendTestMessage()
{
    MailAction mail;
    StoreMailFields(Fields(), mail);
    RunBusy(this, tr("Sending a test mail..."), m_context.prompter,
            [&mail](BusyTask& task) { SendTestMail(mail, task.WorkPrompter()); });
}

bool SendMailPage::LeaveCheck()
{
    return !m_template->HasUnsavedText() && MailLeaveCheck(m_action.Mail(), m_context.prompter);
}

void SendMailPage::AddAttachment()
{
    Attachment attachment;
    if (!CurrentEditor()(this, attachment, m_context.prompter))
        return;
    m_action.Mail().attachments.push_back(std::move(attachment));
    FillAttachments(static_cast<int>(m_action.Mail().attachments.size()) - 1);
}

void SendMailPage::EditAttachment()
{
    int index = m_attachments->currentIndex();
    auto& list = m_action.Mail().attachments;
    if (index < 0 || index >= static_cast<int>(list.size()))
        return;
    Attachment copy = list[index];
    if (!CurrentEditor()(this, copy, m_context.prompter))
        return;
    list[index] = std::move(copy);
    FillAttachments(index);
}

void SendMailPage::DeleteAttachment()
{
    int index = m_attachments->currentIndex();
    auto& list = m_action.Mail().attachments;
    if (index < 0 || index >= static_cast<int>(list.size()))
        return;
    list.erase(list.begin() + index);
    FillAttachments(SelectionAfterDelete(index, static_cast<int>(list.size())).value_or(-1));
}

} // namespace quillet
