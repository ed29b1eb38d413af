#pragma once

#include "html/HtmlNode.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// In the order the field list shows their icons.
enum class FieldKind {
    TextBox,
    ImageButton,
    RadioButton,
    CheckBox,
    HiddenField,
    PasswordBox,
    FileUpload,
    SubmitButton,
    ResetButton,
    TextArea,
    MultipleChoiceList,
    DropDownList,
};

// The kind of an INPUT, TEXTAREA or SELECT node; none for any other node.
std::optional<FieldKind> FieldKindOf(const HtmlNode& node);
// "text box", "submit button", ...
std::string_view FieldKindLabel(FieldKind kind);

// A SELECT with an attribute named MULTIPLE, or with MULTIPLE as a bare word: browsers
// treat both alike, and a page read from disk stores the bare word without a name.
bool IsMultipleSelect(const HtmlNode& node);
// An INPUT whose TYPE is SUBMIT or IMAGE: the buttons that get handlers.
bool IsHandlerButton(const HtmlNode& node);

enum class FieldSet { AllFields, InputsOnly };

// The fields of the form that starts at formNode: the INPUT, TEXTAREA and SELECT
// nodes up to its "/form" (or the end of the page).
std::vector<HtmlIter> FormFields(HtmlPage& page, HtmlIter formNode, FieldSet set = FieldSet::AllFields);

// The NAME of every named field, a run of equal names (a radio group) given once.
std::vector<std::string> FieldNamesOfForm(HtmlPage& page, HtmlIter formNode);

// The value the field list shows: an INPUT's VALUE, a TEXTAREA's text, or the text of
// a SELECT's first OPTION that carries a flag word. As written: not decoded.
std::string FieldValue(HtmlPage& page, HtmlIter field);

} // namespace quillet
