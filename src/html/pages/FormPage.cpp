#include "html/pages/FormPage.h"

#include "generator/ScriptGenerator.h"
#include "html/FieldRows.h"
#include "html/TemplateVariables.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/ProjectDocument.h"
#include "project/Prompter.h"
#include "project/UnsavedFiles.h"
#include "ui/pages/FileChooser.h"
#include "ui/pages/GridWidget.h"
#include "ui/pages/ShellServices.h"

#include <QComboBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <fstream>

namespace quillet {

namespace {

const char* const kHtmlFilter =
    "HTML File (*.html;*.htm)|*.html; *.htm|Code Fusion (*.cfm)|*.cfm|Microsoft ASP(*.asp)|*.asp||";
const char* const kEditorKey = "HtmlEditor";

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QToolButton* IconButton(const char* theme, const QString& tip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(QIcon::fromTheme(theme));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    if (button->icon().isNull())
        button->setText(tip);
    return button;
}

// The grid of fields: a drop moves fields in the page, not rows in the grid.
class FieldGrid : public GridWidget {
public:
    using GridWidget::GridWidget;
    std::function<void(int)> onDrop;

protected:
    void dropEvent(QDropEvent* event) override
    {
        int target = rowAt(event->position().toPoint().y());
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        if (onDrop)
            onDrop(target);
    }
};

} // namespace

FormPage::FormPage(Project& project, Prompter& prompter, std::function<std::string()> projectFile, QWidget* parent)
    : PropertyPage(tr("Form"), parent), m_project(project), m_prompter(prompter), m_projectFile(std::move(projectFile))
{
    BuildLayout();
    setMouseTracking(true);
}

QWidget* FormPage::BuildFileBar()
{
    auto* bar = new QWidget(this);
    m_path = new QLineEdit(bar);
    m_path->setToolTip(tr("Html file name"));
    m_title = new QLineEdit(bar);
    m_title->setToolTip(tr("Form title"));
    auto* newFile = IconButton("document-new", tr("New HTML file"), bar);
    auto* openFile = IconButton("document-open", tr("Open HTML file"), bar);
    auto* saveFile = IconButton("document-save", tr("Save HTML file"), bar);
    m_autoFormat = IconButton("format-justify-fill", tr("Press down to automatically format your form"), bar);
    m_autoFormat->setCheckable(true);
    auto* editor = IconButton("accessories-text-editor", tr("Open HTML file in an external HTML editor"), bar);
    auto* setEditor = IconButton("preferences-other", tr("Set external HTML editor"), bar);
    connect(newFile, &QToolButton::clicked, this, &FormPage::NewHtmlFile);
    connect(openFile, &QToolButton::clicked, this, &FormPage::OpenHtmlFile);
    connect(saveFile, &QToolButton::clicked, this, &FormPage::SaveHtmlFile);
    connect(editor, &QToolButton::clicked, this, &FormPage::OpenExternalEditor);
    connect(setEditor, &QToolButton::clicked, this, &FormPage::SetExternalEditor);
    auto* layout = new QGridLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* pathLabel = new QLabel(tr("&HTML File:"), bar);
    pathLabel->setBuddy(m_path);
    auto* titleLabel = new QLabel(tr("Form &Title:"), bar);
    titleLabel->setBuddy(m_title);
    layout->addWidget(pathLabel, 0, 0);
    layout->addWidget(m_path, 0, 1);
    int column = 2;
    for (QToolButton* button : {newFile, openFile, saveFile, editor, setEditor})
        layout->addWidget(button, 0, column++);
    layout->addWidget(titleLabel, 1, 0);
    layout->addWidget(m_title, 1, 1);
    layout->addWidget(m_autoFormat, 1, 2);
    layout->setColumnStretch(1, 1);
    return bar;
}

QWidget* FormPage::BuildFieldButtons()
{
    static const std::pair<const char*, const char*> kButtons[kNewFieldKindCount] = {
        {"text-field", "New text box"},
        {"draw-circle", "New radio button"},
        {"checkbox", "New check box"},
        {"view-list-details", "New drop-Down list"},
        {"view-list-text", "New multiple choice list"},
        {"insert-button", "New button"},
        {"dialog-password", "New password box"},
        {"format-justify-left", "New multiple line text box"},
        {"view-hidden", "New Hidden text box"},
        {"document-send", "New file upload box"},
    };
    // A tool bar: the buttons that do not fit a short window stay reachable
    // through its extension button instead of pushing the page into a scroll.
    auto* column = new QToolBar(this);
    column->setOrientation(Qt::Vertical);
    column->setIconSize(QSize(22, 22));
    for (int i = 0; i < kNewFieldKindCount; ++i) {
        auto kind = static_cast<NewFieldKind>(i);
        auto* button = IconButton(kButtons[i].first, tr(kButtons[i].second), column);
        m_fieldButtons[static_cast<size_t>(i)] = button;
        connect(button, &QToolButton::clicked, this, [this, kind] { AddField(kind); });
        column->addWidget(button);
    }
    column->addSeparator();
    auto* edit = IconButton("document-edit", tr("Edit form field"), column);
    auto* remove = IconButton("edit-delete", tr("Delete form field"), column);
    auto* actions = IconButton("system-run", tr("Define actions"), column);
    connect(edit, &QToolButton::clicked, this, &FormPage::EditField);
    connect(remove, &QToolButton::clicked, this, &FormPage::DeleteFields);
    connect(actions, &QToolButton::clicked, this, &FormPage::DefineActions);
    for (QToolButton* button : {edit, remove, actions})
        column->addWidget(button);
    return column;
}

void FormPage::BuildLayout()
{
    m_forms = new QComboBox(this);
    m_forms->setToolTip(tr("Forms found in HTML file"));
    auto* grid = new FieldGrid(this);
    grid->onDrop = [this](int target) { MoveRowsTo(target); };
    m_grid = grid;
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setDragDropMode(QAbstractItemView::InternalMove);
    m_grid->setDragEnabled(true);
    m_grid->viewport()->setMouseTracking(true);
    m_grid->viewport()->installEventFilter(this);
    SetupGrid();
    new QShortcut(QKeySequence::Delete, m_grid, this, &FormPage::DeleteFields, Qt::WidgetShortcut);
    connect(m_forms, &QComboBox::activated, this, &FormPage::ChooseForm);
    connect(m_grid, &QTableWidget::cellChanged, this, &FormPage::CellEdited);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column == kIcon || m_grid->item(row, column) == nullptr ||
            !(m_grid->item(row, column)->flags() & Qt::ItemIsEditable))
            EditField();
    });
    auto* formLabel = new QLabel(tr("&List of Fields in Form:"), this);
    formLabel->setBuddy(m_forms);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(formLabel);
    listRow->addWidget(m_forms, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(m_grid, 1);
    body->addWidget(BuildFieldButtons());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildFileBar());
    layout->addLayout(listRow);
    layout->addLayout(body, 1);
}

