#pragma once

#include "html/TemplateMenu.h"

#include <QPlainTextEdit>
#include <functional>
#include <string>

class QMenu;

namespace quillet {

struct ActionPageContext;
struct LoadedPage;

// A plain text editor for message and page templates whose context menu offers
// the script's variables: the form's fields, the default variables and what
// the actions of its list produce. A chosen variable is pasted at the caret
// through the clipboard.
class TemplateEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    // page and actions may be null; both must outlive the editor.
    TemplateEditor(LoadedPage* page, const ActionList* actions, QWidget* parent = nullptr);
    explicit TemplateEditor(const ActionPageContext& context, QWidget* parent = nullptr);

    // Editors that only handle uploaded files offer the upload handles alone.
    void SetMenuKind(TemplateMenuKind kind) { m_kind = kind; }

    std::string Text() const;
    // A new text, as read from its file: not an edit.
    void SetText(const std::string& text);
    // An edit of the whole text: undoable, and it marks the text modified.
    void ReplaceText(const std::string& text);

    LoadedPage* Page() const { return m_page; }
    const ActionList* Actions() const { return m_actions; }
    // The button whose actions the editor's list belongs to; empty when unknown.
    const std::string& HandlerName() const { return m_handlerName; }

    // The query report designer run by "Insert Query Report", given the editor's
    // text and caret. It returns true when it rewrote text, which then replaces
    // the editor's text; false inserts the default report of every "Select
    // Records" action at the caret.
    using ReportDesigner = std::function<bool(TemplateEditor& editor, std::string& text, int caret)>;
    static void SetReportDesigner(ReportDesigner designer);

    // The context menu, built afresh from the form and the actions; the caller owns it.
    QMenu* CreateVariableMenu(QWidget* parent = nullptr);
    // Puts text on the clipboard and pastes it at the caret.
    void InsertThroughClipboard(const QString& text);
    void InsertQueryReport();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void AddSubmenu(QMenu& menu, const VariableSubmenu& submenu);
    void AddEditCommands(QMenu& menu);

    LoadedPage* m_page;
    const ActionList* m_actions;
    std::string m_handlerName;
    TemplateMenuKind m_kind = TemplateMenuKind::Full;
};

} // namespace quillet
