#include "db/pages/DatabasePage.h"

#include "db/AdminRequests.h"
#include "db/ColumnTypes.h"
#include "net/pages/PublishDialog.h"
#include "project/NameRules.h"
#include "project/Paths.h"
#include "project/Project.h"
#include "project/Prompter.h"
#include "ui/pages/BusyTask.h"
#include "ui/pages/GridWidget.h"
#include "ui/pages/Splitters.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillet {

namespace {

constexpr int kSourceIndex = Qt::UserRole;
constexpr int kTableIndex = Qt::UserRole + 1;
enum StackPage { kNothing = 0, kSource = 1, kTable = 2 };

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

template <size_t N>
QStringList ListOf(const std::array<std::string_view, N>& texts)
{
    QStringList list;
    for (std::string_view text : texts)
        list << QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return list;
}

QLineEdit* NewEdit(QWidget* parent, size_t width, const QString& tip)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(static_cast<int>(width - 1));
    edit->setToolTip(tip);
    return edit;
}

} // namespace

DatabasePage::DatabasePage(Project& project, Prompter& prompter, std::function<std::string()> projectFile,
                           QWidget* parent)
    : PropertyPage(tr("Database"), parent), m_project(project), m_prompter(prompter),
      m_projectFile(std::move(projectFile))
{
    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    m_tree->setToolTip(tr("Datasources"));
    m_tree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(new QWidget(m_stack));
    m_stack->addWidget(BuildSourceFields());
    m_stack->addWidget(BuildTableView());

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(BuildButtons());
    leftLayout->addWidget(m_tree, 1);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(m_stack);
    KeepProportions(splitter, "DatabaseTree", {1, 3});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(BuildServerButton(), 0, Qt::AlignRight);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, &DatabasePage::OnSelectionChanged);
    connect(m_tree, &QTreeWidget::itemChanged, this, &DatabasePage::OnLabelChanged);
    uploadStep = [this](UploadList& list) {
        PublishDialog dialog(list, m_project.settings, m_prompter, this);
        dialog.exec();
    };
}

DatabasePage::~DatabasePage() = default;

