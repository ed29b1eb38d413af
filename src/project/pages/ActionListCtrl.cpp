#include "project/pages/ActionListCtrl.h"

#include "project/ActionListModel.h"
#include "project/Prompter.h"
#include "project/pages/ActionPages.h"
#include "ui/pages/PropertySheet.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <algorithm>

namespace quillet {

QIcon ActionTypeIcon(ActionType type)
{
    static const char* const kThemeNames[] = {
        "list-add",        "list-remove", "document-edit", "edit-find", "mail-send",
        "document-open",   "go-next",     "text-x-script", "text-html", "preferences-web-browser-cookies",
        "dialog-question", "text-html",   nullptr,
    };
    auto index = static_cast<size_t>(type);
    if (index >= std::size(kThemeNames) || !kThemeNames[index])
        return {};
    return QIcon::fromTheme(kThemeNames[index]);
}

ActionListCtrl::ActionListCtrl(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { EditSelected(); });
    connect(this, &QListWidget::itemChanged, this, &ActionListCtrl::OnItemChanged);
}

void ActionListCtrl::SetContext(Project& project, std::string projectFile, const Form& form, LoadedPage* page,
                                Prompter& prompter)
{
    m_project = &project;
    m_projectFile = std::move(projectFile);
    m_form = &form;
    m_page = page;
    m_prompter = &prompter;
}

void ActionListCtrl::SetList(ActionList* list)
{
    m_list = list;
    Refill();
}

void ActionListCtrl::Refill()
{
    m_filling = true;
    clear();
    if (m_list) {
        for (const Action& action : *m_list) {
            auto* item = new QListWidgetItem(ActionTypeIcon(action.type), QString::fromLocal8Bit(action.name.c_str()));
            item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
            addItem(item);
        }
    }
    m_filling = false;
}

std::vector<size_t> ActionListCtrl::SelectedIndices() const
{
    std::vector<size_t> rows;
    for (QListWidgetItem* item : selectedItems())
        rows.push_back(static_cast<size_t>(row(item)));
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool ActionListCtrl::RunSheet(Action& working, const QString& title)
{
    if (runSheet)
        return runSheet(working, title);
    if (!m_project || !m_form || !m_prompter || !m_list)
        return false;
    PropertySheet sheet(title, this);
    ActionPageContext context{*m_project, m_projectFile, *m_form, m_page, *m_list, *m_prompter};
    std::unique_ptr<PropertyPage> page = CreateActionPage(working, context, &sheet);
    sheet.AddPage(page.get());
    bool accepted = sheet.exec() == QDialog::Accepted;
    return accepted;
}

bool ActionListCtrl::NewAction(ActionType type)
{
    if ((mayCreate && !mayCreate()) || !m_list)
        return false;
    std::optional<Action> working = CreateAction(static_cast<long>(type));
    if (!working || !RunSheet(*working, tr("New Action")))
        return false;
    size_t index = AppendNewAction(*m_list, std::move(*working));
    Refill();
    setCurrentRow(static_cast<int>(index));
    emit ListChanged();
    return true;
}

bool ActionListCtrl::EditSelected()
{
    std::vector<size_t> rows = SelectedIndices();
    if (!m_list || rows.empty() || rows.front() >= m_list->size())
        return false;
    Action& record = (*m_list)[rows.front()];
    Action working = *CreateAction(static_cast<long>(record.type));
    CopyAction(working, record);
    if (!RunSheet(working, tr("Edit Action")))
        return false;
    ReleaseAction(record);
    CopyAction(record, working);
    Refill();
    setCurrentRow(static_cast<int>(rows.front()));
    emit ListChanged();
    return true;
}

void ActionListCtrl::DeleteSelected()
{
    if (!m_list || selectedItems().isEmpty())
        return;
    DeleteActions(*m_list, SelectedIndices());
    Refill();
    emit ListChanged();
}

void ActionListCtrl::MoveSelectedTo(int targetRow)
{
    if (!m_list || targetRow < 0 || targetRow >= static_cast<int>(m_list->size()))
        return;
    std::vector<size_t> selected = SelectedIndices();
    std::vector<size_t> order = MoveActionsBefore(*m_list, selected, static_cast<size_t>(targetRow));
    Refill();
    for (size_t position = 0; position < order.size(); ++position) {
        if (std::find(selected.begin(), selected.end(), order[position]) != selected.end())
            item(static_cast<int>(position))->setSelected(true);
    }
    emit ListChanged();
}

void ActionListCtrl::OnCommand(int command)
{
    if (std::optional<ActionType> type = ActionTypeForCommand(command))
        NewAction(*type);
}

void ActionListCtrl::OnItemChanged(QListWidgetItem* changed)
{
    if (m_filling || !m_list || !m_prompter)
        return;
    auto index = static_cast<size_t>(row(changed));
    if (index >= m_list->size())
        return;
    std::string text = changed->text().toLocal8Bit().toStdString();
    if (text == (*m_list)[index].name)
        return;
    bool renamed = RenameAction(*m_list, index, text, *m_prompter) == RenameResult::Renamed;
    m_filling = true;
    changed->setText(QString::fromLocal8Bit((*m_list)[index].name.c_str()));
    m_filling = false;
    if (renamed)
        emit ListChanged();
}

void ActionListCtrl::dropEvent(QDropEvent* event)
{
    // The list is the model: the rows follow it rather than Qt moving them.
    int target = row(itemAt(event->position().toPoint()));
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    MoveSelectedTo(target);
}

void ActionListCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Delete)) {
        DeleteSelected();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState) {
        EditSelected();
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace quillet
