#include "ui/pages/GridWidget.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
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
        setColumnWidth(column, std::max(widths[column] * logicalDpiX() / 96, HeadingWidth(column)));
    horizontalHeader()->setStretchLastSection(true);
}

// A heading is never cut: the column is at least as wide as its text.
int GridWidget::HeadingWidth(int column) const
{
    QString text = model()->headerData(column, Qt::Horizontal).toString();
    QHeaderView* header = horizontalHeader();
    return header->fontMetrics().horizontalAdvance(text) +
           2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 8;
}

QSize GridWidget::sizeHint() const
{
    return WideEnoughForColumns(*this, QTableWidget::sizeHint());
}

QSize WideEnoughForColumns(const QTableView& table, QSize hint)
{
    int width = 2 * table.frameWidth() + table.verticalScrollBar()->sizeHint().width() +
                (table.verticalHeader()->isVisible() ? table.verticalHeader()->width() : 0);
    for (int column = 0; column < table.model()->columnCount(); ++column)
        width += table.isColumnHidden(column) ? 0 : table.columnWidth(column);
    int room = table.screen() ? table.screen()->availableSize().width() * 9 / 10 : width;
    hint.setWidth(std::max(hint.width(), std::min(width, room)));
    return hint;
}

void GridWidget::SetColumnKind(int column, CellKind kind, const QStringList& choices)
{
    if (column < 0 || column >= m_kinds.size())
        return;
    m_kinds[column] = kind;
    m_choices[column] = choices;
    if (kind == CellKind::DropDown || kind == CellKind::EditableDropDown) {
        QComboBox sample;
        sample.addItems(choices);
        // The editor sits inside the cell's grid lines.
        setColumnWidth(column, std::max(columnWidth(column), sample.minimumSizeHint().width() + 4));
    }
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
