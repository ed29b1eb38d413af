#include "html/FieldRows.h"

#include "html/FieldDialogs.h"
#include "html/FormGenerator.h"

namespace quillet {

namespace {

bool IsSelect(const HtmlNode& node)
{
    return EqualsNoCase(node.Name(), "select");
}

// The first OPTION of the list that carries a flag word; end() when none does.
HtmlIter FlaggedOption(HtmlPage& page, HtmlIter select)
{
    for (HtmlIter it = std::next(select); it != page.end() && !EqualsNoCase(it->Name(), "/select"); ++it) {
        if (EqualsNoCase(it->Name(), "option") && FindAttr(*it, ""))
            return it;
    }
    return page.end();
}

} // namespace

FieldRowText ReadFieldRow(HtmlPage& page, HtmlIter field)
{
    FieldRowText row;
    row.name = AttrValue(*field, "NAME");
    row.value = FieldValue(page, field);
    row.content = AttrValue(*field, "CONTENT");
    if (EqualsNoCase(field->Name(), "input")) {
        row.state = AttrValue(*field, "");
    } else if (IsSelect(*field)) {
        if (HtmlIter option = FlaggedOption(page, field); option != page.end())
            row.state = AttrValue(*option, "");
    }
    return row;
}

bool StateEditable(FieldKind kind)
{
    return kind == FieldKind::CheckBox || kind == FieldKind::RadioButton || kind == FieldKind::DropDownList ||
           kind == FieldKind::MultipleChoiceList;
}

void WriteValueCell(HtmlPage& page, HtmlIter field, std::string_view text)
{
    if (EqualsNoCase(field->Name(), "textarea")) {
        // Only the text: a text area left open must not take the fields after it.
        HtmlIter stop = FindNextNamed(page, std::next(field), {"/textarea", "/form", "input", "select", "textarea"});
        page.erase(std::next(field), stop);
        page.insert(stop, NewTextNode(text));
    } else if (IsSelect(*field)) {
        HtmlIter option = FlaggedOption(page, field);
        if (option == page.end())
            return;
        HtmlIter stop = OptionTextEnd(page, option);
        page.erase(std::next(option), stop);
        page.insert(stop, NewTextNode(text));
    } else {
        SetAttr(*field, "VALUE", text, '"');
    }
}

void WriteStateCell(HtmlPage& page, HtmlIter field, std::string_view text)
{
    HtmlIter target = field;
    if (IsSelect(*field)) {
        target = FlaggedOption(page, field);
        if (target == page.end() && !text.empty())
            target = FindNextNamed(page, std::next(field), {"option", "/select"});
        if (target == page.end() || !EqualsNoCase(target->Name(), "option"))
            return;
    }
    if (text.empty())
        RemoveAttr(*target, "");
    else
        SetAttr(*target, "", text, 0);
}

void WriteContentCell(HtmlNode& field, std::string_view text)
{
    if (text.empty())
        RemoveAttr(field, "CONTENT");
    else
        SetAttr(field, "CONTENT", text, '"');
}

HtmlIter ReplaceField(HtmlPage& page, HtmlIter field, HtmlPage&& edited)
{
    HtmlIter after = page.erase(field, FieldEnd(page, field));
    return page.splice(after, edited);
}

void DeleteField(HtmlPage& page, HtmlIter field)
{
    HtmlIter end = std::next(field);
    if (!EqualsNoCase(field->Name(), "input")) {
        HtmlIter match = FindMatchingTag(page, field);
        if (match != page.end())
            end = std::next(match);
    }
    page.erase(field, end);
}

void MoveFieldBefore(HtmlPage& page, HtmlIter field, HtmlIter before)
{
    HtmlIter end = FieldEnd(page, field);
    for (HtmlIter it = field; it != end; ++it) {
        if (it == before)
            return;
    }
    page.splice(before, page, field, end);
}

} // namespace quillet
