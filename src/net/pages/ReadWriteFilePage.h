#pragma once

#include "project/pages/ActionPages.h"
#include "ui/pages/PropertyPage.h"

class QLineEdit;
class QRadioButton;

namespace quillet {

class MessageTemplate;
struct Action;

// "Read or Write File": a file on the server, what to do with it, and the
// template of the text written to it.
class ReadWriteFilePage : public PropertyPage {
    Q_OBJECT
public:
    ReadWriteFilePage(Action& action, const ActionPageContext& context, QWidget* parent = nullptr);

    void Load() override;
    void Store() override;
    bool LeaveCheck() override;

    QLineEdit* ServerPath() const { return m_serverPath; }
    QRadioButton* ModeButton(int mode) const { return m_modes[mode]; }
    MessageTemplate* Template() const { return m_template; }
    void SelectServerFile();
    void CreateServerFile();

private:
    bool BrowseServer(int mode, std::string& chosen);

    Action& m_action;
    ActionPageContext m_context;
    QLineEdit* m_serverPath;
    QRadioButton* m_modes[3];
    MessageTemplate* m_template;
};

} // namespace quillet
