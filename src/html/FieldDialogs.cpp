#include "html/FieldDialogs.h"

#include "html/FormFields.h"
#include "project/Messages.h"
#include "project/Prompter.h"

#include <algorithm>
#include <functional>
#include <set>

namespace quillet {

namespace {

constexpr char kDq = '"';

std::string Attr(const HtmlNode& node, std::string_view name)
{
    return std::string(AttrValue(node, name));
}

// A word such as DEFAULT, written as an attribute or read from a page as a bare word.
bool HasWord(const HtmlNode& node, std::string_view word)
{
    if (FindAttr(node, word))
        return true;
    for (const HtmlAttr& attr : node.Attrs()) {
        if (attr.name.empty() && attr.value && EqualsNoCase(*attr.value, word))
            return true;
    }
    return false;
}

InputControlValues ButtonsFor(std::string_view type)
{
    InputControlValues values;
    using B = InputButton;
    if (EqualsNoCase(type, "radio")) {
        values.shown = {B::RadioButton};
        values.pressed = B::RadioButton;
    } else if (EqualsNoCase(type, "checkbox")) {
        values.shown = {B::CheckBox};
        values.pressed = B::CheckBox;
    } else if (EqualsNoCase(type, "file")) {
        values.shown = {B::FileUploadBox};
        values.pressed = B::FileUploadBox;
    } else if (NameIn(type, {"button", "submit", "reset", "image"})) {
        values.shown = {B::SubmitButton, B::ResetButton, B::ImageButton};
        values.pressed = EqualsNoCase(type, "reset")    ? B::ResetButton
                         : EqualsNoCase(type, "image")  ? B::ImageButton
                         : EqualsNoCase(type, "submit") ? B::SubmitButton
                                                        : B::PlainButton;
    } else {
        values.shown = {B::TextBox, B::PasswordBox, B::HiddenTextBox};
        values.pressed = EqualsNoCase(type, "password") ? B::PasswordBox
                         : EqualsNoCase(type, "hidden") ? B::HiddenTextBox
                                                        : B::TextBox;
    }
    return values;
}

bool IsButtonGroup(InputButton button)
{
    return button == InputButton::SubmitButton || button == InputButton::ResetButton ||
           button == InputButton::ImageButton || button == InputButton::PlainButton;
}

std::string_view TypeText(InputButton button)
{
    static constexpr std::string_view kTypes[] = {"TEXT",  "PASSWORD", "HIDDEN",   "SUBMIT", "RESET",
                                                  "IMAGE", "RADIO",    "CHECKBOX", "FILE",   "BUTTON"};
    return kTypes[static_cast<size_t>(button)];
}

} // namespace

HtmlIter OptionTextEnd(HtmlPage& nodes, HtmlIter option)
{
    return FindNextNamed(nodes, std::next(option),
                         {"/select", "/option", "option", "/form", "input", "select", "textarea"});
}

bool InputStateEnabled(InputButton pressed)
{
    return pressed == InputButton::RadioButton || pressed == InputButton::CheckBox;
}

bool InputImageFieldsEnabled(InputButton pressed)
{
    return pressed == InputButton::ImageButton;
}

InputControlValues ReadInputControl(const HtmlNode& input)
{
    // A BUTTON without a TYPE submits: its dialog must not offer to make it a text box.
    std::string_view type = AttrValue(input, "TYPE");
    if (EqualsNoCase(input.Name(), "BUTTON") && !NameIn(type, {"reset", "button"}))
        type = "submit";
    InputControlValues values = ButtonsFor(type);
    values.name = Attr(input, "NAME");
    values.value = Attr(input, "VALUE");
    if (!IsButtonGroup(values.pressed)) {
        values.size = Attr(input, "SIZE");
        values.maxLength = Attr(input, "MAXLENGTH");
    }
    if (InputStateEnabled(values.pressed))
        values.state = Attr(input, "");
    if (IsButtonGroup(values.pressed))
        values.defaultButton = HasWord(input, "DEFAULT");
    if (values.pressed == InputButton::ImageButton) {
        values.imageUrl = Attr(input, "SRC");
        values.altText = Attr(input, "ALT");
    }
    return values;
}

void WriteInputControl(HtmlNode& input, const InputControlValues& v)
{
    InputButton pressed = v.pressed;
    SetAttrs(input, {{"TYPE", TypeText(pressed), 0}, {"NAME", v.name, kDq}, {"VALUE", v.value, kDq}});
    if (pressed == InputButton::ImageButton)
        SetAttrs(input, {{"SRC", v.imageUrl, kDq}, {"ALT", v.altText, kDq}});
    if (!IsButtonGroup(pressed))
        SetAttrs(input, {{"SIZE", v.size, kDq}, {"MAXLENGTH", v.maxLength, kDq}});
    if (InputStateEnabled(pressed)) {
        if (v.state.empty())
            RemoveAttr(input, "");
        else
            SetAttr(input, "", v.state, 0);
    }
    if ((pressed == InputButton::SubmitButton || pressed == InputButton::ImageButton) && v.defaultButton &&
        !HasWord(input, "DEFAULT"))
        SetAttr(input, "DEFAULT", std::nullopt, 0);
}

ListBoxEditor::ListBoxEditor(HtmlPage& nodes, HtmlIter select) : m_nodes(nodes), m_select(select)
{
    name = Attr(*select, "NAME");
    size = Attr(*select, "SIZE");
    multiple = IsMultipleSelect(*select);
    for (HtmlIter it = std::next(select); it != nodes.end() && !EqualsNoCase(it->Name(), "/select"); ++it) {
        if (!EqualsNoCase(it->Name(), "option"))
            continue;
        std::string text = CollectText(nodes, std::next(it), {"/select", "/option", "option"}).value_or("");
        rows.push_back({it, text, Attr(*it, "VALUE"), FindAttr(*it, "") != nullptr});
    }
}

HtmlIter ListBoxEditor::SelectEnd()
{
    return FindNextNamed(m_nodes, std::next(m_select), {"/select"});
}

void ListBoxEditor::AddItem()
{
    // The grid's heading row counts, so the first row of an empty list is 1.
    std::string number = std::to_string(rows.size() + 1);
    HtmlIter end = SelectEnd();
    HtmlIter option = m_nodes.insert(end, NewNode("OPTION"));
    SetAttr(*option, "VALUE", number, kDq);
    m_nodes.insert(end, NewTextNode("Item" + number));
    rows.push_back({option, "Item" + number, number, false});
}

void ListBoxEditor::DeleteRows(std::vector<size_t> indices)
{
    std::set<size_t, std::greater<>> ordered(indices.begin(), indices.end());
    for (size_t index : ordered) {
        if (index >= rows.size())
            continue;
        HtmlIter option = rows[index].option;
        HtmlIter stop = OptionTextEnd(m_nodes, option);
        if (stop != m_nodes.end() && EqualsNoCase(stop->Name(), "/option"))
            ++stop;
        m_nodes.erase(option, stop);
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

bool ListBoxEditor::SetDefault(std::optional<size_t> row, Prompter& prompter)
{
    if (!row || *row >= rows.size()) {
        prompter.Show(FormatMessage(Msg::SelectDefaultOption));
        return false;
    }
    for (ListBoxRow& each : rows) {
        RemoveAttr(*each.option, "");
        each.selected = false;
    }
    SetAttr(*rows[*row].option, "", "SELECTED", 0);
    rows[*row].selected = true;
    return true;
}

void ListBoxEditor::Write()
{
    SetAttrs(*m_select, {{"NAME", name, kDq}, {"SIZE", size, kDq}});
    if (multiple) {
        SetAttr(*m_select, "MULTIPLE", std::nullopt, 0);
    } else {
        RemoveAttr(*m_select, "MULTIPLE");
        // A page read from disk keeps a bare MULTIPLE as a flag word.
        if (const HtmlAttr* flag = FindAttr(*m_select, "");
            flag && flag->value && EqualsNoCase(*flag->value, "MULTIPLE"))
            RemoveAttr(*m_select, "");
    }
    for (ListBoxRow& row : rows) {
        SetAttr(*row.option, "VALUE", row.value, 0);
        HtmlIter stop = OptionTextEnd(m_nodes, row.option);
        m_nodes.erase(std::next(row.option), stop);
        m_nodes.insert(stop, NewTextNode(row.text));
    }
}

TextAreaValues ReadTextArea(HtmlPage& nodes, HtmlIter area)
{
    return {Attr(*area, "NAME"), Attr(*area, "MAXLENGTH"), Attr(*area, "ROWS"), Attr(*area, "COLS"),
            CollectText(nodes, std::next(area), {"/form", "/textarea"}).value_or("")};
}

void WriteTextArea(HtmlPage& nodes, HtmlIter area, const TextAreaValues& values)
{
    SetAttrs(*area, {{"NAME", values.name, kDq},
                     {"ROWS", values.rows, kDq},
                     {"COLS", values.cols, kDq},
                     {"MAXLENGTH", values.maxLength, kDq}});
    // Only the text: a text area left open must not take the fields after it.
    HtmlIter stop = FindNextNamed(nodes, std::next(area), {"/form", "/textarea", "input", "select", "textarea"});
    nodes.erase(std::next(area), stop);
    if (!values.defaultValue.empty())
        nodes.insert(stop, NewTextNode(values.defaultValue));
}

} // namespace quillet
