#include "generator/pages/RecordPages.h"

#include "generator/CriteriaGrid.h"
#include "generator/RecordPageModel.h"
#include "generator/SqlBuilder.h"
#include "generator/pages/ActionPageSupport.h"
#include "generator/pages/ChoiceGrid.h"
#include "project/Action.h"
#include "project/Messages.h"
#include "project/Project.h"
#include "project/Prompter.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillet {

namespace {

constexpr int kColumnGridRows = 50;
constexpr int kCriteriaRows = 20;
constexpr int kCriteriaColumns = 20;

} // namespace

RecordPageBase::RecordPageBase(const QString& title, Action& action, const ActionPageContext& context, QWidget* parent)
    : PropertyPage(title, parent), m_action(action), m_context(context), m_references(FormReferences(context)),
      m_dataSource(new QComboBox(this))
{
}

QString RecordPageBase::DataSource() const
{
    return m_dataSource->currentText();
}

QStringList RecordPageBase::Tables() const
{
    return ToQList(TableNames(m_context.project.dataSources, FromQ(DataSource())));
}

QStringList RecordPageBase::Fields(const QString& table) const
{
    return ToQList(FieldNames(m_context.project.dataSources, FromQ(DataSource()), FromQ(table)));
}

std::optional<std::string> RecordPageBase::CurrentSql()
{
    if (!HasTable()) {
        m_context.prompter.Show(FormatMessage(Msg::SelectTableInGrid));
        return std::nullopt;
    }
    Action scratch = m_action;
    StoreInto(scratch);
    return BuildSqlStatement(scratch);
}

void RecordPageBase::ShowSqlQuery()
{
    std::optional<std::string> sql = CurrentSql();
    if (!sql)
        return;
    QDialog window(this);
    window.setWindowTitle(tr("SQL Query"));
    auto* text = new QPlainTextEdit(ToQ(*sql), &window);
    text->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
    connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window.exec();
}

RecordQueryPage::RecordQueryPage(Action& action, const ActionPageContext& context, QWidget* parent)
    : RecordPageBase(ToQ(std::string(QueryLabels(action.type).title)), action, context, parent)
{
    QueryPageLabels labels = QueryLabels(action.type);
    m_columns = MakeColumnGrid();
    m_criteria = MakeCriteriaGrid();
    auto* form = new QFormLayout;
    form->addRow(ToQ(std::string(labels.dataSource)), m_dataSource);
    if (action.type == ActionType::SelectRecords) {
        m_rows = new QSpinBox(this);
        m_rows->setRange(0, 100000);
        form->addRow(tr("Number of rows to display:"), m_rows);
    }
    auto* sql = new QPushButton(tr("S&QL Query"), this);
    connect(sql, &QPushButton::clicked, this, &RecordQueryPage::ShowSqlQuery);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(ToQ(std::string(labels.columnGrid)), this));
    layout->addWidget(m_columns, 1);
    layout->addWidget(new QLabel(ToQ(std::string(labels.criteria)), this));
    layout->addWidget(m_criteria, 1);
    layout->addWidget(sql, 0, Qt::AlignRight);
}

ChoiceGrid* RecordQueryPage::MakeColumnGrid()
{
    const int columns = QueryLabels(m_action.type).gridColumns;
    auto* grid = new ChoiceGrid(kColumnGridRows, columns, this);
    QStringList headings{tr("Table")};
    if (columns > 1)
        headings << tr("Field") << (m_action.type == ActionType::SelectRecords ? tr("Function") : tr("Value"));
    grid->setHorizontalHeaderLabels(headings);
    grid->rule = [this, grid](int row, int column) -> ChoiceGrid::CellRule {
        if (column == 0)
            return {ChoiceGrid::Kind::List, Tables()};
        if (column == 1)
            return {ChoiceGrid::Kind::List, Fields(grid->Text(row, 0))};
        if (m_action.type == ActionType::SelectRecords)
            return {ChoiceGrid::Kind::List, TextChoices(kSelectFunctions)};
        return {ChoiceGrid::Kind::EditableList, m_references};
    };
    grid->mayEdit = [this, grid](int row, int column) {
        return column != 1 || MayEditField(*grid, grid->Text(row, 0));
    };
    if (m_action.type == ActionType::UpdateRecords)
        grid->valueCell = [](int, int column) { return column == 2; };
    return grid;
}

ChoiceGrid* RecordQueryPage::MakeCriteriaGrid()
{
    auto* grid = MakeCriteriaGridWidget(kRecordCriteriaGrid.leadRows, kCriteriaRows, kCriteriaColumns, this);
    grid->rule = [this, grid](int row, int column) -> ChoiceGrid::CellRule {
        if (row == 0)
            return {ChoiceGrid::Kind::List, Tables()};
        if (row == 1)
            return {ChoiceGrid::Kind::List, Fields(grid->Text(0, column))};
        if (row % 2 == 0)
            return {ChoiceGrid::Kind::List, TextChoices(kSqlOperators)};
        return {ChoiceGrid::Kind::EditableList, m_references};
    };
    grid->mayEdit = [this, grid](int row, int column) {
        return row != 1 || MayEditField(*grid, grid->Text(0, column));
    };
    return grid;
}

bool RecordQueryPage::MayEditField(ChoiceGrid&, const QString& table)
{
    if (!table.trimmed().isEmpty())
        return true;
    m_context.prompter.Show(FormatMessage(Msg::SelectTableInGrid));
    return false;
}

