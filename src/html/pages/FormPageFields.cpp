// The field commands of the "Form" tab: adding, editing, deleting and moving
// fields, the cells of the field grid and the "Define Actions" sheet.
#include "html/FieldRows.h"
#include "html/FormFields.h"
#include "html/pages/ButtonActionsPage.h"
#include "html/pages/FieldPropertyDialogs.h"
#include "html/pages/FormPage.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/Prompter.h"
#include "ui/pages/GridWidget.h"
#include "ui/pages/PropertySheet.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QSignalBlocker>
#include <algorithm>
#include <array>
#include <memory>
#include <set>

namespace quillet {

namespace {

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}

QIcon FieldIcon(FieldKind kind)
{
    static const char* const kThemes[] = {
        "text-field",      "insert-image",      "draw-circle",   "checkbox",  "view-hidden",
        "dialog-password", "document-send",     "insert-button", "edit-undo", "format-justify-left",
        "view-list-text",  "view-list-details", "insert-button",
    };
    static std::array<QIcon, std::size(kThemes)> icons;
    QIcon& icon = icons[static_cast<size_t>(kind)];
    if (icon.isNull())
        icon = QIcon::fromTheme(kThemes[static_cast<size_t>(kind)]);
    return icon;
}

} // namespace

void FormPage::FillRow(int row)
{
    Form* form = CurrentForm();
    HtmlPage* nodes = m_page.Nodes();
    if (!form || !nodes || row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    bool wasFilling = m_filling;
    m_filling = true;
    Row& entry = m_rows[static_cast<size_t>(row)];
    FieldRowText text = ReadFieldRow(*nodes, entry.node);
    if (Handler* handler = HandlerForField(*form, *entry.node))
        entry.handler = handler->name;
    m_grid->SetText(row, kName, Local(text.name));
    std::optional<FieldKind> kind = FieldKindOf(*entry.node);
    auto* icon = new QTableWidgetItem(kind ? FieldIcon(*kind) : QIcon(), QString());
    icon->setFlags(icon->flags() & ~Qt::ItemIsEditable);
    if (kind)
        icon->setToolTip(Local(std::string(FieldKindLabel(*kind))));
    m_grid->setItem(row, kIcon, icon);
    m_grid->SetText(row, kValue, Local(text.value));
    m_grid->SetText(row, kState, Local(text.state));
    if (QTableWidgetItem* state = m_grid->item(row, kState); state && !(kind && StateEditable(*kind)))
        state->setFlags(state->flags() & ~Qt::ItemIsEditable);
    m_grid->SetText(row, kContent, Local(text.content));
    m_filling = wasFilling;
}

void FormPage::CellEdited(int row, int column)
{
    Form* form = CurrentForm();
    HtmlPage* nodes = m_page.Nodes();
    if (m_filling || !form || !nodes || row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    Row& entry = m_rows[static_cast<size_t>(row)];
    std::string text = m_grid->Text(row, column).toLocal8Bit().toStdString();
    FieldRowText before = ReadFieldRow(*nodes, entry.node);
    switch (column) {
    case kName: {
        std::vector<std::string> others;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (static_cast<int>(i) != row && !m_rows[i].handler.empty())
                others.push_back(m_rows[i].handler);
        }
        RenameField(*form, *entry.node, entry.handler, others, text, m_prompter);
        break;
    }
    case kValue:
        WriteValueCell(*nodes, entry.node, text);
        break;
    case kState:
        WriteStateCell(*nodes, entry.node, text);
        break;
    case kContent:
        WriteContentCell(*entry.node, text);
        break;
    default:
        break;
    }
    if (!(ReadFieldRow(*nodes, entry.node) == before))
        SetPageModified(true);
    FillRow(row);
}

bool FormPage::RunFieldDialog(HtmlPage& nodes)
{
    if (runFieldDialog)
        return runFieldDialog(nodes);
    return quillet::RunFieldDialog(nodes, m_prompter, this);
}

std::vector<int> FormPage::SelectedRows() const
{
    std::set<int> rows;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    return {rows.begin(), rows.end()};
}

bool FormPage::AddField(NewFieldKind kind)
{
    Form* form = CurrentForm();
    bool hadForm = m_page.formNode.has_value();
    if (!form || !EnsureForm(*form, m_page, m_forms->count() > 0, m_prompter))
        return false;
    // A form made for the field is an edit of the page even when the field is not added.
    if (!hadForm)
        SetPageModified(true);
    if (m_rows.empty())
        FillLists();
    HtmlPage nodes = NewFieldNodes(kind, m_grid->RowCountWithHeading());
    if (!RunFieldDialog(nodes))
        return false;
    HtmlIter field = InsertNewField(*m_page.Nodes(), *m_page.formNode, std::move(nodes));
    HandlerForField(*form, *field);
    SetPageModified(true);
    FillLists();
    return true;
}

bool FormPage::EditField()
{
    Form* form = CurrentForm();
    HtmlPage* nodes = m_page.Nodes();
    std::vector<int> rows = SelectedRows();
    if (!form || !nodes || !m_page.formNode || rows.empty())
        return false;
    Row& entry = m_rows[static_cast<size_t>(rows.front())];
    HtmlPage copy(entry.node, FieldEnd(*nodes, entry.node));
    if (!RunFieldDialog(copy))
        return false;
    std::string oldName(AttrValue(*entry.node, "NAME"));
    entry.node = ReplaceField(*nodes, entry.node, std::move(copy));
    // A button renamed in its dialog keeps its actions under the new name.
    std::string newName(AttrValue(*entry.node, "NAME"));
    Handler* own = entry.handler.empty() ? nullptr : form->FindHandler(entry.handler);
    if (own && IsHandlerButton(*entry.node) && newName != oldName && !newName.empty() && !form->FindHandler(newName))
        own->name = entry.handler = newName;
    SetPageModified(true);
    // The old nodes may have held other fields of a list left open: rebuild every row.
    FillLists();
    return true;
}

void FormPage::DeleteFields()
{
    Form* form = CurrentForm();
    HtmlPage* nodes = m_page.Nodes();
    std::vector<int> rows = SelectedRows();
    if (!form || !nodes || rows.empty())
        return;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        Row& entry = m_rows[static_cast<size_t>(*row)];
        DeleteField(*nodes, entry.node);
        auto handler = std::find_if(form->handlers.begin(), form->handlers.end(),
                                    [&entry](const Handler& h) { return h.name == entry.handler; });
        if (!entry.handler.empty() && handler != form->handlers.end())
            form->handlers.erase(handler);
        m_rows.erase(m_rows.begin() + *row);
    }
    SetPageModified(true);
    FillLists();
}

