#include "generator/pages/QueryReportDialog.h"

#include "html/FormDiscovery.h"
#include "html/HtmlWriter.h"
#include "html/pages/TemplateEditor.h"
#include "project/Messages.h"
#include "project/Prompter.h"
#include "ui/pages/QtPrompter.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {

namespace {

// The dialog shows at least this much room to design in.
constexpr int kShownRows = 12;
constexpr int kShownColumns = 8;

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QFont CellFont(const ReportFont& font, const QFont& base)
{
    QFont shown = base;
    if (!font.face.empty())
        shown.setFamily(Local(font.face));
    if (font.points > 0)
        shown.setPointSize(font.points);
    shown.setBold(font.bold);
    shown.setItalic(font.italic);
    shown.setUnderline(font.underline);
    shown.setStrikeOut(font.strikeOut);
    return shown;
}

Qt::Alignment CellAlignment(const ReportCell& cell)
{
    Qt::Alignment align = cell.align == HorizontalAlign::Center  ? Qt::AlignHCenter
                          : cell.align == HorizontalAlign::Right ? Qt::AlignRight
                                                                 : Qt::AlignLeft;
    return align | (cell.valign == VerticalAlign::Middle   ? Qt::AlignVCenter
                    : cell.valign == VerticalAlign::Bottom ? Qt::AlignBottom
                                                           : Qt::AlignTop);
}

std::string ColorText(const QColor& color)
{
    return color.isValid() ? Bytes(color.name(QColor::HexRgb)) : std::string();
}

} // namespace

QueryReportDialog::QueryReportDialog(const ReportContext& context, ReportGrid grid, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_context(context), m_grid(std::move(grid)), m_prompter(prompter)
{
    setWindowTitle(tr("Query Report"));
    BuildLayout();
    ShowGrid();
}

void QueryReportDialog::BuildLayout()
{
    m_table = new QTableWidget(this);
    m_table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_data = new QComboBox(this);
    for (const ReportQuery& query : m_context.queries)
        m_data->addItem(Local(query.name));
    m_data->addItem(QStringLiteral("FORM"));
    auto* dataLabel = new QLabel(tr("&Data:"), this);
    dataLabel->setBuddy(m_data);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(dataLabel);
    top->addWidget(m_data, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(BuildCommands());
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(760, 520);
}

namespace {

using CommandList = std::vector<std::pair<QString, std::function<void()>>>;

QToolButton* MenuButton(QWidget* parent, const QString& text, const CommandList& items)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(QString(text).remove('&'));
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    for (const auto& [label, run] : items)
        QObject::connect(menu->addAction(label), &QAction::triggered, parent, run);
    button->setMenu(menu);
    return button;
}

} // namespace

QWidget* QueryReportDialog::BuildCommands()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto addMenu = [this, row](const QString& text, const CommandList& items) {
        row->addWidget(MenuButton(this, text, items));
    };
    auto both = [this](auto command) {
        return CommandList{{tr("Across"), [this, command] { (this->*command)(Direction::Across); }},
                           {tr("Down"), [this, command] { (this->*command)(Direction::Down); }}};
    };
    addMenu(tr("Insert &Values"), both(&QueryReportDialog::InsertValuesCommand));
    addMenu(tr("Insert &Names"), both(&QueryReportDialog::InsertNamesCommand));
    addMenu(tr("Insert &Index"), both(&QueryReportDialog::InsertIndexCommand));
    addMenu(tr("&Repeat"), both(&QueryReportDialog::RepeatCommand));
    addMenu(tr("&Paging Link"), {{tr("First"), [this] { PagingCommand(PagingLink::First); }},
                                 {tr("Previous"), [this] { PagingCommand(PagingLink::Previous); }},
                                 {tr("Next"), [this] { PagingCommand(PagingLink::Next); }},
                                 {tr("Last"), [this] { PagingCommand(PagingLink::Last); }}});
    addMenu(tr("&Format"), {{tr("Font..."), [this] { FontCommand(); }},
                            {tr("Background Color..."), [this] { BackgroundCommand(); }},
                            {tr("Align Left"), [this] { AlignCommand(HorizontalAlign::Left); }},
                            {tr("Align Center"), [this] { AlignCommand(HorizontalAlign::Center); }},
                            {tr("Align Right"), [this] { AlignCommand(HorizontalAlign::Right); }},
                            {tr("Align Top"), [this] { VerticalAlignCommand(VerticalAlign::Top); }},
                            {tr("Align Middle"), [this] { VerticalAlignCommand(VerticalAlign::Middle); }},
                            {tr("Align Bottom"), [this] { VerticalAlignCommand(VerticalAlign::Bottom); }},
                            {tr("Merge Cells"), [this] { MergeCommand(); }},
                            {tr("Split Cells"), [this] { SplitCommand(); }}});
    auto* width = new QPushButton(tr("Cell &Width"), this);
    connect(width, &QPushButton::clicked, this, &QueryReportDialog::CellWidthCommand);
    auto* table = new QPushButton(tr("&Edit Table"), this);
    connect(table, &QPushButton::clicked, this, &QueryReportDialog::EditTableCommand);
    row->addWidget(width);
    row->addWidget(table);
    row->addStretch(1);
    return bar;
}