void RecordQueryPage::Load()
{
    PrepareNewRecordAction(m_action);
    const RecordAction& record = m_action.Record();
    FillChoices(*m_dataSource, ToQList(DataSourceNames(m_context.project.dataSources)), ToQ(record.dataSource));
    m_columns->ClearTexts();
    std::vector<ColumnGridRow> rows = LoadColumnGrid(m_action.type, record.columns);
    for (int row = 0; row < static_cast<int>(rows.size()) && row < m_columns->rowCount(); ++row)
        for (int column = 0; column < m_columns->columnCount(); ++column)
            m_columns->SetCellText(row, column, rows[row][column]);
    m_criteria->ClearTexts();
    FillCriteriaGrid(*m_criteria, record.criteria, kRecordCriteriaGrid);
    if (m_rows)
        m_rows->setValue(static_cast<int>(record.rowsPerPage));
}

void RecordQueryPage::StoreInto(Action& record)
{
    std::vector<ColumnGridRow> rows;
    for (int row = 0; row < m_columns->rowCount(); ++row) {
        ColumnGridRow cells;
        for (int column = 0; column < m_columns->columnCount(); ++column)
            cells[column] = m_columns->CellText(row, column);
        rows.push_back(cells);
    }
    RecordAction& body = record.Record();
    body.dataSource = FromQ(DataSource().trimmed());
    body.columns = StoreColumnGrid(record.type, rows);
    if (!body.columns.empty())
        body.table = body.columns.front().tableName;
    body.criteria = StoreCriteriaGrid(ReadCriteriaGrid(*m_criteria), kRecordCriteriaGrid);
    if (m_rows)
        body.rowsPerPage = m_rows->value();
}

bool RecordQueryPage::HasTable() const
{
    for (int row = 0; row < m_columns->rowCount(); ++row)
        if (!m_columns->Text(row, 0).trimmed().isEmpty())
            return true;
    return false;
}

InsertRecordsPage::InsertRecordsPage(Action& action, const ActionPageContext& context, QWidget* parent)
    : RecordPageBase(tr("Insert Record"), action, context, parent), m_table(new QComboBox(this)),
      m_grid(new ChoiceGrid(kInsertGridRows, 2, this))
{
    m_grid->setHorizontalHeaderLabels({tr("Field"), tr("Value")});
    m_grid->valueCell = [](int, int column) { return column == 1; };
    m_grid->rule = [this](int, int column) -> ChoiceGrid::CellRule {
        if (column == 0)
            return {ChoiceGrid::Kind::List, Fields(m_table->currentText())};
        return {ChoiceGrid::Kind::EditableList, m_references};
    };
    m_grid->mayEdit = [this](int, int column) {
        if (column != 0 || !m_table->currentText().isEmpty())
            return true;
        m_context.prompter.Show(FormatMessage(Msg::SelectTableInGrid));
        return false;
    };
    connect(m_dataSource, &QComboBox::currentTextChanged, this, [this] { FillTables(QString()); });
    auto* form = new QFormLayout;
    form->addRow(tr("&Data Source:"), m_dataSource);
    form->addRow(tr("&Table Name:"), m_table);
    auto* bind = new QPushButton(tr("&Bind form fields with table fields"), this);
    connect(bind, &QPushButton::clicked, this, &InsertRecordsPage::BindFormFields);
    auto* sql = new QPushButton(tr("S&QL Query"), this);
    connect(sql, &QPushButton::clicked, this, &InsertRecordsPage::ShowSqlQuery);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bind);
    buttons->addStretch();
    buttons->addWidget(sql);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
}

void InsertRecordsPage::FillTables(const QString& current)
{
    FillChoices(*m_table, Tables(), current);
}

void InsertRecordsPage::Load()
{
    const RecordAction& record = m_action.Record();
    FillChoices(*m_dataSource, ToQList(DataSourceNames(m_context.project.dataSources)), ToQ(record.dataSource));
    FillTables(ToQ(record.table));
    m_grid->ClearTexts();
    std::vector<InsertGridRow> rows = LoadInsertGrid(record.columns, m_grid->rowCount());
    for (int row = 0; row < static_cast<int>(record.columns.size()) && row < m_grid->rowCount(); ++row) {
        m_grid->SetCellText(row, 0, rows[row][0]);
        m_grid->SetCellText(row, 1, rows[row][1]);
    }
}

void InsertRecordsPage::StoreInto(Action& record)
{
    RecordAction& body = record.Record();
    body.dataSource = FromQ(DataSource().trimmed());
    body.table = FromQ(m_table->currentText().trimmed());
    std::vector<InsertGridRow> rows;
    for (int row = 0; row < m_grid->rowCount(); ++row)
        rows.push_back({m_grid->CellText(row, 0), m_grid->CellText(row, 1)});
    std::vector<std::string> fields;
    for (const QString& field : Fields(m_table->currentText()))
        fields.push_back(FromQ(field));
    if (auto columns = StoreInsertGrid(fields, rows))
        body.columns = std::move(*columns);
}

bool InsertRecordsPage::HasTable() const
{
    return !m_table->currentText().trimmed().isEmpty();
}

void InsertRecordsPage::BindFormFields()
{
    std::vector<InsertGridRow> rows;
    for (int row = 0; row < m_grid->rowCount(); ++row)
        rows.push_back({m_grid->CellText(row, 0), m_grid->CellText(row, 1)});
    std::vector<std::string> references;
    for (const QString& reference : m_references)
        references.push_back(FromQ(reference));
    if (!quillet::BindFormFields(rows, references))
        return;
    for (int row = 0; row < m_grid->rowCount(); ++row)
        if (m_grid->CellText(row, 1) != rows[row][1])
            m_grid->SetCellText(row, 1, rows[row][1]);
}

} // namespace quillet
