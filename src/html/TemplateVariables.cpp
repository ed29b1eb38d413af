#include "html/TemplateVariables.h"

#include "html/FormFields.h"
#include "html/HtmlText.h"

namespace quillet {

std::string FormValueVariable(std::string_view name)
{
    return "$FORM{'" + std::string(name) + "'}[0]";
}

std::string FormValuesVariable(std::string_view name)
{
    return "@{$FORM{'" + std::string(name) + "'}}";
}

std::string FieldStateVariable(std::string_view name, std::string_view value)
{
    return "$FIELD_STATE{'" + std::string(name) + "'}{'" + std::string(value) + "'}";
}

std::string ReadInDataVariable(std::string_view actionName)
{
    return "$" + std::string(actionName);
}

std::string RowCountVariable(std::string_view actionName)
{
    return "$" + std::string(actionName) + "->{nrows}";
}

std::string DefaultReportVariable(std::string_view actionName)
{
    return "$" + std::string(actionName) + "->{DefaultReport}\n";
}

void FormVariableList(std::vector<std::string>& list, HtmlPage* page, std::optional<HtmlIter> formNode, bool clearFirst)
{
    if (clearFirst)
        list.clear();
    if (!page || !formNode)
        return;
    for (HtmlIter field : FormFields(*page, *formNode)) {
        std::string_view name = AttrValue(*field, "NAME");
        if (!name.empty())
            list.push_back(FormValueVariable(DecodeEntities(name)));
    }
}

namespace {

void AddState(std::vector<std::string>& list, std::string_view name, const HtmlNode& choice,
              std::optional<std::string_view> valueFilter)
{
    const HtmlAttr* value = FindAttr(choice, "VALUE");
    if (!value || !value->value)
        return;
    if (valueFilter && *value->value != *valueFilter)
        return;
    list.push_back(FieldStateVariable(DecodeEntities(name), DecodeEntities(*value->value)));
}

} // namespace

void FieldStateList(std::vector<std::string>& list, HtmlPage* page, std::optional<HtmlIter> formNode,
                    std::optional<std::string_view> nameFilter, std::optional<std::string_view> valueFilter,
                    bool clearFirst)
{
    if (clearFirst)
        list.clear();
    if (!page || !formNode)
        return;
    for (HtmlIter field : FormFields(*page, *formNode)) {
        std::string_view name = AttrValue(*field, "NAME");
        if (name.empty() || (nameFilter && name != *nameFilter))
            continue;
        if (EqualsNoCase(field->Name(), "input")) {
            std::string_view type = AttrValue(*field, "TYPE");
            if (EqualsNoCase(type, "CHECKBOX") || EqualsNoCase(type, "RADIO"))
                AddState(list, name, *field, valueFilter);
        } else if (EqualsNoCase(field->Name(), "select")) {
            for (HtmlIter it = std::next(field); it != page->end() && !EqualsNoCase(it->Name(), "/select"); ++it)
                if (EqualsNoCase(it->Name(), "option"))
                    AddState(list, name, *it, valueFilter);
        }
    }
}

void PrepareFormTag(HtmlPage& page, HtmlIter formNode, std::string_view scriptUrl)
{
    bool uploads = false;
    for (HtmlIter field : FormFields(page, formNode, FieldSet::InputsOnly))
        uploads = uploads || EqualsNoCase(AttrValue(*field, "TYPE"), "FILE");
    SetAttrs(
        *formNode,
        {{"ACTION", scriptUrl, '"'}, {"METHOD", "post", '"'}, {"ENCTYPE", uploads ? "multipart/form-data" : "", '"'}});
}

} // namespace quillet
