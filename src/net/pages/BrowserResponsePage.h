#pragma once

#include "project/pages/ActionPages.h"
#include "ui/pages/PropertyPage.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace quillet {

class MessageTemplate;
struct Action;

// "Respond to Browser": redirect to an address, or post a message made from a template.
class BrowserResponsePage : public PropertyPage {
    Q_OBJECT
public:
    BrowserResponsePage(Action& action, const ActionPageContext& context, QWidget* parent = nullptr);

    void Load() override;
    void Store() override;
    bool LeaveCheck() override;

    QRadioButton* RedirectButton() const { return m_redirect; }
    QRadioButton* PostButton() const { return m_post; }
    QLineEdit* UrlEdit() const { return m_url; }
    MessageTemplate* Template() const { return m_template; }

private:
    void ApplyMode();

    Action& m_action;
    ActionPageContext m_context;
    QRadioButton* m_redirect;
    QRadioButton* m_post;
    QLabel* m_urlLabel;
    QLineEdit* m_url;
    MessageTemplate* m_template;
};

} // namespace quillet
