#pragma once

#include "html/FormDiscovery.h"
#include "project/pages/ActionPages.h"
#include "ui/pages/PropertyPage.h"

class QComboBox;
class QLineEdit;

namespace quillet {

class ActionListCtrl;
struct Action;

// "Post HTML Form": the page sent back to the browser, the form on it that
// comes back to this script, and the actions of each of that form's buttons.
class PostFormPage : public PropertyPage {
    Q_OBJECT
public:
    PostFormPage(Action& action, const ActionPageContext& context, QWidget* parent = nullptr);

    void Load() override;
    void Store() override;
    bool LeaveCheck() override;

    QLineEdit* PageEdit() const { return m_pageFile; }
    QComboBox* FormBox() const { return m_forms; }
    QComboBox* ButtonBox() const { return m_buttons; }
    ActionListCtrl* List() const { return m_list; }
    // Reads the page named in the edit and lists its forms.
    void ReadPage();
    void Browse();

private:
    void SelectForm(int index);
    void SelectButton(int index);

    Action& m_action;
    ActionPageContext m_context;
    LoadedPage m_page;
    QLineEdit* m_pageFile;
    QComboBox* m_forms;
    QComboBox* m_buttons;
    ActionListCtrl* m_list;
};

} // namespace quillet
