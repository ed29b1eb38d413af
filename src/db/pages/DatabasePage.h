#pragma once

#include "db/DatabaseTab.h"
#include "db/TableDesigner.h"
#include "project/UploadEntry.h"
#include "ui/pages/PropertyPage.h"

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

class GridWidget;
class Prompter;
struct Project;

// The "Database" tab: the project's data sources and their tables in a tree,
// the data source fields or the column grid with its detail panes, and the
// request that creates the tables on the server.
class DatabasePage : public PropertyPage {
    Q_OBJECT
public:
    DatabasePage(Project& project, Prompter& prompter, std::function<std::string()> projectFile,
                 QWidget* parent = nullptr);
    ~DatabasePage() override;

    void Load() override;
    void Store() override;

    void AddDatabase();
    void AddTable();
    void DeleteSelected();
    // "Create/Update tables on the database server"; true when every table was made.
    bool CreateTablesOnServer();

    // Shows the administration script's upload list; tests replace it.
    std::function<void(UploadList&)> uploadStep;

    QTreeWidget* Tree() const { return m_tree; }
    GridWidget* Grid() const { return m_grid; }
    QTabWidget* DetailTabs() const { return m_tabs; }
    QWidget* SourceFields() const { return m_sourceFields; }
    QLineEdit* HostEdit() const { return m_host; }
    QLineEdit* PortEdit() const { return m_port; }
    QLineEdit* DatabaseEdit() const { return m_database; }
    QLineEdit* UserEdit() const { return m_user; }
    QLineEdit* PasswordEdit() const { return m_password; }
    QComboBox* DriverList() const { return m_driver; }
    QPlainTextEdit* DefaultValueEdit() const { return m_default; }
    QComboBox* ValueEdit() const { return m_values; }
    QCheckBox* UnsignedBox() const { return m_unsigned; }
    QCheckBox* ZeroFillBox() const { return m_zeroFill; }
    QCheckBox* PrecisionBox() const { return m_precision; }
    QLineEdit* WidthEdit() const { return m_width; }
    QLineEdit* DecimalsEdit() const { return m_decimals; }

private:
    QWidget* BuildButtons();
    QWidget* BuildServerButton();
    QWidget* BuildSourceFields();
    QWidget* BuildTableView();
    QWidget* BuildValuePane();
    QWidget* BuildNumberPane();
    void FillTree();
    TreeItemRef RefOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOf(TreeItemRef ref) const;
    void SelectAndEdit(QTreeWidgetItem* item);

    void OnSelectionChanged(QTreeWidgetItem* now, QTreeWidgetItem* before);
    void OnLabelChanged(QTreeWidgetItem* item, int column);
    // A label refused by the name rules goes back to the record's name, with the message.
    void RenameLabel(QTreeWidgetItem* item, TreeItemRef ref);
    void Leave(TreeItemRef ref);
    void Enter(TreeItemRef ref);
    void ShowSource(const DataSource& source);
    void ShowTable(const TableDef& table);

    void OnCellChanged(int row, int column);
    void OnCurrentCellChanged(int row, int column, int previousRow, int previousColumn);
    void ShowRow(int row);
    void ShowPanes();
    void ReadPanes();
    void OnPrecisionToggled(bool on);
    void OnDecimalsEdited();

    Project& m_project;
    Prompter& m_prompter;
    std::function<std::string()> m_projectFile;
    TreeItemRef m_current;
    std::unique_ptr<TableGrid> m_tableGrid;
    bool m_filling = false;

    QTreeWidget* m_tree = nullptr;
    QStackedWidget* m_stack = nullptr;
    QWidget* m_sourceFields = nullptr;
    QComboBox* m_driver = nullptr;
    QLineEdit* m_host = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_database = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    GridWidget* m_grid = nullptr;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_defaultLabel = nullptr;
    QPlainTextEdit* m_default = nullptr;
    QWidget* m_valuePane = nullptr;
    QComboBox* m_values = nullptr;
    QWidget* m_numberPane = nullptr;
    QCheckBox* m_unsigned = nullptr;
    QCheckBox* m_zeroFill = nullptr;
    QCheckBox* m_precision = nullptr;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_decimals = nullptr;
};

} // namespace quillet
