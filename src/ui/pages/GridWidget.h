#pragma once

#include <QStringList>
#include <QTableWidget>

namespace quillet {

// A table whose columns each hold one kind of cell; the horizontal header is
// the grid's heading row.
class GridWidget : public QTableWidget {
    Q_OBJECT
public:
    enum class CellKind { Text, Digits, DropDown, EditableDropDown, ReadOnly };

    explicit GridWidget(QWidget* parent = nullptr);

    // Headings with their widths in pixels at 100% scaling; no column is
    // narrower than its heading.
    void SetColumns(const QStringList& headings, const QList<int>& widths);
    void SetColumnKind(int column, CellKind kind, const QStringList& choices = {});
    CellKind ColumnKind(int column) const;
    QStringList Choices(int column) const;

    void SetText(int row, int column, const QString& text);
    QString Text(int row, int column) const;
    // Rows counted the way the grid itself counts them, heading row included.
    int RowCountWithHeading() const { return rowCount() + 1; }
    QSize sizeHint() const override;

private:
    int HeadingWidth(int column) const;

    QList<CellKind> m_kinds;
    QList<QStringList> m_choices;
};

// hint made wide enough for every column of table, up to most of the screen,
// so that a dialog opens showing all its columns.
QSize WideEnoughForColumns(const QTableView& table, QSize hint);

} // namespace quillet
