#include "html/pages/FieldPropertyDialogs.h"

#include "html/FormFields.h"
#include "ui/pages/GridWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <set>

namespace quillet {

namespace {

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}

std::string Bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QLineEdit* Box(const std::string& text, const QString& tip, QWidget* parent)
{
    auto* box = new QLineEdit(Local(text), parent);
    box->setToolTip(tip);
    return box;
}

QDialogButtonBox* OkCancel(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

const std::pair<InputButton, const char*> kTypeTexts[] = {
    {InputButton::TextBox, "Text box"},
    {InputButton::PasswordBox, "Password box"},
    {InputButton::HiddenTextBox, "Hidden text Box"},
    {InputButton::SubmitButton, "Submit button"},
    {InputButton::ResetButton, "Reset button"},
    {InputButton::ImageButton, "Image button"},
    {InputButton::RadioButton, "Radio button"},
    {InputButton::CheckBox, "Check box"},
    {InputButton::FileUploadBox, "File upload box"},
};

} // namespace

InputControlDialog::InputControlDialog(HtmlNode& input, QWidget* parent)
    : QDialog(parent), m_input(input), m_values(ReadInputControl(input))
{
    setWindowTitle(tr("Input Control"));
    QGroupBox* typeBox = BuildTypeButtons();
    m_name = Box(m_values.name, tr("Field name"), this);
    m_maxLength = Box(m_values.maxLength, tr("Maximum data length"), this);
    m_size = Box(m_values.size, tr("Field size"), this);
    m_value = Box(m_values.value, tr("Default field value"), this);
    m_altText = Box(m_values.altText, tr("Alternative text for image button"), this);
    m_imageUrl = Box(m_values.imageUrl, tr("Image URL"), this);
    m_state = new QComboBox(this);
    m_state->setEditable(true);
    m_state->addItems({"", "CHECKED"});
    m_state->setCurrentText(Local(m_values.state));
    m_default = new QCheckBox(tr("Default Button"), this);
    m_default->setChecked(m_values.defaultButton);
    m_default->hide();

    auto* form = new QFormLayout;
    form->addRow(tr("&Name:"), m_name);
    form->addRow(tr("&Maximum Length:"), m_maxLength);
    form->addRow(tr("&Size:"), m_size);
    form->addRow(tr("&Value:"), m_value);
    form->addRow(tr("S&tate:"), m_state);
    form->addRow(tr("&Alternative Text:"), m_altText);
    form->addRow(tr("&Image URL:"), m_imageUrl);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(typeBox);
    layout->addLayout(form);
    layout->addWidget(m_default);
    layout->addWidget(OkCancel(this));
    m_state->setEnabled(InputStateEnabled(m_values.pressed));
    m_altText->setEnabled(InputImageFieldsEnabled(m_values.pressed));
    m_imageUrl->setEnabled(InputImageFieldsEnabled(m_values.pressed));
}

QGroupBox* InputControlDialog::BuildTypeButtons()
{
    auto* typeBox = new QGroupBox(this);
    auto* typeLayout = new QGridLayout(typeBox);
    int shownIndex = 0;
    for (const auto& [button, text] : kTypeTexts) {
        auto* radio = new QRadioButton(tr(text), typeBox);
        m_types[button] = radio;
        bool shown = std::find(m_values.shown.begin(), m_values.shown.end(), button) != m_values.shown.end();
        radio->setVisible(shown);
        if (shown) {
            typeLayout->addWidget(radio, shownIndex / 3, shownIndex % 3);
            ++shownIndex;
        }
        radio->setChecked(button == m_values.pressed);
        connect(radio, &QRadioButton::clicked, this, [this, b = button] { OnTypePressed(b); });
    }
    return typeBox;
}

void InputControlDialog::OnTypePressed(InputButton button)
{
    m_values.pressed = button;
    if (button != InputButton::PasswordBox) {
        m_altText->setEnabled(InputImageFieldsEnabled(button));
        m_imageUrl->setEnabled(InputImageFieldsEnabled(button));
    }
}

void InputControlDialog::accept()
{
    m_values.name = Bytes(m_name->text());
    m_values.maxLength = Bytes(m_maxLength->text());
    m_values.size = Bytes(m_size->text());
    m_values.value = Bytes(m_value->text());
    m_values.altText = Bytes(m_altText->text());
    m_values.imageUrl = Bytes(m_imageUrl->text());
    m_values.state = Bytes(m_state->currentText());
    m_values.defaultButton = m_default->isChecked();
    WriteInputControl(m_input, m_values);
    QDialog::accept();
}

ListBoxDialog::ListBoxDialog(HtmlPage& nodes, HtmlIter select, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_editor(nodes, select), m_prompter(prompter)
{
    setWindowTitle(tr("List Box"));
    m_name = Box(m_editor.name, tr("Field name"), this);
    m_size = Box(m_editor.size, tr("Field size"), this);
    m_multiple = new QRadioButton(tr("&Multiple choice list Box"), this);
    m_dropDown = new QRadioButton(tr("&Drop-down list"), this);
    (m_editor.multiple ? m_multiple : m_dropDown)->setChecked(true);
    m_grid = new GridWidget(this);
    m_grid->SetColumns({tr("Text"), tr("Value"), tr("State")}, {160, 100, 80});
    m_grid->SetColumnKind(2, GridWidget::CellKind::ReadOnly);
    auto* add = new QPushButton(tr("&Add"), this);
    add->setToolTip(tr("Add a list item"));
    auto* remove = new QPushButton(tr("D&elete"), this);
    remove->setToolTip(tr("Delete a list item"));
    auto* setDefault = new QPushButton(tr("De&fault"), this);
    setDefault->setToolTip(tr("Set default choice"));
    connect(add, &QPushButton::clicked, this, &ListBoxDialog::AddItem);
    connect(remove, &QPushButton::clicked, this, &ListBoxDialog::DeleteItems);
    connect(setDefault, &QPushButton::clicked, this, &ListBoxDialog::SetDefault);

    auto* form = new QFormLayout;
    form->addRow(tr("&Name:"), m_name);
    form->addRow(tr("&Size:"), m_size);
    auto* kinds = new QHBoxLayout;
    kinds->addWidget(m_multiple);
    kinds->addWidget(m_dropDown);
    auto* commands = new QHBoxLayout;
    commands->addWidget(add);
    commands->addWidget(remove);
    commands->addWidget(setDefault);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(kinds);
    layout->addWidget(new QLabel(tr("List of Choices:"), this));
    layout->addWidget(m_grid);
    layout->addLayout(commands);
    layout->addWidget(OkCancel(this));
    FillGrid();
}

void ListBoxDialog::FillGrid()
{
    m_grid->setRowCount(static_cast<int>(m_editor.rows.size()));
    for (size_t i = 0; i < m_editor.rows.size(); ++i) {
        const ListBoxRow& row = m_editor.rows[i];
        m_grid->SetText(static_cast<int>(i), 0, Local(row.text));
        m_grid->SetText(static_cast<int>(i), 1, Local(row.value));
        m_grid->SetText(static_cast<int>(i), 2, row.selected ? "SELECTED" : "");
    }
}

void ListBoxDialog::AddItem()
{
    // Edited texts of the grid must survive the refill.
    for (size_t i = 0; i < m_editor.rows.size(); ++i) {
        m_editor.rows[i].text = Bytes(m_grid->Text(static_cast<int>(i), 0));
        m_editor.rows[i].value = Bytes(m_grid->Text(static_cast<int>(i), 1));
    }
    m_editor.AddItem();
    FillGrid();
}

void ListBoxDialog::DeleteItems()
{
    std::set<size_t> rows;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedIndexes())
        rows.insert(static_cast<size_t>(index.row()));
    m_editor.DeleteRows({rows.begin(), rows.end()});
    FillGrid();
}

void ListBoxDialog::SetDefault()
{
    std::optional<size_t> row;
    if (m_grid->currentRow() >= 0 && !m_grid->selectionModel()->selectedIndexes().isEmpty())
        row = static_cast<size_t>(m_grid->currentRow());
    if (!m_editor.SetDefault(row, m_prompter))
        return;
    for (size_t i = 0; i < m_editor.rows.size(); ++i)
        m_grid->SetText(static_cast<int>(i), 2, m_editor.rows[i].selected ? "SELECTED" : "");
}

void ListBoxDialog::accept()
{
    m_editor.name = Bytes(m_name->text());
    m_editor.size = Bytes(m_size->text());
    m_editor.multiple = m_multiple->isChecked();
    for (size_t i = 0; i < m_editor.rows.size(); ++i) {
        m_editor.rows[i].text = Bytes(m_grid->Text(static_cast<int>(i), 0));
        m_editor.rows[i].value = Bytes(m_grid->Text(static_cast<int>(i), 1));
    }
    m_editor.Write();
    QDialog::accept();
}

TextAreaDialog::TextAreaDialog(HtmlPage& nodes, HtmlIter area, QWidget* parent)
    : QDialog(parent), m_nodes(nodes), m_area(area)
{
    setWindowTitle(tr("Text Area"));
    TextAreaValues values = ReadTextArea(nodes, area);
    m_name = Box(values.name, tr("Field name"), this);
    m_maxLength = Box(values.maxLength, tr("Maximum data length"), this);
    m_rows = Box(values.rows, tr("Number of lines in a text box"), this);
    m_cols = Box(values.cols, tr("Maximum number of characters per line"), this);
    m_default = new QPlainTextEdit(Local(values.defaultValue), this);
    m_default->setToolTip(tr("Default field value"));
    auto* form = new QFormLayout;
    form->addRow(tr("&Name:"), m_name);
    form->addRow(tr("&Maximum Length:"), m_maxLength);
    form->addRow(tr("&Rows:"), m_rows);
    form->addRow(tr("&Columns:"), m_cols);
    form->addRow(tr("&Default Value:"), m_default);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

void TextAreaDialog::accept()
{
    WriteTextArea(m_nodes, m_area,
                  {Bytes(m_name->text()), Bytes(m_maxLength->text()), Bytes(m_rows->text()), Bytes(m_cols->text()),
                   Bytes(m_default->toPlainText())});
    QDialog::accept();
}

bool RunFieldDialog(HtmlPage& nodes, Prompter& prompter, QWidget* parent)
{
    if (nodes.empty())
        return false;
    HtmlIter start = nodes.begin();
    if (EqualsNoCase(start->Name(), "select"))
        return ListBoxDialog(nodes, start, prompter, parent).exec() == QDialog::Accepted;
    if (EqualsNoCase(start->Name(), "textarea"))
        return TextAreaDialog(nodes, start, parent).exec() == QDialog::Accepted;
    return InputControlDialog(*start, parent).exec() == QDialog::Accepted;
}

} // namespace quillet