void QueryReportDialog::ShowGrid()
{
    const int currentRow = std::max(m_table->currentRow(), 0);
    const int currentColumn = std::max(m_table->currentColumn(), 0);
    const QList<QTableWidgetSelectionRange> selected = m_table->selectedRanges();
    m_grid.Grow(kShownRows, kShownColumns);
    m_table->clearSpans();
    m_table->clear();
    m_table->setRowCount(m_grid.Rows());
    m_table->setColumnCount(m_grid.Columns());
    for (int r = 0; r < m_grid.Rows(); ++r)
        for (int c = 0; c < m_grid.Columns(); ++c) {
            if (m_grid.IsCovered(r, c))
                continue;
            const ReportCell& cell = m_grid.Cell(r, c);
            auto* item = new QTableWidgetItem(Local(cell.text));
            item->setFont(CellFont(cell.font, m_table->font()));
            item->setTextAlignment(CellAlignment(cell));
            if (!cell.font.color.empty())
                item->setForeground(QColor(Local(cell.font.color)));
            if (!cell.background.empty())
                item->setBackground(QColor(Local(cell.background)));
            m_table->setItem(r, c, item);
            if (cell.rowSpan > 1 || cell.colSpan > 1)
                m_table->setSpan(r, c, cell.rowSpan, cell.colSpan);
        }
    for (int c = 0; c < m_grid.Columns(); ++c)
        m_table->setColumnWidth(c, m_grid.ColumnWidth(c) > 0 ? m_grid.ColumnWidth(c)
                                                             : m_table->horizontalHeader()->defaultSectionSize());
    m_table->setCurrentCell(std::min(currentRow, m_grid.Rows() - 1), std::min(currentColumn, m_grid.Columns() - 1));
    // Formatting one selection several times in a row is the common case.
    for (const QTableWidgetSelectionRange& range : selected)
        m_table->setRangeSelected(range, true);
}

void QueryReportDialog::TakeTexts()
{
    for (int r = 0; r < m_grid.Rows() && r < m_table->rowCount(); ++r)
        for (int c = 0; c < m_grid.Columns() && c < m_table->columnCount(); ++c)
            if (QTableWidgetItem* item = m_table->item(r, c); item && !m_grid.IsCovered(r, c))
                m_grid.Cell(r, c).text = Bytes(item->text());
}

ReportGrid QueryReportDialog::Grid()
{
    TakeTexts();
    return m_grid;
}

int QueryReportDialog::DataObject() const
{
    return m_data->currentIndex();
}

CellRange QueryReportDialog::Selection() const
{
    const QList<QTableWidgetSelectionRange> ranges = m_table->selectedRanges();
    if (ranges.isEmpty()) {
        const int row = std::max(m_table->currentRow(), 0);
        const int column = std::max(m_table->currentColumn(), 0);
        return {row, column, row, column};
    }
    const QTableWidgetSelectionRange& range = ranges.front();
    return {range.topRow(), range.leftColumn(), range.bottomRow(), range.rightColumn()};
}

template <typename Apply>
void QueryReportDialog::ForSelected(Apply apply)
{
    TakeTexts();
    const CellRange range = Selection();
    for (int r = range.top; r <= range.bottom; ++r)
        for (int c = range.left; c <= range.right; ++c)
            if (!m_grid.IsCovered(r, c))
                apply(m_grid.Cell(r, c));
    ShowGrid();
}

