#pragma once

#include "project/pages/ActionPages.h"
#include "ui/pages/PropertyPage.h"

namespace quillet {

class ActionListCtrl;
class ChoiceGrid;
struct Action;

// Actions that are not record actions: the condition with its nested list, the
// cookies and the code block.
class ConditionPage : public PropertyPage {
    Q_OBJECT
public:
    ConditionPage(Action& action, const ActionPageContext& context, QWidget* parent = nullptr);

    void Load() override;
    void Store() override;

    ChoiceGrid* Grid() const { return m_grid; }
    ActionListCtrl* List() const { return m_list; }

private:
    Action& m_action;
    ActionPageContext m_context;
    ChoiceGrid* m_grid;
    ActionListCtrl* m_list;
};

} // namespace quillet
