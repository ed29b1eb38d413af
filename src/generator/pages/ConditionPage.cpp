#include "generator/pages/ConditionPage.h"

#include "generator/CriteriaGrid.h"
#include "generator/pages/ActionPageSupport.h"
#include "generator/pages/ChoiceGrid.h"
#include "project/Action.h"
#include "project/pages/ActionListCtrl.h"
#include "project/pages/NewActionButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

namespace {

// With the heading row and column, 100 rows and 50 columns.
constexpr int kConditionRows = 99;
constexpr int kConditionColumns = 49;

} // namespace

ConditionPage::ConditionPage(Action& action, const ActionPageContext& context, QWidget* parent)
    : PropertyPage(tr("Conditional Statement"), parent), m_action(action), m_context(context),
      m_grid(MakeCriteriaGridWidget(kConditionGrid.leadRows, kConditionRows, kConditionColumns, this)),
      m_list(new ActionListCtrl(this))
{
    QStringList references = FormReferences(context);
    m_grid->rule = [references](int row, int) -> ChoiceGrid::CellRule {
        if (row % 2 == 1)
            return {ChoiceGrid::Kind::List, TextChoices(kPerlOperators)};
        // Right-hand values are written into the script as quoted text, so only
        // the left-hand expression is offered the form's values.
        if (row == 0)
            return {ChoiceGrid::Kind::EditableList, references};
        return {};
    };
    // Alternate "or:" pairs, beginning with the first.
    m_grid->tinted = [](int row) { return row >= 3 && ((row - 3) / 2) % 2 == 0; };
    m_list->SetContext(context.project, context.projectFile, context.form, context.page, context.prompter);

    auto* newButton = new NewActionButton(tr("&New"), this);
    connect(newButton, &NewActionButton::Command, m_list, &ActionListCtrl::OnCommand);
    auto* edit = new QPushButton(tr("&Edit"), this);
    connect(edit, &QPushButton::clicked, m_list, &ActionListCtrl::EditSelected);
    auto* remove = new QPushButton(tr("&Delete"), this);
    connect(remove, &QPushButton::clicked, m_list, &ActionListCtrl::DeleteSelected);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(newButton);
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("If the following condition is true:"), this));
    layout->addWidget(m_grid, 2);
    layout->addWidget(new QLabel(tr("Execute the following actions:"), this));
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
}

void ConditionPage::Load()
{
    m_grid->ClearTexts();
    FillCriteriaGrid(*m_grid, m_action.Condition().criteria, kConditionGrid);
    m_list->SetList(&m_action.Condition().actions);
}

void ConditionPage::Store()
{
    m_action.Condition().criteria = StoreCriteriaGrid(ReadCriteriaGrid(*m_grid), kConditionGrid);
}

} // namespace quillet
