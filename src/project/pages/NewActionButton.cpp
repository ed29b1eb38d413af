#include "project/pages/NewActionButton.h"

#include "project/ActionListModel.h"
#include "project/pages/ActionListCtrl.h"

#include <QMenu>

namespace quillet {

NewActionButton::NewActionButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setToolTip(tr("New action"));
    connect(this, &QPushButton::clicked, this, &NewActionButton::ShowMenu);
}

QMenu* NewActionButton::Menu()
{
    if (m_menu)
        return m_menu;
    m_menu = new QMenu(this);
    for (size_t i = 0; i < kActionKindMenu.size(); ++i) {
        int command = kFirstActionCommand + static_cast<int>(i);
        QString text = QString::fromLatin1(kActionKindMenu[i].data(), static_cast<int>(kActionKindMenu[i].size()));
        std::optional<ActionType> type = ActionTypeForCommand(command);
        QAction* action = m_menu->addAction(type ? ActionTypeIcon(*type) : QIcon(), text);
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { emit Command(command); });
    }
    return m_menu;
}

void NewActionButton::ShowMenu()
{
    Menu()->popup(mapToGlobal(rect().bottomLeft()));
}

} // namespace quillet