void FormPage::SetupGrid()
{
    m_grid->setRowCount(0);
    m_grid->SetColumns({tr("Name"), "", tr("Value"), tr("State"), tr("Content")}, {120, 24, 140, 90, 120});
    m_grid->SetColumnKind(kIcon, GridWidget::CellKind::ReadOnly);
    QStringList states;
    for (std::string_view choice : kStateChoices)
        states << QString::fromLatin1(choice.data(), static_cast<int>(choice.size()));
    QStringList contents;
    for (std::string_view choice : kContentChoices)
        contents << QString::fromLatin1(choice.data(), static_cast<int>(choice.size()));
    m_grid->SetColumnKind(kState, GridWidget::CellKind::EditableDropDown, states);
    m_grid->SetColumnKind(kContent, GridWidget::CellKind::EditableDropDown, contents);
}

Form* FormPage::CurrentForm()
{
    return m_project.CurrentForm();
}

std::string FormPage::LoadedKey()
{
    Form* form = CurrentForm();
    return form ? m_projectFile() + '\n' + form->pageFile + '\n' + std::to_string(reinterpret_cast<uintptr_t>(form))
                : std::string();
}

void FormPage::Load()
{
    if (LoadedKey() != m_loadedKey)
        OpenPage();
}

void FormPage::OpenPage()
{
    Form* form = CurrentForm();
    m_page = LoadedPage(m_projectFile());
    m_path->setText(form ? Local(form->pageFile) : QString());
    // A page that has gone missing is reported when it is used, not each time
    // a project is opened.
    SilentPrompter quiet;
    if (form && !form->pageFile.empty())
        ReloadPage(*form, m_page, quiet);
    m_loadedKey = LoadedKey();
    SetPageModified(false);
    FillLists();
}

