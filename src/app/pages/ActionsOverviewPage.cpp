#include "app/pages/ActionsOverviewPage.h"

#include "project/Action.h"
#include "project/Form.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillet {

ActionsOverviewPage::ActionsOverviewPage(const Form& form, QWidget* parent)
    : PropertyPage(tr("Actions"), parent), m_form(form), m_tree(new QTreeWidget(this))
{
    m_tree->setHeaderLabels({tr("Submit button / action"), tr("Type")});
    m_tree->header()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("These actions run when the form is submitted with each button:"), this));
    layout->addWidget(m_tree);
}

void ActionsOverviewPage::Load()
{
    m_tree->clear();
    for (const Handler& handler : m_form.handlers) {
        auto* button = new QTreeWidgetItem(m_tree, {QString::fromLocal8Bit(handler.name)});
        for (const Action& action : handler.actions)
            new QTreeWidgetItem(button, {QString::fromLocal8Bit(action.name),
                                         QString::fromLocal8Bit(std::string(ActionTypeName(action.type)))});
    }
    m_tree->expandAll();
}

} // namespace quillet
