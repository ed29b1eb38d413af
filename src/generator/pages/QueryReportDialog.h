#pragma once

#include "generator/QueryReport.h"

#include <QColor>
#include <QDialog>
#include <optional>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace quillet {

class Prompter;

// Opens the "Query Report" designer on the report of editorText (a response
// template), creating the report at caret when it has none. On OK the template
// text holds the written report and true is returned.
bool RunQueryReportDesigner(QWidget* parent, const ReportContext& context, std::string& editorText, int caret,
                            Prompter& prompter);

enum class DesignOutcome { Written, Cancelled, Empty };
// The same, telling apart a cancelled dialog and an empty grid on a template
// that has no report yet (where the default report fits better).
DesignOutcome DesignQueryReport(QWidget* parent, const ReportContext& context, std::string& editorText, int caret,
                                Prompter& prompter);

// Makes "Insert Query Report" of every template editor open the designer; an
// empty design on a template without a report inserts the default reports.
void InstallQueryReportDesigner();

// The "Query Report" dialog: the grid, the "Data:" list and the commands.
class QueryReportDialog : public QDialog {
    Q_OBJECT
public:
    QueryReportDialog(const ReportContext& context, ReportGrid grid, Prompter& prompter, QWidget* parent = nullptr);

    // The grid as the user left it, cell texts and layout taken from the table.
    ReportGrid Grid();
    QTableWidget* Table() const { return m_table; }
    QComboBox* DataList() const { return m_data; }

    void InsertValuesCommand(Direction direction);
    void InsertNamesCommand(Direction direction);
    void InsertIndexCommand(Direction direction);
    void RepeatCommand(Direction direction);
    void PagingCommand(PagingLink link);
    void EditTableCommand();
    void CellWidthCommand();
    void FontCommand();
    void BackgroundCommand();
    void AlignCommand(HorizontalAlign align);
    void VerticalAlignCommand(VerticalAlign align);
    void MergeCommand();
    void SplitCommand();

protected:
    // The choosers; tests answer them without a modal dialog. None means cancelled.
    virtual std::optional<int> AskWidth(int shown);
    virtual std::optional<ReportFont> AskFont(const ReportFont& start);
    virtual std::optional<std::string> AskColor(const std::string& start);
    virtual bool AskTable(ReportTableProperties& table);

private:
    void BuildLayout();
    QWidget* BuildCommands();
    void ShowGrid();
    void TakeTexts();
    int DataObject() const;
    CellRange Selection() const;
    template <typename Apply>
    void ForSelected(Apply apply);

    const ReportContext& m_context;
    ReportGrid m_grid;
    Prompter& m_prompter;
    QTableWidget* m_table = nullptr;
    QComboBox* m_data = nullptr;
};

// The "Table Property" sheet of "Edit Table". The background image is offered but
// not written into the table.
class TablePropertyDialog : public QDialog {
    Q_OBJECT
public:
    TablePropertyDialog(const ReportTableProperties& table, QWidget* parent = nullptr);
    void Store(ReportTableProperties& table) const;

private:
    QSpinBox* m_border;
    QSpinBox* m_spacing;
    QSpinBox* m_padding;
    QColor m_color;
    QPushButton* m_colorButton;
    QLineEdit* m_image;
};

} // namespace quillet