bool FormPage::ReloadShownPage()
{
    Form* form = CurrentForm();
    if (!form)
        return false;
    m_page.projectFile = m_projectFile();
    m_declinedNames.clear();
    bool loaded = ReloadPage(*form, m_page, m_prompter);
    m_loadedKey = LoadedKey();
    SetPageModified(false);
    return loaded;
}

void FormPage::SetPageModified(bool modified)
{
    if (modified == m_pageModified)
        return;
    m_pageModified = modified;
    emit PageModified();
}

std::string FormPage::PageFileName()
{
    Form* form = CurrentForm();
    std::string path = form ? PagePath(*form, m_page) : std::string();
    return path.empty() ? std::string(ProjectDocument::kDefaultTitle) : path;
}

bool FormPage::SaveOrDropPage()
{
    if (!m_pageModified)
        return true;
    UnsavedFile page{PageFileName(), [this] { return SaveHtmlFile(); }};
    return AskToSaveAll({page}, m_prompter) != SaveAnswer::Cancelled;
}

void FormPage::Store()
{
    if (Form* form = CurrentForm()) {
        form->pageFile = Bytes(m_path->text());
        // The box names the page now shown; no reason to read it again.
        m_loadedKey = LoadedKey();
    }
}

QString FormPage::AskPagePath(const QString& title)
{
    return FileChooser::Current().SaveFile(this, title, kHtmlFilter, "*.htm").trimmed();
}

bool FormPage::NewHtmlFile()
{
    Form* form = CurrentForm();
    if (!SaveOrDropPage())
        return false;
    QString path = AskPagePath(tr("New HTML file"));
    if (!form || path.isEmpty())
        return false;
    std::ofstream out(Bytes(path), std::ios::binary | std::ios::trunc);
    out << kNewPageText;
    out.close();
    if (!out) {
        m_prompter.Show(FormatMessage(Msg::CantCreateFile, {Bytes(path)}));
        return false;
    }
    form->handlers.clear();
    form->formName.clear();
    form->pageFile = Bytes(path);
    m_path->setText(path);
    ReloadShownPage();
    FillLists();
    return true;
}

bool FormPage::OpenHtmlFile()
{
    Form* form = CurrentForm();
    if (!form || !SaveOrDropPage())
        return false;
    for (;;) {
        QString path = FileChooser::Current().OpenFile(this, tr("Open HTML file"), kHtmlFilter).trimmed();
        if (path.isEmpty())
            return false;
        form->handlers.clear();
        form->formName.clear();
        form->pageFile = Bytes(path);
        m_path->setText(path);
        if (ReloadShownPage()) {
            FillLists();
            return true;
        }
    }
}

bool FormPage::SaveHtmlFile()
{
    Form* form = CurrentForm();
    if (!form)
        return false;
    if (m_path->text().trimmed().isEmpty()) {
        QString path = AskPagePath(tr("Save HTML file"));
        if (path.isEmpty())
            return false;
        m_path->setText(path);
    }
    form->pageFile = Bytes(m_path->text());
    // Nothing loaded: save the named page as it is on disk rather than write an empty one over it.
    if (!m_page.Nodes() && !ReloadShownPage())
        return false;
    if (m_page.formNode && m_page.Nodes())
        PrepareFormTag(*m_page.Nodes(), *m_page.formNode, ScriptUrlForForm(m_project, *form));
    if (m_autoFormat->isChecked())
        FormatForm(m_page, Bytes(m_title->text()));
    m_page.projectFile = m_projectFile();
    if (!SavePage(*form, m_page)) {
        m_prompter.Show(FormatMessage(Msg::CantCreateFile, {PagePath(*form, m_page)}));
        FillLists();
        return false;
    }
    m_loadedKey = LoadedKey();
    SetPageModified(false);
    FillLists();
    return true;
}

