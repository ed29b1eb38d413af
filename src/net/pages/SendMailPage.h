#pragma once

#include "project/pages/ActionPages.h"
#include "ui/pages/PropertyPage.h"

#include <functional>

class QCheckBox;
class QFormLayout;
class QComboBox;
class QLineEdit;

namespace quillet {

class MessageTemplate;
class Prompter;
struct Action;
struct Attachment;
struct MailFields;

// "Send Email": the mail's addresses and server, its attachments and the template of its text.
class SendMailPage : public PropertyPage {
    Q_OBJECT
public:
    SendMailPage(Action& action, const ActionPageContext& context, QWidget* parent = nullptr);

    void Load() override;
    void Store() override;
    bool LeaveCheck() override;

    // Edits one attachment; true on OK. The "Attachment" dialog by default.
    using AttachmentEditor = std::function<bool(QWidget* parent, Attachment& attachment, Prompter& prompter)>;
    static void SetAttachmentEditor(AttachmentEditor editor);

    void AddAttachment();
    void EditAttachment();
    void DeleteAttachment();
    // "Send test mail": one message through the page's server and log-in, from here.
    void SendTestMessage();

    QCheckBox* AuthBox() const { return m_auth; }
    QLineEdit* Field(const char* label) const;
    QComboBox* Attachments() const { return m_attachments; }
    MessageTemplate* Template() const { return m_template; }

private:
    MailFields Fields() const;
    void ApplyAuth();
    QLineEdit* AddField(QFormLayout& form, const QString& label, bool masked, QWidget* beside);
    void FillAttachments(int selected);

    Action& m_action;
    ActionPageContext m_context;
    QCheckBox* m_auth;
    QList<QLineEdit*> m_fields;
    QComboBox* m_attachments;
    MessageTemplate* m_template;
};

} // namespace quillet
