#include "generator/pages/PostFormPage.h"

#include "generator/pages/ChoiceGrid.h"
#include "html/FormFields.h"
#include "net/MailPageModel.h"
#include "project/Action.h"
#include "project/Messages.h"
#include "project/Prompter.h"
#include "project/pages/ActionListCtrl.h"
#include "project/pages/NewActionButton.h"
#include "ui/pages/FileChooser.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

PostFormPage::PostFormPage(Action& action, const ActionPageContext& context, QWidget* parent)
    : PropertyPage(tr("Post HTML Form"), parent), m_action(action), m_context(context), m_page(context.projectFile),
      m_pageFile(new QLineEdit(this)), m_forms(new QComboBox(this)), m_buttons(new QComboBox(this)),
      m_list(new ActionListCtrl(this))
{
    auto* browse = new QPushButton(tr("&Browse..."), this);
    connect(browse, &QPushButton::clicked, this, &PostFormPage::Browse);
    connect(m_pageFile, &QLineEdit::editingFinished, this, &PostFormPage::ReadPage);
    connect(m_forms, &QComboBox::activated, this, &PostFormPage::SelectForm);
    connect(m_buttons, &QComboBox::currentIndexChanged, this, &PostFormPage::SelectButton);

    auto* newButton = new NewActionButton(tr("&New"), this);
    connect(newButton, &NewActionButton::Command, m_list, &ActionListCtrl::OnCommand);
    auto* edit = new QPushButton(tr("&Edit"), this);
    connect(edit, &QPushButton::clicked, m_list, &ActionListCtrl::EditSelected);
    auto* remove = new QPushButton(tr("&Delete"), this);
    connect(remove, &QPushButton::clicked, m_list, &ActionListCtrl::DeleteSelected);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_pageFile, 1);
    pathRow->addWidget(browse);
    auto* form = new QFormLayout;
    auto* pageLabel = new QLabel(tr("HTML &Page:"), this);
    pageLabel->setBuddy(m_pageFile);
    form->addRow(pageLabel, pathRow);
    form->addRow(tr("&Form:"), m_forms);
    form->addRow(tr("Submit &Button:"), m_buttons);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(newButton);
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("Execute the following actions:"), this));
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
}

void PostFormPage::Browse()
{
    QString chosen = FileChooser::Current().OpenFile(
        this, tr("Open"), QStringLiteral("HTML File (*.html;*.htm;*.shtml;*.dhtml)|*.html;*.htm;*.shtml;*.dhtml||"));
    if (chosen.isEmpty())
        return;
    m_pageFile->setText(ToQ(PathForProject(FromQ(chosen), m_context.projectFile)));
    ReadPage();
}

void PostFormPage::ReadPage()
{
    Form& target = m_action.FormBody().form;
    target.pageFile = FromQ(m_pageFile->text().trimmed());
    m_page.Clear();
    m_forms->clear();
    if (target.pageFile.empty() || FindForm(target, m_page) != FindFormResult::Found) {
        SelectForm(-1);
        return;
    }
    FormListing listing = ListForms(target, m_page);
    for (const FormEntry& entry : listing.entries)
        m_forms->addItem(ToQ(entry.name));
    m_forms->setCurrentIndex(listing.selected ? static_cast<int>(*listing.selected) : -1);
    SelectForm(m_forms->currentIndex());
}

void PostFormPage::SelectForm(int index)
{
    Form& target = m_action.FormBody().form;
    m_list->SetList(nullptr);
    QSignalBlocker blocker(m_buttons);
    m_buttons->clear();
    if (index >= 0 && m_page.Nodes()) {
        target.formName = FromQ(m_forms->itemText(index));
        m_page.formNode.reset();
        FindForm(target, m_page);
        if (m_page.formNode)
            for (HtmlIter field : FormFields(*m_page.Nodes(), *m_page.formNode))
                if (Handler* handler = HandlerForField(target, *field))
                    m_buttons->addItem(ToQ(handler->name));
    }
    m_list->SetContext(m_context.project, m_context.projectFile, target, &m_page, m_context.prompter);
    m_buttons->setCurrentIndex(m_buttons->count() > 0 ? 0 : -1);
    SelectButton(m_buttons->currentIndex());
}

void PostFormPage::SelectButton(int index)
{
    Handler* handler = index < 0 ? nullptr : m_action.FormBody().form.FindHandler(FromQ(m_buttons->itemText(index)));
    m_list->SetList(handler ? &handler->actions : nullptr);
}

void PostFormPage::Load()
{
    m_pageFile->setText(ToQ(m_action.FormBody().form.pageFile));
    ReadPage();
}

void PostFormPage::Store()
{
    Form& target = m_action.FormBody().form;
    if (FromQ(m_pageFile->text().trimmed()) != target.pageFile || !m_page.file)
        ReadPage();
    if (m_forms->currentIndex() >= 0)
        target.formName = FromQ(m_forms->currentText());
}

bool PostFormPage::LeaveCheck()
{
    const Form& target = m_action.FormBody().form;
    if (target.pageFile.empty() || !m_page.file) {
        m_context.prompter.Show(FormatMessage(Msg::CantFindFile, {target.pageFile}));
        return false;
    }
    if (!m_page.formNode) {
        m_context.prompter.Show(FormatMessage(Msg::NoFormInPage, {target.pageFile}));
        return false;
    }
    return true;
}

} // namespace quillet
