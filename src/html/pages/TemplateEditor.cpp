#include "html/pages/TemplateEditor.h"

#include "html/FormDiscovery.h"
#include "project/pages/ActionPages.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace quillet {

namespace {

TemplateEditor::ReportDesigner& Designer()
{
    static TemplateEditor::ReportDesigner designer;
    return designer;
}

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}

QFrame* ColumnSeparator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// Qt menus cannot break into columns on request, so a long submenu shows its
// entries as buttons laid out in columns of 25.
void LayOutColumns(QMenu& menu, const std::vector<QAction*>& actions)
{
    auto* panel = new QWidget(&menu);
    auto* columns = new QHBoxLayout(panel);
    columns->setContentsMargins(2, 2, 2, 2);
    QVBoxLayout* column = nullptr;
    auto addToColumn = [&](QWidget* widget) {
        if (!column || (column->count() > 0 && column->count() % kMenuColumnLength == 0)) {
            column = new QVBoxLayout;
            column->setSpacing(0);
            columns->addLayout(column);
        }
        column->addWidget(widget);
    };
    for (QAction* action : actions) {
        if (action->isSeparator()) {
            addToColumn(ColumnSeparator(panel));
            continue;
        }
        auto* button = new QToolButton(panel);
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        addToColumn(button);
    }
    for (int i = 0; i < columns->count(); ++i) {
        if (auto* layout = columns->itemAt(i)->layout())
            static_cast<QVBoxLayout*>(layout)->addStretch();
    }
    auto* holder = new QWidgetAction(&menu);
    holder->setDefaultWidget(panel);
    menu.addAction(holder);
}

} // namespace

TemplateEditor::TemplateEditor(LoadedPage* page, const ActionList* actions, QWidget* parent)
    : QPlainTextEdit(parent), m_page(page), m_actions(actions)
{
}

TemplateEditor::TemplateEditor(const ActionPageContext& context, QWidget* parent)
    : TemplateEditor(context.page, &context.siblings, parent)
{
    if (const Handler* handler = context.form.HandlerHolding(context.siblings))
        m_handlerName = handler->name;
}

std::string TemplateEditor::Text() const
{
    return toPlainText().toLocal8Bit().toStdString();
}

void TemplateEditor::SetText(const std::string& text)
{
    setPlainText(Local(text));
}

void TemplateEditor::ReplaceText(const std::string& text)
{
    // Through a cursor, so the change can be undone and marks the text modified.
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(Local(text));
}

void TemplateEditor::SetReportDesigner(ReportDesigner designer)
{
    Designer() = std::move(designer);
}

void TemplateEditor::InsertThroughClipboard(const QString& text)
{
    QApplication::clipboard()->setText(text);
    paste();
}

void TemplateEditor::InsertQueryReport()
{
    std::string text = Text();
    if (Designer() && Designer()(*this, text, textCursor().position())) {
        // Rewriting an unchanged text would only move the caret.
        if (text != Text())
            ReplaceText(text);
        return;
    }
    std::string reports = DefaultReportsText(m_actions);
    if (!reports.empty())
        InsertThroughClipboard(Local(reports));
}

void TemplateEditor::AddSubmenu(QMenu& menu, const VariableSubmenu& submenu)
{
    QMenu* sub = menu.addMenu(Local(submenu.title));
    std::vector<QAction*> actions;
    auto insertAction = [this, sub](const QString& text, const QString& inserted) {
        auto* action = new QAction(text, sub);
        connect(action, &QAction::triggered, this, [this, inserted] { InsertThroughClipboard(inserted); });
        return action;
    };
    auto separator = [sub] {
        auto* action = new QAction(sub);
        action->setSeparator(true);
        return action;
    };
    if (submenu.insertAll)
        actions.push_back(insertAction(tr("Insert All"), Local(submenu.InsertAllText())));
    if (submenu.leadingSeparator)
        actions.push_back(separator());
    int command = submenu.firstCommand;
    for (const std::string& entry : submenu.entries) {
        QAction* action = entry.empty() ? separator() : insertAction(Local(entry), Local(entry));
        if (!entry.empty() && submenu.firstCommand)
            action->setData(command++);
        actions.push_back(action);
    }
    if (actions.size() <= kMenuColumnLength) {
        for (QAction* action : actions)
            sub->addAction(action);
        return;
    }
    LayOutColumns(*sub, actions);
    for (QAction* action : actions)
        connect(action, &QAction::triggered, &menu, &QMenu::close);
}

void TemplateEditor::AddEditCommands(QMenu& menu)
{
    menu.addSeparator();
    const std::vector<std::function<void()>> commands = {
        [this] { undo(); },
        [this] { cut(); },
        [this] { copy(); },
        [this] { paste(); },
        [this] { textCursor().removeSelectedText(); },
        [this] { selectAll(); },
    };
    for (size_t i = 0; i < commands.size(); ++i)
        connect(menu.addAction(tr(kEditCommands[i])), &QAction::triggered, this, commands[i]);
}

QMenu* TemplateEditor::CreateVariableMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    std::optional<HtmlIter> formNode = m_page ? m_page->formNode : std::nullopt;
    HtmlPage* nodes = m_page ? m_page->Nodes() : nullptr;
    for (const VariableSubmenu& submenu : BuildTemplateMenu(m_kind, nodes, formNode, m_actions))
        AddSubmenu(*menu, submenu);
    if (m_kind == TemplateMenuKind::Full)
        connect(menu->addAction(tr(kInsertQueryReport)), &QAction::triggered, this, &TemplateEditor::InsertQueryReport);
    AddEditCommands(*menu);
    return menu;
}

void TemplateEditor::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateVariableMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace quillet
