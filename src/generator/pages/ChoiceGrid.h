#pragma once

#include <QStringList>
#include <QTableWidget>
#include <functional>
#include <string>

namespace quillet {

inline QString ToQ(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQ(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QStringList ToQList(const std::vector<std::string>& texts);

// A grid whose cells each follow a rule of their own: the criteria grids lay
// their kinds out by row, the record grids by column, and the field choices of
// a cell depend on the table chosen beside it.
class ChoiceGrid : public QTableWidget {
    Q_OBJECT
public:
    enum class Kind { Text, List, EditableList, ReadOnly };
    struct CellRule {
        Kind kind = Kind::Text;
        QStringList choices;
    };

    ChoiceGrid(int rows, int columns, QWidget* parent = nullptr);

    QString Text(int row, int column) const;
    std::string CellText(int row, int column) const { return FromQ(Text(row, column)); }
    void SetText(int row, int column, const QString& text);
    void SetCellText(int row, int column, const std::string& text) { SetText(row, column, ToQ(text)); }
    void ClearTexts();

    // The rule of a cell; Text when none is set.
    std::function<CellRule(int row, int column)> rule;
    // Rows painted with a tint, for the alternating "or:" pairs.
    std::function<bool(int row)> tinted;
    // Asked before a cell is edited; false refuses the edit (the caller has said why).
    std::function<bool(int row, int column)> mayEdit;
    // Cells holding values: a Perl expression among them is shown in italics, and
    // every one tells in its tooltip whether it is Perl or text stored as typed.
    std::function<bool(int row, int column)> valueCell;

    CellRule RuleAt(int row, int column) const;
    QSize sizeHint() const override;
};

} // namespace quillet
