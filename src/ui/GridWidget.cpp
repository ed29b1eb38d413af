#include "ui/GridWidget.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>

namespace quillet {

namespace {

class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(GridWidget* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        switch (m_grid->ColumnKind(index.column())) {
        case GridWidget::CellKind::ReadOnly:
            return nullptr;
        case GridWidget::CellKind::DropDown:
        case GridWidget::CellKind::EditableDropDown: {
            auto* box = new QComboBox(parent);
            box->setEditable(m_grid->ColumnKind(index.column()) == GridWidget::CellKind::EditableDropDown);
            box->addItems(m_grid->Choices(index.column()));
            return box;
        }
        case GridWidget::CellKind::Digits: {
            auto* edit = new QLineEdit(parent);
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
            return edit;
        }
        case GridWidget::CellKind::Text:
            break;
        }
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            box->setCurrentText(index.data().toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, box->currentText());
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    GridWidget* m_grid;
};

} // namespace

GridWidget::GridWidget(QWidget* parent) : QTableWidget(parent)
{
    setItemDelegate(new CellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    verticalHeader()->hide();
}

void GridWidget::SetColumns(const QStringList& headings, const QList<int>& widths)
{
    setColumnCount(static_cast<int>(headings.size()));
    setHorizontalHeaderLabels(headings);
    m_kinds = QList<CellKind>(headings.size(), CellKind::Text);
    m_choices = QList<QStringList>(headings.size());
    for (int column = 0; column < widths.size() && column < headings.size(); ++column)
        setColumnWidth(column, widths[column] * logicalDpiX() / 96);
    horizontalHeader()->setStretchLastSection(true);
}

void GridWidget::SetColumnKind(int column, CellKind kind, const QStringList& choices)
{
    if (column < 0 || column >= m_kinds.size())
        return;
    m_kinds[column] = kind;
    m_choices[column] = choices;
}

GridWidget::CellKind GridWidget::ColumnKind(int column) const
{
    return column >= 0 && column < m_kinds.size() ? m_kinds[column] : CellKind::ReadOnly;
}

QStringList GridWidget::Choices(int column) const
{
    return column >= 0 && column < m_choices.size() ? m_choices[column] : QStringList();
}

void GridWidget::SetText(int row, int column, const QString& text)
{
    auto* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    cell->setText(text);
    if (ColumnKind(column) == CellKind::ReadOnly)
        cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
}

QString GridWidget::Text(int row, int column) const
{
    auto* cell = item(row, column);
    return cell ? cell->text() : QString();
}

} // namespace quillet
