#pragma once

#include "html/FieldDialogs.h"

#include <QDialog>
#include <map>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace quillet {

class GridWidget;
class Prompter;

// "Input Control": the type and attributes of one INPUT node.
class InputControlDialog : public QDialog {
    Q_OBJECT
public:
    InputControlDialog(HtmlNode& input, QWidget* parent = nullptr);
    // OK writes the controls into the node.
    void accept() override;

    QRadioButton* TypeButton(InputButton button) const { return m_types.at(button); }
    QLineEdit* NameBox() const { return m_name; }
    QLineEdit* ValueBox() const { return m_value; }
    QComboBox* StateBox() const { return m_state; }
    QLineEdit* ImageUrlBox() const { return m_imageUrl; }

private:
    QGroupBox* BuildTypeButtons();
    void OnTypePressed(InputButton button);

    HtmlNode& m_input;
    InputControlValues m_values;
    std::map<InputButton, QRadioButton*> m_types;
    QLineEdit* m_name;
    QLineEdit* m_maxLength;
    QLineEdit* m_size;
    QLineEdit* m_value;
    QLineEdit* m_altText;
    QLineEdit* m_imageUrl;
    QComboBox* m_state;
    QCheckBox* m_default;
};

// "List Box": a SELECT with its options; "Add", "Delete" and "Default" change
// the nodes at once, OK writes the rest.
class ListBoxDialog : public QDialog {
    Q_OBJECT
public:
    ListBoxDialog(HtmlPage& nodes, HtmlIter select, Prompter& prompter, QWidget* parent = nullptr);
    void accept() override;

    void AddItem();
    void DeleteItems();
    void SetDefault();
    GridWidget* Choices() const { return m_grid; }
    QLineEdit* NameBox() const { return m_name; }
    QRadioButton* MultipleButton() const { return m_multiple; }

private:
    void FillGrid();

    ListBoxEditor m_editor;
    Prompter& m_prompter;
    QLineEdit* m_name;
    QLineEdit* m_size;
    QRadioButton* m_multiple;
    QRadioButton* m_dropDown;
    GridWidget* m_grid;
};

// "Text Area": a TEXTAREA's attributes and default text.
class TextAreaDialog : public QDialog {
    Q_OBJECT
public:
    TextAreaDialog(HtmlPage& nodes, HtmlIter area, QWidget* parent = nullptr);
    void accept() override;

    QLineEdit* NameBox() const { return m_name; }
    QPlainTextEdit* DefaultBox() const { return m_default; }

private:
    HtmlPage& m_nodes;
    HtmlIter m_area;
    QLineEdit* m_name;
    QLineEdit* m_maxLength;
    QLineEdit* m_rows;
    QLineEdit* m_cols;
    QPlainTextEdit* m_default;
};

// Runs the dialog of the field that starts nodes; true when confirmed.
bool RunFieldDialog(HtmlPage& nodes, Prompter& prompter, QWidget* parent);

} // namespace quillet
