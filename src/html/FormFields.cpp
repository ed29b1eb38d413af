#include "html/FormFields.h"

#include "html/HtmlText.h"
#include "project/NameRules.h"

#include <algorithm>
#include <array>
#include <functional>

namespace quillet {

namespace {

struct InputType {
    std::string_view type;
    FieldKind kind;
};

constexpr std::array<InputType, 9> kInputTypes = {{
    {"IMAGE", FieldKind::ImageButton},
    {"RADIO", FieldKind::RadioButton},
    {"CHECKBOX", FieldKind::CheckBox},
    {"HIDDEN", FieldKind::HiddenField},
    {"PASSWORD", FieldKind::PasswordBox},
    {"FILE", FieldKind::FileUpload},
    {"SUBMIT", FieldKind::SubmitButton},
    {"RESET", FieldKind::ResetButton},
    {"BUTTON", FieldKind::PlainButton},
}};

constexpr std::array<std::string_view, 13> kKindLabels = {
    "text box",     "image button",           "radio button",         "check box",
    "hidden field", "password box",           "file upload box",      "submit button",
    "reset button", "multiple-line text box", "multiple choice list", "drop-down list",
    "button",
};

std::optional<FieldKind> ButtonElementKind(const HtmlNode& node)
{
    std::string_view type = AttrValue(node, "TYPE");
    if (EqualsNoCase(type, "RESET"))
        return FieldKind::ResetButton;
    if (EqualsNoCase(type, "BUTTON"))
        return FieldKind::PlainButton;
    return FieldKind::SubmitButton;
}

} // namespace

std::optional<FieldKind> FieldKindOf(const HtmlNode& node)
{
    std::string_view name = node.Name();
    if (EqualsNoCase(name, "TEXTAREA"))
        return FieldKind::TextArea;
    if (EqualsNoCase(name, "SELECT"))
        return IsMultipleSelect(node) ? FieldKind::MultipleChoiceList : FieldKind::DropDownList;
    if (EqualsNoCase(name, "BUTTON"))
        return ButtonElementKind(node);
    if (!EqualsNoCase(name, "INPUT"))
        return std::nullopt;
    std::string_view type = AttrValue(node, "TYPE");
    for (const InputType& known : kInputTypes)
        if (EqualsNoCase(type, known.type))
            return known.kind;
    return FieldKind::TextBox;
}

std::string_view FieldKindLabel(FieldKind kind)
{
    return kKindLabels.at(static_cast<size_t>(kind));
}

bool IsMultipleSelect(const HtmlNode& node)
{
    for (const HtmlAttr& attr : node.Attrs())
        if (EqualsNoCase(attr.name, "MULTIPLE") ||
            (attr.name.empty() && attr.value && EqualsNoCase(*attr.value, "MULTIPLE")))
            return true;
    return false;
}

bool IsHandlerButton(const HtmlNode& node)
{
    if (EqualsNoCase(node.Name(), "BUTTON"))
        return ButtonElementKind(node) == FieldKind::SubmitButton;
    if (!EqualsNoCase(node.Name(), "INPUT"))
        return false;
    std::string_view type = AttrValue(node, "TYPE");
    return EqualsNoCase(type, "SUBMIT") || EqualsNoCase(type, "IMAGE");
}

std::vector<HtmlIter> FormFields(HtmlPage& page, HtmlIter formNode, FieldSet set)
{
    std::vector<HtmlIter> fields;
    if (formNode == page.end())
        return fields;
    for (HtmlIter it = std::next(formNode);; ++it) {
        it = set == FieldSet::AllFields ? FindNextNamed(page, it, {"/form", "input", "textarea", "select", "button"})
                                        : FindNextNamed(page, it, {"/form", "input"});
        if (it == page.end() || EqualsNoCase(it->Name(), "/form"))
            return fields;
        fields.push_back(it);
    }
}

void ForEachFormsFields(HtmlPage& page, const std::vector<HtmlIter>& forms,
                        const std::function<void(size_t, const std::vector<HtmlIter>&)>& visit)
{
    // Each form's own stretch: up to its "/form" or the next form, into which
    // an unclosed form runs on. One pass, however deep such forms nest.
    std::vector<std::vector<HtmlIter>> own(forms.size());
    std::vector<bool> runsOn(forms.size());
    for (size_t i = 0; i < forms.size(); ++i) {
        HtmlIter next = i + 1 < forms.size() ? forms[i + 1] : page.end();
        for (HtmlIter it = std::next(forms[i]); it != page.end(); ++it) {
            if (it == next) {
                runsOn[i] = true;
                break;
            }
            if (EqualsNoCase(it->Name(), "/form"))
                break;
            if (FieldKindOf(*it))
                own[i].push_back(it);
        }
    }
    // Where each run of forms ends, and the next form from each with fields of
    // its own: the forms between add nothing, and are not walked again.
    size_t count = forms.size();
    std::vector<size_t> runEnd(count), nextWithFields(count + 1, count);
    for (size_t i = count; i-- > 0;) {
        runEnd[i] = runsOn[i] && i + 1 < count ? runEnd[i + 1] : i;
        nextWithFields[i] = own[i].empty() ? nextWithFields[i + 1] : i;
    }
    std::vector<HtmlIter> fields;
    for (size_t i = 0; i < count; ++i) {
        fields.clear();
        for (size_t j = nextWithFields[i]; j <= runEnd[i]; j = nextWithFields[j + 1])
            fields.insert(fields.end(), own[j].begin(), own[j].end());
        visit(i, fields);
    }
}

std::vector<std::string> FieldNamesOfForm(HtmlPage& page, HtmlIter formNode)
{
    std::vector<std::string> names;
    std::string_view previous;
    for (HtmlIter field : FormFields(page, formNode)) {
        std::string_view name = AttrValue(*field, "name");
        if (name.empty())
            continue;
        if (name != previous)
            names.emplace_back(name);
        previous = name;
    }
    return names;
}

std::string FieldValue(HtmlPage& page, HtmlIter field)
{
    if (EqualsNoCase(field->Name(), "TEXTAREA"))
        return CollectText(page, std::next(field), {"/form", "/textarea"}).value_or("");
    if (!EqualsNoCase(field->Name(), "SELECT"))
        return std::string(AttrValue(*field, "VALUE"));
    // A SELECT opened inside another closes it, as in browsers, so that no node is looked at twice.
    for (HtmlIter it = std::next(field); it != page.end() && !NameIn(it->Name(), {"/select", "select", "/form"}); ++it)
        if (EqualsNoCase(it->Name(), "option") && FindAttr(*it, ""))
            return CollectText(page, std::next(it), {"/select", "/option", "option"}).value_or("");
    return {};
}

std::string ButtonLabel(HtmlPage& page, HtmlIter button)
{
    if (EqualsNoCase(button->Name(), "BUTTON")) {
        std::string text = CollectText(page, std::next(button), {"/button", "/form"}).value_or("");
        size_t first = text.find_first_not_of(" \t\r\n");
        return first == std::string::npos ? std::string()
                                          : text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
    }
    std::string_view value = AttrValue(*button, "VALUE");
    return std::string(value.empty() ? AttrValue(*button, "ALT") : value);
}

std::vector<HtmlIter> UnnamedSubmitButtons(HtmlPage& page, HtmlIter formNode)
{
    std::vector<HtmlIter> buttons;
    for (HtmlIter field : FormFields(page, formNode))
        if (IsHandlerButton(*field) && AttrValue(*field, "NAME").empty())
            buttons.push_back(field);
    return buttons;
}

std::string SuggestButtonName(HtmlPage& page, HtmlIter formNode, HtmlIter button)
{
    std::string base = IdentifierFrom(DecodeEntities(ButtonLabel(page, button)), "Submit");
    std::vector<std::string> used = FieldNamesOfForm(page, formNode);
    std::string name = base;
    for (int n = 2; std::find(used.begin(), used.end(), name) != used.end(); ++n)
        name = base + std::to_string(n);
    return name;
}

} // namespace quillet
