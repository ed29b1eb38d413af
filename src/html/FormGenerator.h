#pragma once

#include "html/HtmlNode.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

class Prompter;
struct Form;
struct LoadedPage;

// The text of a page created with "New HTML file"; discovery names its form.
inline constexpr std::string_view kNewPageText =
    "<html><head><Meta NAME=\"GENERATOR\" CONTENT=\"Quillet 4.0 Web Form CGI Script Creator\"></head>\n"
    "<body bgcolor=\"#ffffff\">\n<form>\n</form>\n</body>\n</html>\n";

// Gives the Form a form node when it has none: a new FORM named form1 right
// after the page's BODY (a new HTML/BODY skeleton when nothing is loaded).
// Refuses with a message when the page lists forms but none is selected, or
// when a loaded page has no BODY.
bool EnsureForm(Form& form, LoadedPage& page, bool formListHasEntries, Prompter& prompter);

// The ten field buttons of the Form tab, in the order they are shown.
enum class NewFieldKind {
    TextBox,
    RadioButton,
    CheckBox,
    DropDownList,
    MultipleChoiceList,
    Button,
    PasswordBox,
    TextArea,
    HiddenTextBox,
    FileUpload,
};
inline constexpr int kNewFieldKindCount = 10;

// The nodes of a new field named "Field<number>".
HtmlPage NewFieldNodes(NewFieldKind kind, int number);

// The node after the last node of a field: an INPUT alone, a SELECT or TEXTAREA
// through its first end tag, stopping before a "/form" met first.
HtmlIter FieldEnd(HtmlPage& page, HtmlIter field);

// Puts a confirmed new field after the last field of the form (inside the
// form), or right after the form node when it has none; returns its start node.
HtmlIter InsertNewField(HtmlPage& page, HtmlIter formNode, HtmlPage&& nodes);

// A field is required when its REQUIRE, or else its CONTENT, is neither empty nor "ANYTHING".
bool IsRequiredField(const HtmlNode& field);

// Lays the selected form out as a two-column table headed by title; anything
// in the form but its fields is dropped. The form node then points into the
// rebuilt page.
void FormatForm(LoadedPage& page, std::string_view title);

} // namespace quillet
