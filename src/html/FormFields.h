#pragma once

#include "html/HtmlNode.h"

#include <functional>
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
    PlainButton,
};

// The kind of an INPUT, TEXTAREA, SELECT or BUTTON node; none for any other node.
// A BUTTON is a submit button unless its TYPE says reset or button, as browsers have it.
std::optional<FieldKind> FieldKindOf(const HtmlNode& node);
// "text box", "submit button", ...
std::string_view FieldKindLabel(FieldKind kind);

// A SELECT with an attribute named MULTIPLE, or with MULTIPLE as a bare word: browsers
// treat both alike, and a page read from disk stores the bare word without a name.
bool IsMultipleSelect(const HtmlNode& node);
// An INPUT whose TYPE is SUBMIT or IMAGE, or a BUTTON that submits: the buttons that get handlers.
bool IsHandlerButton(const HtmlNode& node);

enum class FieldSet { AllFields, InputsOnly };

// The fields of the form that starts at formNode: the INPUT, TEXTAREA, SELECT and
// BUTTON nodes up to its "/form" (or the end of the page); InputsOnly gives the INPUTs.
std::vector<HtmlIter> FormFields(HtmlPage& page, HtmlIter formNode, FieldSet set = FieldSet::AllFields);

// FormFields of each of forms, the page's form nodes in page order, visited in
// that order in time linear in the page however deeply unclosed forms nest.
void ForEachFormsFields(HtmlPage& page, const std::vector<HtmlIter>& forms,
                        const std::function<void(size_t form, const std::vector<HtmlIter>& fields)>& visit);

// The NAME of every named field, a run of equal names (a radio group) given once.
std::vector<std::string> FieldNamesOfForm(HtmlPage& page, HtmlIter formNode);

// What a button shows: an INPUT's VALUE (else its ALT), a BUTTON's text; as written.
std::string ButtonLabel(HtmlPage& page, HtmlIter button);

// The submit and image buttons of the form without a NAME: pressing one runs no actions.
std::vector<HtmlIter> UnnamedSubmitButtons(HtmlPage& page, HtmlIter formNode);

// A NAME for a button, made of its label's letters, digits and "_" ("Submit" when
// it has none), that no field of the form has yet.
std::string SuggestButtonName(HtmlPage& page, HtmlIter formNode, HtmlIter button);

// The value the field list shows: an INPUT's or BUTTON's VALUE, a TEXTAREA's text, or the text of
// a SELECT's first OPTION that carries a flag word. As written: not decoded.
std::string FieldValue(HtmlPage& page, HtmlIter field);

} // namespace quillet