bool FormPage::SaveForBuild()
{
    Form* form = CurrentForm();
    if (!form)
        return false;
    Store();
    if (!m_page.Nodes() && !ReloadShownPage())
        return false;
    return SaveHtmlFile();
}

void FormPage::TakePageTime()
{
    Form* form = CurrentForm();
    if (form && !form->pageFile.empty()) {
        std::error_code error;
        auto time = std::filesystem::last_write_time(PagePath(*form, m_page), error);
        if (!error)
            m_page.pageTime = time;
    }
}

void FormPage::OpenExternalEditor()
{
    Form* form = CurrentForm();
    if (!form)
        return;
    std::string editor = Bytes(QSettings().value(kEditorKey).toString());
    LaunchEditor(editor, PagePath(*form, m_page), m_prompter);
}

void FormPage::SetExternalEditor()
{
    QString path = FileChooser::Current().OpenFile(this, tr("Set external HTML editor"), "Executable File|*||");
    if (path.isEmpty())
        return;
    QSettings settings;
    settings.setValue(kEditorKey, path);
    settings.sync();
}

void FormPage::ChooseForm(int index)
{
    Form* form = CurrentForm();
    HtmlPage* nodes = m_page.Nodes();
    if (!form || !nodes || index < 0)
        return;
    FormListing listing = ListForms(*form, m_page);
    if (static_cast<size_t>(index) >= listing.entries.size())
        return;
    const FormEntry& chosen = listing.entries[static_cast<size_t>(index)];
    if (chosen.name == form->formName)
        return;
    if (!m_prompter.AskYesNo(FormatMessage(Msg::DiscardFormActions))) {
        QSignalBlocker block(m_forms);
        m_forms->setCurrentIndex(listing.selected ? static_cast<int>(*listing.selected) : -1);
        return;
    }
    form->formName = chosen.name;
    m_page.formNode = chosen.node;
    form->handlers.clear();
    FillLists();
}

void FormPage::FillLists()
{
    m_filling = true;
    SetupGrid();
    m_rows.clear();
    {
        QSignalBlocker block(m_forms);
        m_forms->clear();
        Form* form = CurrentForm();
        if (form && m_page.Nodes()) {
            FormListing listing = ListForms(*form, m_page);
            for (const FormEntry& entry : listing.entries)
                m_forms->addItem(Local(entry.name));
            m_forms->setCurrentIndex(listing.selected ? static_cast<int>(*listing.selected) : -1);
        }
    }
    if (m_page.Nodes() && m_page.formNode) {
        for (HtmlIter field : FormFields(*m_page.Nodes(), *m_page.formNode))
            m_rows.push_back({field, {}});
        // A page may hold tens of thousands of fields: the rows are made at
        // once, and the cells filled without a change notice each.
        m_grid->setRowCount(static_cast<int>(m_rows.size()));
        m_grid->setUpdatesEnabled(false);
        m_grid->model()->blockSignals(true);
        for (int row = 0; row < static_cast<int>(m_rows.size()); ++row)
            FillRow(row);
        m_grid->model()->blockSignals(false);
        m_grid->setUpdatesEnabled(true);
    }
    m_filling = false;
}

bool FormPage::CheckPageChanged()
{
    Form* form = CurrentForm();
    if (!form || m_asking)
        return false;
    m_asking = true;
    m_page.projectFile = m_projectFile();
    bool reloaded = quillet::CheckPageChanged(*form, m_page, m_prompter);
    m_asking = false;
    if (reloaded) {
        SetPageModified(false);
        FillLists();
    }
    return reloaded;
}

bool FormPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        CheckPageChanged();
    return PropertyPage::eventFilter(watched, event);
}

void FormPage::mouseMoveEvent(QMouseEvent* event)
{
    CheckPageChanged();
    PropertyPage::mouseMoveEvent(event);
}

} // namespace quillet
