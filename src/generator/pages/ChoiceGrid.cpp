#include "generator/pages/ChoiceGrid.h"

#include "generator/PerlValue.h"
#include "ui/pages/GridWidget.h"

#include <QComboBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace quillet {

namespace {

class ChoiceDelegate : public QStyledItemDelegate {
public:
    explicit ChoiceDelegate(ChoiceGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (m_grid->mayEdit && !m_grid->mayEdit(index.row(), index.column()))
            return nullptr;
        ChoiceGrid::CellRule rule = m_grid->RuleAt(index.row(), index.column());
        if (rule.kind == ChoiceGrid::Kind::ReadOnly)
            return nullptr;
        if (rule.kind == ChoiceGrid::Kind::Text)
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto* box = new QComboBox(parent);
        box->setEditable(rule.kind == ChoiceGrid::Kind::EditableList);
        box->addItem(QString());
        box->addItems(rule.choices);
        return box;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor))
            box->setCurrentText(index.data().toString());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor))
            model->setData(index, box->currentText());
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (m_grid->tinted && m_grid->tinted(index.row()))
            painter->fillRect(option.rect, QColor(255, 255, 204));
        QStyleOptionViewItem shown = option;
        if (IsValue(index) && IsPerlExpression(FromQ(index.data().toString())))
            shown.font.setItalic(true);
        QStyledItemDelegate::paint(painter, shown, index);
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !IsValue(index))
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QString text = index.data().toString();
        QString hint = text.isEmpty()                  ? QObject::tr("Text is stored as typed; a form variable such as "
                                                                                      "$FORM{'name'}[0], a number, a 'quoted string' or a call is "
                                                                                      "Perl, and so is anything after a leading =.")
                       : IsPerlExpression(FromQ(text)) ? QObject::tr("Perl, worked out when the form is sent")
                                                       : QObject::tr("Text, stored as typed; start with = for Perl");
        QToolTip::showText(event->globalPos(), hint, view);
        return true;
    }

private:
    bool IsValue(const QModelIndex& index) const
    {
        return m_grid->valueCell && m_grid->valueCell(index.row(), index.column());
    }

    ChoiceGrid* m_grid;
};

} // namespace

QStringList ToQList(const std::vector<std::string>& texts)
{
    QStringList list;
    for (const std::string& text : texts)
        list << ToQ(text);
    return list;
}

ChoiceGrid::ChoiceGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent)
{
    setItemDelegate(new ChoiceDelegate(this));
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    horizontalHeader()->setStretchLastSection(true);
}

QSize ChoiceGrid::sizeHint() const
{
    return WideEnoughForColumns(*this, QTableWidget::sizeHint());
}

QString ChoiceGrid::Text(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void ChoiceGrid::SetText(int row, int column, const QString& text)
{
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
    else if (!text.isEmpty())
        setItem(row, column, new QTableWidgetItem(text));
}

void ChoiceGrid::ClearTexts()
{
    clearContents();
}

ChoiceGrid::CellRule ChoiceGrid::RuleAt(int row, int column) const
{
    return rule ? rule(row, column) : CellRule{};
}

} // namespace quillet