// Two short rows over the tree, so the tree's column stays narrow.
QWidget* DatabasePage::BuildButtons()
{
    auto* bar = new QWidget(this);
    auto* grid = new QGridLayout(bar);
    grid->setContentsMargins(0, 0, 0, 0);
    auto add = [this](const QString& text, const char* icon, const QString& tip, auto slot) {
        auto* button = new QPushButton(QIcon::fromTheme(icon), text, this);
        button->setToolTip(tip);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    grid->addWidget(add(tr("Add &Database"), "list-add", tr("Add datasource"), &DatabasePage::AddDatabase), 0, 0);
    grid->addWidget(add(tr("Add &Table"), "insert-table", tr("Add table"), &DatabasePage::AddTable), 0, 1);
    QPushButton* remove =
        add(tr("De&lete"), "edit-delete", tr("Delete selected datasources or tables"), &DatabasePage::DeleteSelected);
    remove->setShortcut(QKeySequence::Delete);
    grid->addWidget(remove, 1, 0);
    return bar;
}

QWidget* DatabasePage::BuildServerButton()
{
    auto* button =
        new QPushButton(QIcon::fromTheme("network-server"), tr("&Create/Update tables on the database server"), this);
    button->setToolTip(tr("Create/Update tables on the database server"));
    connect(button, &QPushButton::clicked, this, &DatabasePage::CreateTablesOnServer);
    return button;
}

QWidget* DatabasePage::BuildSourceFields()
{
    m_sourceFields = new QWidget(this);
    m_driver = new QComboBox(m_sourceFields);
    m_driver->addItems(ListOf(kDriverList));
    m_driver->setToolTip(tr("Select database driver (Exp: mysql)"));
    m_host = NewEdit(m_sourceFields, kHostWidth, tr("Database server host name (Exp: db.example.org)"));
    m_port = NewEdit(m_sourceFields, 12, tr("Database server port number (Exp: 3306 for mysql)"));
    m_port->setValidator(new QIntValidator(0, 65535, m_port));
    m_database = NewEdit(m_sourceFields, kDatabaseWidth, tr("Database name"));
    m_user = NewEdit(m_sourceFields, kUserWidth, tr("Database login user name"));
    m_password = NewEdit(m_sourceFields, kPasswordWidth, tr("Database login password"));
    m_password->setEchoMode(QLineEdit::Password);
    // The project file separates the connection settings with ";": refuse it as it is typed.
    const std::pair<QLineEdit*, const char*> texts[] = {
        {m_host, "host"}, {m_database, "database"}, {m_user, "user name"}, {m_password, "password"}};
    for (const auto& [edit, label] : texts)
        connect(edit, &QLineEdit::textEdited, this, [this, edit, label](const QString& text) {
            if (std::optional<std::string> refused = DataSourceFieldMessage(label, Bytes(text))) {
                int caret = edit->cursorPosition();
                edit->setText(QString(text).remove(';'));
                edit->setCursorPosition(std::min(caret, static_cast<int>(edit->text().size())));
                m_prompter.Show(*refused);
            }
        });
    auto* form = new QFormLayout(m_sourceFields);
    form->addRow(tr("D&river:"), m_driver);
    form->addRow(tr("&Host:"), m_host);
    form->addRow(tr("&Port:"), m_port);
    form->addRow(tr("Data&base:"), m_database);
    form->addRow(tr("&User name:"), m_user);
    form->addRow(tr("Pass&word:"), m_password);
    return m_sourceFields;
}

QWidget* DatabasePage::BuildTableView()
{
    auto* view = new QWidget(this);
    m_grid = new GridWidget(view);
    m_grid->setToolTip(tr("Enter table definition here"));
    QStringList headings;
    for (const char* heading : TableGrid::kHeadings)
        headings << heading;
    m_grid->SetColumns(headings, {160, 120, 80, 90, 110});
    m_grid->SetColumnKind(TableGrid::FieldName, GridWidget::CellKind::Text);
    QStringList types;
    for (const ColumnTypeInfo& info : kColumnTypeCatalogue)
        types << QString::fromLatin1(info.Name().data(), static_cast<qsizetype>(info.Name().size()));
    m_grid->SetColumnKind(TableGrid::DataType, GridWidget::CellKind::DropDown, types);
    m_grid->SetColumnKind(TableGrid::FieldSize, GridWidget::CellKind::Digits);
    m_grid->SetColumnKind(TableGrid::NullOption, GridWidget::CellKind::DropDown, ListOf(kNullOptionList));
    m_grid->SetColumnKind(TableGrid::Index, GridWidget::CellKind::DropDown, ListOf(kIndexKindList));
    m_grid->setRowCount(TableGrid::kDataRows);

    m_tabs = new QTabWidget(view);
    auto* fieldPane = new QWidget(m_tabs);
    m_defaultLabel = new QLabel(fieldPane);
    m_default = new QPlainTextEdit(fieldPane);
    m_defaultLabel->setBuddy(m_default);
    auto* fieldLayout = new QVBoxLayout(fieldPane);
    fieldLayout->addWidget(m_defaultLabel);
    fieldLayout->addWidget(m_default);
    m_tabs->addTab(fieldPane, tr("Field"));
    // The type panes stay hidden until ShowPanes puts one in a tab.
    m_valuePane = BuildValuePane();
    m_valuePane->hide();
    m_numberPane = BuildNumberPane();
    m_numberPane->hide();

    auto* splitter = new QSplitter(Qt::Vertical, view);
    splitter->addWidget(m_grid);
    splitter->addWidget(m_tabs);
    KeepProportions(splitter, "DatabaseColumns", {3, 1});
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    connect(m_grid, &QTableWidget::cellChanged, this, &DatabasePage::OnCellChanged);
    connect(m_grid, &QTableWidget::currentCellChanged, this, &DatabasePage::OnCurrentCellChanged);
    return view;
}

QWidget* DatabasePage::BuildValuePane()
{
    auto* pane = new QWidget(this);
    m_values = new QComboBox(pane);
    m_values->setEditable(true);
    m_values->setInsertPolicy(QComboBox::NoInsert);
    auto* addValue = new QPushButton(tr("&Add Value"), pane);
    auto* deleteValue = new QPushButton(tr("D&elete Value"), pane);
    auto* layout = new QHBoxLayout(pane);
    layout->addWidget(m_values, 1);
    layout->addWidget(addValue);
    layout->addWidget(deleteValue);
    connect(m_values, &QComboBox::activated, this, [this](int index) {
        if (m_tableGrid)
            m_tableGrid->Panes().pickedValue = index;
    });
    connect(addValue, &QPushButton::clicked, this, [this] {
        if (!m_tableGrid || m_values->currentText().isEmpty())
            return;
        ReadPanes();
        m_tableGrid->Panes().AddValue(Bytes(m_values->currentText()));
        ShowPanes();
    });
    connect(deleteValue, &QPushButton::clicked, this, [this] {
        if (!m_tableGrid)
            return;
        ReadPanes();
        m_tableGrid->Panes().DeleteValue();
        ShowPanes();
    });
    return pane;
}

QWidget* DatabasePage::BuildNumberPane()
{
    auto* pane = new QWidget(this);
    m_unsigned = new QCheckBox(tr("&Unsigned number"), pane);
    m_zeroFill = new QCheckBox(tr("&Zero Fill"), pane);
    m_precision = new QCheckBox(tr("Define Decimal &Precision"), pane);
    m_width = new QLineEdit(pane);
    m_width->setValidator(new QIntValidator(0, 999999999, m_width));
    m_decimals = new QLineEdit(pane);
    auto* layout = new QFormLayout(pane);
    layout->addRow(m_unsigned);
    layout->addRow(m_zeroFill);
    layout->addRow(m_precision);
    layout->addRow(tr("Display &Width"), m_width);
    layout->addRow(tr("Number of &Decimals"), m_decimals);
    connect(m_precision, &QCheckBox::toggled, this, &DatabasePage::OnPrecisionToggled);
    connect(m_decimals, &QLineEdit::editingFinished, this, &DatabasePage::OnDecimalsEdited);
    return pane;
}

void DatabasePage::FillTree()
{
    QSignalBlocker block(m_tree);
    m_tree->clear();
    for (size_t s = 0; s < m_project.dataSources.size(); ++s) {
        const DataSource& source = m_project.dataSources[s];
        auto* sourceItem = new QTreeWidgetItem(m_tree, {Local(source.name)});
        sourceItem->setIcon(0, QIcon::fromTheme("server-database"));
        sourceItem->setFlags(sourceItem->flags() | Qt::ItemIsEditable);
        sourceItem->setData(0, kSourceIndex, static_cast<int>(s));
        sourceItem->setData(0, kTableIndex, -1);
        for (size_t t = 0; t < source.tables.size(); ++t) {
            auto* tableItem = new QTreeWidgetItem(sourceItem, {Local(source.tables[t].name)});
            tableItem->setIcon(0, QIcon::fromTheme("insert-table"));
            tableItem->setFlags(tableItem->flags() | Qt::ItemIsEditable);
            tableItem->setData(0, kSourceIndex, static_cast<int>(s));
            tableItem->setData(0, kTableIndex, static_cast<int>(t));
        }
    }
    m_tree->expandAll();
}

TreeItemRef DatabasePage::RefOf(const QTreeWidgetItem* item) const
{
    return item ? TreeItemRef{item->data(0, kSourceIndex).toInt(), item->data(0, kTableIndex).toInt()} : TreeItemRef{};
}

QTreeWidgetItem* DatabasePage::ItemOf(TreeItemRef ref) const
{
    QTreeWidgetItem* source = ref.source >= 0 ? m_tree->topLevelItem(ref.source) : nullptr;
    return source && ref.IsTable() ? source->child(ref.table) : source;
}

void DatabasePage::Load()
{
    m_current = {};
    m_tableGrid.reset();
    FillTree();
    m_stack->setCurrentIndex(kNothing);
    if (m_tree->topLevelItemCount() > 0)
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
}

void DatabasePage::Store()
{
    Leave(m_current);
}

void DatabasePage::SelectAndEdit(QTreeWidgetItem* item)
{
    m_tree->setCurrentItem(item);
    m_tree->editItem(item);
}

void DatabasePage::AddDatabase()
{
    Leave(m_current);
    m_current = {};
    AddDataSource(m_project.dataSources);
    FillTree();
    SelectAndEdit(m_tree->topLevelItem(m_tree->topLevelItemCount() - 1));
}

void DatabasePage::AddTable()
{
    const TreeItemRef parent = TableParent(RefOf(m_tree->currentItem()));
    if (parent.source < 0 || parent.source >= static_cast<int>(m_project.dataSources.size()))
        return;
    Leave(m_current);
    m_current = {};
    DataSource& source = m_project.dataSources[static_cast<size_t>(parent.source)];
    quillet::AddTable(source);
    FillTree();
    SelectAndEdit(ItemOf({parent.source, static_cast<int>(source.tables.size()) - 1}));
}

void DatabasePage::DeleteSelected()
{
    const TreeItemRef ref = RefOf(m_tree->currentItem());
    if (ref.source < 0)
        return;
    // The grid and fields belong to the record going away: nothing to keep.
    m_current = {};
    m_tableGrid.reset();
    RemoveRecord(m_project.dataSources, ref);
    FillTree();
    m_stack->setCurrentIndex(kNothing);
    const TreeItemRef next = ref.IsTable() ? TreeItemRef{ref.source, -1} : TreeItemRef{ref.source - 1, -1};
    if (QTreeWidgetItem* item = ItemOf(next.source >= 0 ? next : TreeItemRef{0, -1}))
        m_tree->setCurrentItem(item);
}

void DatabasePage::OnLabelChanged(QTreeWidgetItem* item, int)
{
    RenameLabel(item, RefOf(item));
}

void DatabasePage::RenameLabel(QTreeWidgetItem* item, TreeItemRef ref)
{
    std::optional<std::string> refused = RenameRecord(m_project.dataSources, ref, Bytes(item->text(0)));
    if (!refused)
        return;
    // The label goes back to the name the record keeps.
    {
        QSignalBlocker block(m_tree);
        item->setText(0, Local(m_project.dataSources.at(static_cast<size_t>(ref.source)).name));
    }
    m_prompter.Show(*refused);
}

void DatabasePage::OnSelectionChanged(QTreeWidgetItem* now, QTreeWidgetItem*)
{
    Leave(m_current);
    m_current = RefOf(now);
    Enter(m_current);
}

void DatabasePage::Leave(TreeItemRef ref)
{
    if (ref.source < 0 || ref.source >= static_cast<int>(m_project.dataSources.size()))
        return;
    DataSource& source = m_project.dataSources[static_cast<size_t>(ref.source)];
    if (QTreeWidgetItem* item = ItemOf(ref))
        RenameLabel(item, ref);
    if (!ref.IsTable()) {
        std::optional<std::string> refused =
            StoreFields({Bytes(m_driver->currentText()), Bytes(m_host->text()), Bytes(m_port->text()),
                         Bytes(m_database->text()), Bytes(m_user->text()), Bytes(m_password->text())},
                        source);
        if (refused)
            m_prompter.Show(*refused);
    } else if (m_tableGrid && ref.table < static_cast<int>(source.tables.size())) {
        ReadPanes();
        m_tableGrid->Save(source.tables[static_cast<size_t>(ref.table)]);
    }
}

void DatabasePage::Enter(TreeItemRef ref)
{
    m_tableGrid.reset();
    if (ref.source < 0 || ref.source >= static_cast<int>(m_project.dataSources.size())) {
        m_stack->setCurrentIndex(kNothing);
        return;
    }
    const DataSource& source = m_project.dataSources[static_cast<size_t>(ref.source)];
    if (ref.IsTable())
        ShowTable(source.tables.at(static_cast<size_t>(ref.table)));
    else
        ShowSource(source);
}

void DatabasePage::ShowSource(const DataSource& source)
{
    const DataSourceFields fields = FieldsOf(source);
    if (m_driver->findText(Local(fields.driver)) < 0)
        m_driver->addItem(Local(fields.driver));
    m_driver->setCurrentText(Local(fields.driver));
    m_host->setText(Local(fields.host));
    m_port->setText(Local(fields.port));
    m_database->setText(Local(fields.database));
    m_user->setText(Local(fields.user));
    m_password->setText(Local(fields.password));
    m_stack->setCurrentIndex(kSource);
}

void DatabasePage::ShowTable(const TableDef& table)
{
    m_tableGrid = std::make_unique<TableGrid>(table);
    {
        QSignalBlocker block(m_grid);
        m_filling = true;
        m_grid->clearContents();
        m_grid->setRowCount(TableGrid::kDataRows);
        for (int row = 1; row <= TableGrid::kDataRows; ++row)
            if (m_tableGrid->IsBound(row))
                ShowRow(row);
        m_filling = false;
        m_grid->setCurrentCell(0, 0);
    }
    m_tableGrid->Focus(1, TableGrid::FieldName);
    ShowPanes();
    m_stack->setCurrentIndex(kTable);
}

void DatabasePage::ShowRow(int row)
{
    QSignalBlocker block(m_grid);
    for (int column = 0; column < TableGrid::ColumnCount; ++column)
        m_grid->SetText(row - 1, column, Local(m_tableGrid->Cell(row, static_cast<TableGrid::Column>(column))));
    if (QTableWidgetItem* size = m_grid->item(row - 1, TableGrid::FieldSize)) {
        const Qt::ItemFlags flags = size->flags();
        size->setFlags(m_tableGrid->SizeReadOnly(row) ? flags & ~Qt::ItemIsEditable : flags | Qt::ItemIsEditable);
    }
}

void DatabasePage::OnCellChanged(int row, int column)
{
    if (m_filling || !m_tableGrid || column < 0 || column >= TableGrid::ColumnCount)
        return;
    ReadPanes();
    m_tableGrid->EditCell(row + 1, static_cast<TableGrid::Column>(column), Bytes(m_grid->Text(row, column)),
                          m_prompter);
    ShowRow(row + 1);
    ShowPanes();
}

void DatabasePage::OnCurrentCellChanged(int row, int column, int, int)
{
    if (m_filling || !m_tableGrid || row < 0 || column < 0)
        return;
    ReadPanes();
    m_tableGrid->Focus(row + 1, static_cast<TableGrid::Column>(column));
    ShowPanes();
}

void DatabasePage::ShowPanes()
{
    const DetailPanes& panes = m_tableGrid->Panes();
    QSignalBlocker blockTabs(m_tabs);
    while (m_tabs->count() > 1)
        m_tabs->removeTab(1);
    m_defaultLabel->setText(Local(panes.defaultLabel));
    m_default->setPlainText(Local(panes.defaultText));
    if (panes.second == DetailPanes::Second::ValueList) {
        m_values->clear();
        for (const std::string& value : panes.values)
            m_values->addItem(Local(value));
        m_values->setCurrentIndex(-1);
        m_values->setEditText(QString());
        m_tabs->addTab(m_valuePane, Local(panes.secondTitle));
    } else if (panes.second == DetailPanes::Second::NumberFormat) {
        QSignalBlocker block(m_precision);
        m_unsigned->setChecked(panes.unsignedNumber);
        m_zeroFill->setChecked(panes.zeroFill);
        m_precision->setChecked(panes.precision);
        m_precision->setEnabled(panes.precisionAllowed);
        m_width->setText(QString::number(panes.displayWidth));
        m_decimals->setText(QString::number(panes.decimals));
        OnPrecisionToggled(panes.precision);
        m_tabs->addTab(m_numberPane, Local(panes.secondTitle));
    }
    m_tabs->setCurrentIndex(std::min(panes.selectedTab, m_tabs->count() - 1));
    m_tabs->setVisible(m_tableGrid->IsBound(std::max(m_grid->currentRow(), 0) + 1));
}

void DatabasePage::ReadPanes()
{
    if (!m_tableGrid)
        return;
    DetailPanes& panes = m_tableGrid->Panes();
    panes.defaultText = Bytes(m_default->toPlainText());
    if (panes.second == DetailPanes::Second::NumberFormat) {
        panes.unsignedNumber = m_unsigned->isChecked();
        panes.zeroFill = m_zeroFill->isChecked();
        panes.precision = m_precision->isChecked() && panes.precisionAllowed;
        panes.displayWidth = m_width->text().toLong();
        int decimals = panes.decimals;
        if (m_decimals->text().toInt() >= 0 && m_decimals->text().toInt() <= 53)
            decimals = m_decimals->text().toInt();
        panes.decimals = decimals;
    }
}

void DatabasePage::OnPrecisionToggled(bool on)
{
    m_width->setEnabled(on);
    m_decimals->setEnabled(on);
}

void DatabasePage::OnDecimalsEdited()
{
    int decimals = 0;
    if (!DetailPanes::AcceptDecimals(Bytes(m_decimals->text()), decimals, m_prompter) && m_tableGrid)
        m_decimals->setText(QString::number(m_tableGrid->Panes().decimals));
}

bool DatabasePage::CreateTablesOnServer()
{
    Store();
    const std::string projectFile = m_projectFile ? m_projectFile() : std::string();
    // The administration script goes up first, in a dialog of its own; only
    // then does the table work start behind its progress dialog.
    UploadList list = AdminUploadList(m_project, PathContext::ForProject(m_project, projectFile), m_prompter);
    if (!list.empty() && uploadStep)
        uploadStep(list);
    TableSyncReport report;
    RunBusy(this, tr("Creating the tables on the database server..."), m_prompter, [&](BusyTask& task) {
        report = quillet::CreateTablesOnServer(m_project, task.WorkPrompter(), [&task] { return !task.Cancelled(); });
    });
    if (!report.created.empty() || !report.notCreated.empty())
        m_prompter.Show(TableSyncSummary(report));
    if (report.AllCreated())
        RunBusy(this, tr("Deleting the administration script..."), m_prompter, [&](BusyTask& task) {
            RemoveAdminScript(m_project.settings, task.WorkPrompter(), AdminScriptRemoval::Ask);
        });
    return report.AllCreated();
}

} // namespace quillet