void FormPage::MoveRowsTo(int target)
{
    HtmlPage* nodes = m_page.Nodes();
    if (!nodes || target < 0 || target >= static_cast<int>(m_rows.size()))
        return;
    HtmlIter before = m_rows[static_cast<size_t>(target)].node;
    bool moved = false;
    for (int row : SelectedRows()) {
        if (row == target || row + 1 == target)
            continue;
        MoveFieldBefore(*nodes, m_rows[static_cast<size_t>(row)].node, before);
        moved = true;
    }
    if (moved) {
        SetPageModified(true);
        FillLists();
    }
}

void FormPage::OfferButtonNames()
{
    Form* form = CurrentForm();
    HtmlPage* nodes = m_page.Nodes();
    if (!form || !nodes || !m_page.formNode)
        return;
    bool named = false;
    for (HtmlIter button : UnnamedSubmitButtons(*nodes, *m_page.formNode)) {
        if (std::find(m_declinedNames.begin(), m_declinedNames.end(), &*button) != m_declinedNames.end())
            continue;
        std::string name = SuggestButtonName(*nodes, *m_page.formNode, button);
        if (!m_prompter.AskYesNo(FormatMessage(Msg::OfferButtonName, {ButtonLabel(*nodes, button), name}))) {
            m_declinedNames.push_back(&*button);
            continue;
        }
        SetAttr(*button, "NAME", name, '"');
        HandlerForField(*form, *button);
        named = true;
    }
    if (named) {
        SetPageModified(true);
        FillLists();
    }
}

bool FormPage::DefineActions()
{
    Form* form = CurrentForm();
    if (!form)
        return false;
    OfferButtonNames();
    auto page = std::make_unique<ButtonActionsPage>(m_project, m_projectFile(), *form, &m_page, m_prompter);
    std::vector<int> rows = SelectedRows();
    if (!rows.empty()) {
        const HtmlNode& node = *m_rows[static_cast<size_t>(rows.front())].node;
        if (IsHandlerButton(node))
            page->SetSubmitName(std::string(AttrValue(node, "NAME")));
    }
    bool accepted;
    if (runActionSheet) {
        page->Load();
        accepted = runActionSheet(*page);
        if (accepted)
            page->Store();
    } else {
        PropertySheet sheet(tr("Define Actions"), this);
        sheet.AddPage(page.release());
        accepted = sheet.exec() == QDialog::Accepted;
    }
    if (accepted)
        FillLists();
    return accepted;
}

} // namespace quillet
