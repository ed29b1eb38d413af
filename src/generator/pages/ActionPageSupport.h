#pragma once

#include "generator/CriteriaGrid.h"
#include "project/pages/ActionPages.h"

#include <QStringList>
#include <string_view>

class QComboBox;
class QWidget;

namespace quillet {

class ChoiceGrid;

// "$FORM{'name'}[0]" for every named field of the action's form, the choices of value cells.
QStringList FormReferences(const ActionPageContext& context);

// Fills a drop-down with choices and selects current, adding it when a stored
// name is no longer among them so that nothing is lost by opening the page.
void FillChoices(QComboBox& box, const QStringList& choices, const QString& current);

template <typename Texts>
QStringList TextChoices(const Texts& texts)
{
    QStringList list;
    for (std::string_view text : texts)
        list << QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return list;
}

// A criteria grid: one criterion per column, the rows labelled from the top
// with the lead rows, "Operator:", "Value:", then "or:" pairs.
ChoiceGrid* MakeCriteriaGridWidget(int leadRows, int rows, int columns, QWidget* parent);
GridColumns ReadCriteriaGrid(const ChoiceGrid& grid);
void FillCriteriaGrid(ChoiceGrid& grid, const CriteriaList& criteria, CriteriaGridShape shape);

} // namespace quillet