void QueryReportDialog::InsertValuesCommand(Direction direction)
{
    TakeTexts();
    if (InsertValues(m_grid, m_context, DataObject(), Selection().top, Selection().left, direction, m_prompter))
        ShowGrid();
}

void QueryReportDialog::InsertNamesCommand(Direction direction)
{
    TakeTexts();
    if (InsertNames(m_grid, m_context, DataObject(), Selection().top, Selection().left, direction, m_prompter))
        ShowGrid();
}

void QueryReportDialog::InsertIndexCommand(Direction direction)
{
    TakeTexts();
    if (InsertIndex(m_grid, m_context, DataObject(), Selection().top, Selection().left, direction, m_prompter))
        ShowGrid();
}

void QueryReportDialog::RepeatCommand(Direction direction)
{
    TakeTexts();
    const CellRange copy = RepeatCells(m_grid, m_context, Selection(), direction);
    ShowGrid();
    m_table->clearSelection();
    m_table->setCurrentCell(copy.top, copy.left);
    m_table->setRangeSelected(QTableWidgetSelectionRange(copy.top, copy.left, copy.bottom, copy.right), true);
}

void QueryReportDialog::PagingCommand(PagingLink link)
{
    TakeTexts();
    if (InsertPagingLink(m_grid, m_context, DataObject(), Selection().top, Selection().left, link, m_prompter))
        ShowGrid();
}

void QueryReportDialog::MergeCommand()
{
    TakeTexts();
    const CellRange range = Selection();
    m_grid.SetSpan(range.top, range.left, range.bottom - range.top + 1, range.right - range.left + 1);
    ShowGrid();
}

void QueryReportDialog::SplitCommand()
{
    TakeTexts();
    auto [row, column] = m_grid.Anchor(Selection().top, Selection().left);
    m_grid.SetSpan(row, column, 1, 1);
    ShowGrid();
}

void QueryReportDialog::CellWidthCommand()
{
    TakeTexts();
    const CellRange range = Selection();
    const int shown = range.left == range.right ? m_grid.ColumnWidth(range.left) : 0;
    std::optional<int> width = AskWidth(shown);
    if (!width)
        return;
    for (int c = range.left; c <= range.right; ++c)
        m_grid.SetColumnWidth(c, *width);
    ShowGrid();
}

void QueryReportDialog::FontCommand()
{
    TakeTexts();
    const CellRange range = Selection();
    const bool single = range.top == range.bottom && range.left == range.right;
    ReportFont start = single ? m_grid.Cell(range.top, range.left).font : ReportFont{};
    std::optional<ReportFont> font = AskFont(start);
    if (font)
        ForSelected([&font](ReportCell& cell) { cell.font = *font; });
}

void QueryReportDialog::BackgroundCommand()
{
    TakeTexts();
    const CellRange range = Selection();
    const bool single = range.top == range.bottom && range.left == range.right;
    std::optional<std::string> color = AskColor(single ? m_grid.Cell(range.top, range.left).background : "");
    if (color)
        ForSelected([&color](ReportCell& cell) { cell.background = *color; });
}

void QueryReportDialog::AlignCommand(HorizontalAlign align)
{
    ForSelected([align](ReportCell& cell) { cell.align = align; });
}

void QueryReportDialog::VerticalAlignCommand(VerticalAlign align)
{
    ForSelected([align](ReportCell& cell) { cell.valign = align; });
}

void QueryReportDialog::EditTableCommand()
{
    TakeTexts();
    if (AskTable(m_grid.Table()))
        ShowGrid();
}

std::optional<int> QueryReportDialog::AskWidth(int shown)
{
    bool ok = false;
    const int width = QInputDialog::getInt(this, tr("Cell Width"), tr("Width:"), shown, 0, 4000, 1, &ok);
    return ok ? std::optional<int>(width) : std::nullopt;
}

