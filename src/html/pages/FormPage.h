#pragma once

#include "html/FormDiscovery.h"
#include "html/FormGenerator.h"
#include "ui/pages/PropertyPage.h"

#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QToolButton;

namespace quillet {

class ButtonActionsPage;
class GridWidget;
class Prompter;
struct Project;

// The "Form" tab: the HTML page of the current form, the forms of that page
// and a grid of the chosen form's fields. It owns the parsed page; every field
// command edits the nodes and the grid follows them. The page file changes
// only when the page is saved.
class FormPage : public PropertyPage {
    Q_OBJECT
public:
    enum Column { kName, kIcon, kValue, kState, kContent };

    FormPage(Project& project, Prompter& prompter, std::function<std::string()> projectFile, QWidget* parent = nullptr);

    // Shows the current form's page, reading it when it is not the one shown.
    void Load() override;
    // The page path from the box into the form.
    void Store() override;

    bool NewHtmlFile();
    bool OpenHtmlFile();
    bool SaveHtmlFile();
    void OpenExternalEditor();
    void SetExternalEditor();
    void ChooseForm(int index);
    bool AddField(NewFieldKind kind);
    bool EditField();
    void DeleteFields();
    // Moves the selected rows' fields before the field of the target row.
    void MoveRowsTo(int target);
    void CellEdited(int row, int column);
    bool DefineActions();
    void FillLists();
    // The file-changed question; true when the page was read again.
    bool CheckPageChanged();

    // The build's steps on this tab: read the page when it is not loaded yet,
    // then save it prepared for the script. False, with the message shown,
    // when either fails.
    bool SaveForBuild();
    // Takes the page file's time after someone else wrote it.
    void TakePageTime();

    // The page has edits that only a save puts in its file.
    bool IsPageModified() const { return m_pageModified; }
    // The page's file as questions name it.
    std::string PageFileName();

    LoadedPage& Page() { return m_page; }
    Form* CurrentForm();
    QLineEdit* PathBox() const { return m_path; }
    QLineEdit* TitleBox() const { return m_title; }
    QToolButton* AutoFormat() const { return m_autoFormat; }
    QComboBox* FormList() const { return m_forms; }
    GridWidget* Grid() const { return m_grid; }
    QToolButton* FieldButton(NewFieldKind kind) const { return m_fieldButtons[static_cast<size_t>(kind)]; }
    HtmlIter RowNode(int row) const { return m_rows.at(static_cast<size_t>(row)).node; }

    // The modal steps; tests answer them in place of the dialogs.
    std::function<bool(HtmlPage& nodes)> runFieldDialog;
    std::function<bool(ButtonActionsPage& page)> runActionSheet;

signals:
    // The page's unsaved state changed.
    void PageModified();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Row {
        HtmlIter node;
        std::string handler;
    };

    void BuildLayout();
    QWidget* BuildFileBar();
    QWidget* BuildFieldButtons();
    void OpenPage();
    bool ReloadShownPage();
    void FillRow(int row);
    void SetupGrid();
    bool RunFieldDialog(HtmlPage& nodes);
    // Asks to name each submit button without a name (once per button and page load).
    void OfferButtonNames();
    std::vector<int> SelectedRows() const;
    QString AskPagePath(const QString& title);
    std::string LoadedKey();
    void SetPageModified(bool modified);
    // Before another page replaces this one: save, drop or cancel its edits.
    bool SaveOrDropPage();

    Project& m_project;
    Prompter& m_prompter;
    std::function<std::string()> m_projectFile;
    LoadedPage m_page;
    std::string m_loadedKey;
    std::vector<Row> m_rows;
    bool m_filling = false;
    bool m_asking = false;
    std::vector<const HtmlNode*> m_declinedNames;
    bool m_pageModified = false;

    QLineEdit* m_path = nullptr;
    QLineEdit* m_title = nullptr;
    QToolButton* m_autoFormat = nullptr;
    QComboBox* m_forms = nullptr;
    GridWidget* m_grid = nullptr;
    std::array<QToolButton*, kNewFieldKindCount> m_fieldButtons{};
};

} // namespace quillet
