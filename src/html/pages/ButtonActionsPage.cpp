#include "html/pages/ButtonActionsPage.h"

#include "project/Messages.h"
#include "project/Prompter.h"
#include "project/pages/ActionListCtrl.h"
#include "project/pages/NewActionButton.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quillet {

ButtonActionsPage::ButtonActionsPage(Project& project, std::string projectFile, Form& form, LoadedPage* page,
                                     Prompter& prompter, QWidget* parent)
    : PropertyPage(tr("Action List"), parent), m_form(form), m_prompter(prompter), m_buttons(new QComboBox(this)),
      m_actions(new ActionListCtrl(this)), m_new(new NewActionButton(tr("&New"), this))
{
    m_actions->SetContext(project, std::move(projectFile), form, page, prompter);
    m_actions->mayCreate = [this] { return MayCreate(); };
    auto* edit = new QPushButton(tr("&Edit"), this);
    auto* remove = new QPushButton(tr("&Delete"), this);
    connect(m_new, &NewActionButton::Command, m_actions, &ActionListCtrl::OnCommand);
    connect(edit, &QPushButton::clicked, m_actions, &ActionListCtrl::EditSelected);
    connect(remove, &QPushButton::clicked, m_actions, &ActionListCtrl::DeleteSelected);
    connect(m_buttons, &QComboBox::currentIndexChanged, this, &ButtonActionsPage::ChooseHandler);

    auto* top = new QFormLayout;
    top->addRow(tr("&Button Name:"), m_buttons);
    auto* commands = new QHBoxLayout;
    commands->addWidget(m_new);
    commands->addWidget(edit);
    commands->addWidget(remove);
    commands->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(tr("Execute the following actions when the above button is clicked:"), this));
    layout->addWidget(m_actions);
    layout->addLayout(commands);
}

void ButtonActionsPage::Load()
{
    m_handlers = m_form.handlers;
    m_current = -1;
    QSignalBlocker block(m_buttons);
    m_buttons->clear();
    for (const Handler& handler : m_handlers)
        m_buttons->addItem(QString::fromLocal8Bit(handler.name.c_str()));
    // The button the sheet was opened for, else the first.
    int chosen = m_handlers.empty() ? -1 : 0;
    for (size_t i = 0; i < m_handlers.size(); ++i) {
        if (!m_submitName.empty() && m_handlers[i].name == m_submitName)
            chosen = static_cast<int>(i);
    }
    m_buttons->setCurrentIndex(chosen);
    ChooseHandler(chosen);
}

void ButtonActionsPage::ChooseHandler(int index)
{
    // The list control edits the handler copy in place: nothing to store back.
    m_current = index;
    if (index < 0 || index >= static_cast<int>(m_handlers.size())) {
        m_actions->SetList(nullptr);
        return;
    }
    Handler& handler = m_handlers[static_cast<size_t>(index)];
    m_submitName = handler.name;
    m_actions->SetList(&handler.actions);
}

void ButtonActionsPage::Store()
{
    m_actions->SetList(nullptr);
    m_form.handlers = std::move(m_handlers);
    m_handlers = m_form.handlers;
    ChooseHandler(m_current);
}

bool ButtonActionsPage::MayCreate()
{
    if (!m_submitName.empty() && m_actions->List())
        return true;
    m_prompter.Show(FormatMessage(Msg::SelectSubmitButton));
    return false;
}

} // namespace quillet