std::optional<ReportFont> QueryReportDialog::AskFont(const ReportFont& start)
{
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, CellFont(start, m_table->font()), this, tr("Font"));
    if (!ok)
        return std::nullopt;
    QColor color = QColorDialog::getColor(start.color.empty() ? QColor(Qt::black) : QColor(Local(start.color)), this,
                                          tr("Font Color"));
    ReportFont font{Bytes(chosen.family()), std::max(chosen.pointSize(), 0),
                    ColorText(color),       chosen.bold(),
                    chosen.italic(),        chosen.underline(),
                    chosen.strikeOut()};
    if (!color.isValid())
        font.color = start.color;
    return font;
}

std::optional<std::string> QueryReportDialog::AskColor(const std::string& start)
{
    QColor color =
        QColorDialog::getColor(start.empty() ? QColor(Qt::white) : QColor(Local(start)), this, tr("Background Color"));
    return color.isValid() ? std::optional<std::string>(ColorText(color)) : std::nullopt;
}

bool QueryReportDialog::AskTable(ReportTableProperties& table)
{
    TablePropertyDialog dialog(table, this);
    return dialog.exec() == QDialog::Accepted && (dialog.Store(table), true);
}

TablePropertyDialog::TablePropertyDialog(const ReportTableProperties& table, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Table Property"));
    auto spin = [this](std::optional<int> value) {
        auto* box = new QSpinBox(this);
        box->setRange(0, 1000);
        box->setValue(value.value_or(0));
        return box;
    };
    m_border = spin(table.border);
    m_spacing = spin(table.cellSpacing);
    m_padding = spin(table.cellPadding);
    m_color = QColor(Local(table.background.empty() ? "#ffffff" : table.background));
    m_colorButton = new QPushButton(m_color.name(), this);
    connect(m_colorButton, &QPushButton::clicked, this, [this] {
        QColor color = QColorDialog::getColor(m_color, this, tr("Background Color"));
        if (color.isValid()) {
            m_color = color;
            m_colorButton->setText(color.name());
        }
    });
    m_image = new QLineEdit(this);
    auto* form = new QFormLayout;
    form->addRow(tr("&Border width:"), m_border);
    form->addRow(tr("Cell &spacing:"), m_spacing);
    form->addRow(tr("Cell &padding:"), m_padding);
    form->addRow(tr("Background &color:"), m_colorButton);
    form->addRow(tr("Background &image:"), m_image);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TablePropertyDialog::Store(ReportTableProperties& table) const
{
    table.border = m_border->value();
    table.cellSpacing = m_spacing->value();
    table.cellPadding = m_padding->value();
    table.background = ColorText(m_color);
}

DesignOutcome DesignQueryReport(QWidget* parent, const ReportContext& context, std::string& editorText, int caret,
                                Prompter& prompter)
{
    QueryReportDialog dialog(context, LoadReport(editorText), prompter, parent);
    if (dialog.exec() != QDialog::Accepted)
        return DesignOutcome::Cancelled;
    const ReportGrid grid = dialog.Grid();
    if (!FindReport(editorText) && IsEmptyReport(grid))
        return DesignOutcome::Empty;
    if (StoreReport(editorText, static_cast<size_t>(std::max(caret, 0)), grid, context))
        return DesignOutcome::Written;
    prompter.Show(FormatMessage(Msg::ReportNotPlaced));
    return DesignOutcome::Cancelled;
}

bool RunQueryReportDesigner(QWidget* parent, const ReportContext& context, std::string& editorText, int caret,
                            Prompter& prompter)
{
    return DesignQueryReport(parent, context, editorText, caret, prompter) == DesignOutcome::Written;
}

} // namespace quillet

namespace quillet {

void InstallQueryReportDesigner()
{
    TemplateEditor::SetReportDesigner([](TemplateEditor& editor, std::string& text, int caret) {
        ReportContext context = editor.Actions() ? MakeReportContext(*editor.Actions()) : ReportContext{};
        context.handlerName = editor.HandlerName();
        LoadedPage* page = editor.Page();
        if (page && page->Nodes() && page->formNode)
            ReadFormForReport(context, WriteHtmlString(*page->Nodes()), AttrValue(**page->formNode, "name"));
        const QString shown = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
        const int caretBytes = static_cast<int>(shown.left(caret).toLocal8Bit().size());
        QtPrompter prompter;
        // An empty design on a template without a report asks for the default
        // report; a cancelled one changes nothing.
        return DesignQueryReport(&editor, context, text, caretBytes, prompter) != DesignOutcome::Empty;
    });
}

} // namespace quillet
