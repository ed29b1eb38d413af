#include "generator/pages/ActionPageSupport.h"

#include "generator/pages/ChoiceGrid.h"
#include "html/FormDiscovery.h"
#include "html/TemplateVariables.h"

#include <QComboBox>
#include <QObject>

namespace quillet {

namespace {

QStringList CriteriaRowLabels(int leadRows, int rows)
{
    QStringList labels;
    if (leadRows > 1)
        labels << QObject::tr("Table:") << QObject::tr("Field:");
    else
        labels << QObject::tr("Value:");
    labels << QObject::tr("Operator:") << QObject::tr("Value:");
    while (labels.size() < rows)
        labels << QObject::tr("or:") << QString();
    return labels.mid(0, rows);
}

} // namespace

QStringList FormReferences(const ActionPageContext& context)
{
    std::vector<std::string> list;
    if (context.page)
        FormVariableList(list, context.page->Nodes(), context.page->formNode);
    return ToQList(list);
}

void FillChoices(QComboBox& box, const QStringList& choices, const QString& current)
{
    QSignalBlocker blocker(&box);
    box.clear();
    box.addItems(choices);
    if (!current.isEmpty() && !choices.contains(current))
        box.addItem(current);
    box.setCurrentIndex(current.isEmpty() ? (choices.isEmpty() ? -1 : 0) : box.findText(current));
}

void FillCriteriaGrid(ChoiceGrid& grid, const CriteriaList& criteria, CriteriaGridShape shape)
{
    GridColumns columns = LoadCriteriaGrid(criteria, shape, grid.rowCount());
    for (int column = 0; column < static_cast<int>(columns.size()) && column < grid.columnCount(); ++column)
        for (int row = 0; row < static_cast<int>(columns[column].size()) && row < grid.rowCount(); ++row)
            grid.SetCellText(row, column, columns[column][row]);
}

GridColumns ReadCriteriaGrid(const ChoiceGrid& grid)
{
    GridColumns columns(static_cast<size_t>(grid.columnCount()));
    for (int column = 0; column < grid.columnCount(); ++column)
        for (int row = 0; row < grid.rowCount(); ++row)
            columns[column].push_back(grid.CellText(row, column));
    return columns;
}

ChoiceGrid* MakeCriteriaGridWidget(int leadRows, int rows, int columns, QWidget* parent)
{
    auto* grid = new ChoiceGrid(rows, columns, parent);
    grid->setVerticalHeaderLabels(CriteriaRowLabels(leadRows, rows));
    QStringList headings;
    for (int column = 1; column <= columns; ++column)
        headings << QString::number(column);
    grid->setHorizontalHeaderLabels(headings);
    grid->valueCell = [leadRows](int row, int) { return row >= leadRows && (row - leadRows) % 2 == 1; };
    return grid;
}

} // namespace quillet
