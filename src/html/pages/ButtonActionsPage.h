#pragma once

#include "project/Form.h"
#include "ui/pages/PropertyPage.h"

#include <string>
#include <vector>

class QComboBox;
class QPushButton;

namespace quillet {

class ActionListCtrl;
class NewActionButton;
class Prompter;
struct LoadedPage;
struct Project;

// "Action List", the page of the "Define Actions" sheet: the submit buttons of
// the form and the actions of the chosen one. It edits a working copy of the
// form's handlers; Store (OK) hands the copy to the form, a cancelled sheet
// leaves the form as it was.
class ButtonActionsPage : public PropertyPage {
    Q_OBJECT
public:
    ButtonActionsPage(Project& project, std::string projectFile, Form& form, LoadedPage* page, Prompter& prompter,
                      QWidget* parent = nullptr);

    // The button the sheet was opened for; empty when none was chosen.
    void SetSubmitName(std::string name) { m_submitName = std::move(name); }
    const std::string& SubmitName() const { return m_submitName; }

    void Load() override;
    void Store() override;

    void ChooseHandler(int index);
    ActionListCtrl* Actions() const { return m_actions; }
    QComboBox* Buttons() const { return m_buttons; }
    NewActionButton* NewButton() const { return m_new; }
    const std::vector<Handler>& WorkingCopy() const { return m_handlers; }

private:
    bool MayCreate();

    Form& m_form;
    Prompter& m_prompter;
    std::string m_submitName;
    std::vector<Handler> m_handlers;
    int m_current = -1;
    QComboBox* m_buttons;
    ActionListCtrl* m_actions;
    NewActionButton* m_new;
};

} // namespace quillet
