#pragma once

#include "html/HtmlNode.h"

#include <optional>
#include <string>
#include <vector>

namespace quillet {

class Prompter;

// Where the text of an OPTION ends: at the next option, the end of its list or
// form, or any other field, so that replacing the text of an option left open
// never takes a field with it.
HtmlIter OptionTextEnd(HtmlPage& nodes, HtmlIter option);

// What the three field dialogs ("Input Control", "List Box", "Text Area") read
// from a field's nodes and write back on OK. Values are taken as text, unchecked.

enum class InputButton {
    TextBox,
    PasswordBox,
    HiddenTextBox,
    SubmitButton,
    ResetButton,
    ImageButton,
    RadioButton,
    CheckBox,
    FileUploadBox,
    // TYPE "button": shown with the button group, none of whose buttons stands
    // for it; left alone, OK keeps it a plain button.
    PlainButton,
};

struct InputControlValues {
    InputButton pressed = InputButton::TextBox;
    // The type buttons offered: a field changes type only within its group.
    std::vector<InputButton> shown;
    std::string name;
    std::string maxLength;
    std::string size;
    std::string value;
    std::string altText;
    std::string imageUrl;
    std::string state;
    bool defaultButton = false;
};

InputControlValues ReadInputControl(const HtmlNode& input);
void WriteInputControl(HtmlNode& input, const InputControlValues& values);
bool InputStateEnabled(InputButton pressed);
bool InputImageFieldsEnabled(InputButton pressed);

struct ListBoxRow {
    HtmlIter option;
    std::string text;
    std::string value;
    bool selected = false;
};

// A SELECT and its options, edited in the nodes it was given (a copy of the
// field or a new one): "Add", "Delete" and "Default" change them at once.
class ListBoxEditor {
public:
    ListBoxEditor(HtmlPage& nodes, HtmlIter select);

    std::string name;
    std::string size;
    bool multiple = false;
    std::vector<ListBoxRow> rows;

    void AddItem();
    void DeleteRows(std::vector<size_t> indices);
    // Moves the flag word SELECTED to the row; without a row, says so and changes nothing.
    bool SetDefault(std::optional<size_t> row, Prompter& prompter);
    // OK: the name, size, kind and every row's value and text into the nodes.
    void Write();

private:
    HtmlIter SelectEnd();
    HtmlPage& m_nodes;
    HtmlIter m_select;
};

struct TextAreaValues {
    std::string name;
    std::string maxLength;
    std::string rows;
    std::string cols;
    std::string defaultValue;
};

TextAreaValues ReadTextArea(HtmlPage& nodes, HtmlIter area);
void WriteTextArea(HtmlPage& nodes, HtmlIter area, const TextAreaValues& values);

} // namespace quillet
