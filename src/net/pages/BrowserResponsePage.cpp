#include "net/pages/BrowserResponsePage.h"

#include "net/MailPageModel.h"
#include "net/pages/MessageTemplate.h"
#include "project/Action.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillet {

BrowserResponsePage::BrowserResponsePage(Action& action, const ActionPageContext& context, QWidget* parent)
    : PropertyPage(tr("Respond to Browser"), parent), m_action(action), m_context(context),
      m_redirect(new QRadioButton(tr("Redirect to a URL"), this)), m_post(new QRadioButton(tr("Post Message"), this)),
      m_urlLabel(new QLabel(tr("URL:"), this)), m_url(new QLineEdit(this)),
      m_template(new MessageTemplate(m_context, this))
{
    m_urlLabel->setBuddy(m_url);
    m_template->PathLabel()->setText(
        tr("Dynamic Message Template: (If you do not provide one, the default template is used)"));
    connect(m_post, &QRadioButton::toggled, this, &BrowserResponsePage::ApplyMode);
    auto* modes = new QHBoxLayout;
    modes->addWidget(m_redirect);
    modes->addWidget(m_post);
    modes->addStretch();
    auto* url = new QHBoxLayout;
    url->addWidget(m_urlLabel);
    url->addWidget(m_url, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modes);
    layout->addLayout(url);
    layout->addWidget(m_template, 1);
    layout->addStretch();
}

void BrowserResponsePage::ApplyMode()
{
    bool post = m_post->isChecked();
    m_template->setVisible(post);
    m_template->setEnabled(post);
    m_url->setVisible(!post);
    m_url->setEnabled(!post);
    m_urlLabel->setVisible(!post);
}

void BrowserResponsePage::Load()
{
    const ResponseAction& response = m_action.Response();
    bool post = response.postMode == 1;
    m_template->Load(post ? response.file : std::string());
    m_url->setText(post ? QString() : QString::fromLocal8Bit(response.url.c_str()));
    (post ? m_post : m_redirect)->setChecked(true);
    ApplyMode();
}

void BrowserResponsePage::Store()
{
    bool post = m_post->isChecked();
    // The text first: a template without a file gets its path here.
    if (post)
        m_template->StoreText();
    StoreResponse(post, m_template->Path(), m_url->text().toLocal8Bit().toStdString(), m_action.Response());
}

bool BrowserResponsePage::LeaveCheck()
{
    if (m_post->isChecked() && m_template->HasUnsavedText())
        return false;
    return ResponseLeaveCheck(m_action.Response(), m_context.prompter);
}

} // namespace quillet
