#pragma once

#include "project/pages/ActionPages.h"
#include "ui/pages/PropertyPage.h"

#include <optional>
#include <string>

class QComboBox;
class QSpinBox;

namespace quillet {

class ChoiceGrid;
struct Action;

// Shared by the record pages: the data source choice and the read-only "SQL Query" window.
class RecordPageBase : public PropertyPage {
    Q_OBJECT
public:
    RecordPageBase(const QString& title, Action& action, const ActionPageContext& context, QWidget* parent);

    QComboBox* DataSourceBox() const { return m_dataSource; }
    // The statement the page's current contents make; none (after the message)
    // when the page names no table yet.
    std::optional<std::string> CurrentSql();
    void ShowSqlQuery();

protected:
    // Stores the controls into record, which is the page's action or a scratch copy.
    virtual void StoreInto(Action& record) = 0;
    virtual bool HasTable() const = 0;
    QStringList Tables() const;
    QStringList Fields(const QString& table) const;
    QString DataSource() const;

    Action& m_action;
    ActionPageContext m_context;
    QStringList m_references;
    QComboBox* m_dataSource;
};

// Select, Delete and Update Records.
class RecordQueryPage : public RecordPageBase {
    Q_OBJECT
public:
    RecordQueryPage(Action& action, const ActionPageContext& context, QWidget* parent = nullptr);

    void Load() override;
    void Store() override { StoreInto(m_action); }

    ChoiceGrid* ColumnGrid() const { return m_columns; }
    ChoiceGrid* CriteriaGrid() const { return m_criteria; }
    QSpinBox* RowsBox() const { return m_rows; }

protected:
    void StoreInto(Action& record) override;
    bool HasTable() const override;

private:
    ChoiceGrid* MakeColumnGrid();
    ChoiceGrid* MakeCriteriaGrid();
    bool MayEditField(ChoiceGrid& grid, const QString& table);

    ChoiceGrid* m_columns;
    ChoiceGrid* m_criteria;
    QSpinBox* m_rows = nullptr;
};

// Insert Record.
class InsertRecordsPage : public RecordPageBase {
    Q_OBJECT
public:
    InsertRecordsPage(Action& action, const ActionPageContext& context, QWidget* parent = nullptr);

    void Load() override;
    void Store() override { StoreInto(m_action); }
    void BindFormFields();

    QComboBox* TableBox() const { return m_table; }
    ChoiceGrid* Grid() const { return m_grid; }

protected:
    void StoreInto(Action& record) override;
    bool HasTable() const override;

private:
    void FillTables(const QString& current);

    QComboBox* m_table;
    ChoiceGrid* m_grid;
};

} // namespace quillet
