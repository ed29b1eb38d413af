#pragma once

#include "project/Action.h"

#include <QListWidget>
#include <functional>
#include <string>

namespace quillet {

class Prompter;
struct ActionPageContext;
struct LoadedPage;
struct Project;

// The steps of one submit button (or of a condition's branch) as a list with
// the icon of each kind. It edits the list it is given in place: new actions
// through the kinds menu, editing in a sheet, renaming in place (F2),
// deleting, and dragging to reorder.
class ActionListCtrl : public QListWidget {
    Q_OBJECT
public:
    explicit ActionListCtrl(QWidget* parent = nullptr);

    // What the action pages are given besides the action; all must outlive the control.
    void SetContext(Project& project, std::string projectFile, const Form& form, LoadedPage* page, Prompter& prompter);
    // The list shown; null shows nothing.
    void SetList(ActionList* list);
    ActionList* List() const { return m_list; }

    void Refill();
    bool NewAction(ActionType type);
    bool EditSelected();
    void DeleteSelected();
    // Moves the selected actions before the one at row; nothing without a row.
    void MoveSelectedTo(int row);
    // The commands of the kinds menu, 43000 onward.
    void OnCommand(int command);

    // The modal sheet ("New Action" or "Edit Action") on a working copy; true
    // when left with OK. Tests answer it in place of the dialog.
    std::function<bool(Action& working, const QString& title)> runSheet;
    // Asked before a new action is made; false refuses (the caller has said why).
    std::function<bool()> mayCreate;

signals:
    void ListChanged();

protected:
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool RunSheet(Action& working, const QString& title);
    void OnItemChanged(QListWidgetItem* item);
    std::vector<size_t> SelectedIndices() const;

    ActionList* m_list = nullptr;
    Project* m_project = nullptr;
    std::string m_projectFile;
    const Form* m_form = nullptr;
    LoadedPage* m_page = nullptr;
    Prompter* m_prompter = nullptr;
    bool m_filling = false;
};

// The icon of an action kind in lists; none for "Send Bulk Email".
QIcon ActionTypeIcon(ActionType type);

} // namespace quillet
