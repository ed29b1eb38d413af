#include "html/TemplateMenu.h"

#include "html/FormFields.h"
#include "html/HtmlText.h"
#include "html/TemplateVariables.h"
#include "project/Action.h"

namespace quillet {

bool VariableSubmenu::StartsColumn(size_t entry) const
{
    size_t position = FixedCount() + entry;
    return position > 0 && position % kMenuColumnLength == 0;
}

std::string VariableSubmenu::InsertAllText() const
{
    std::string text;
    for (const std::string& entry : entries) {
        if (!entry.empty())
            text += entry + " ";
    }
    return text;
}

namespace {

VariableSubmenu FormVariables(HtmlPage* page, std::optional<HtmlIter> formNode)
{
    VariableSubmenu menu{"Insert Form Variables", true, true, 34000, {}};
    if (!page || !formNode)
        return menu;
    for (HtmlIter field : FormFields(*page, *formNode)) {
        std::string_view name = AttrValue(*field, "NAME");
        if (!name.empty())
            menu.entries.push_back(FormValuesVariable(DecodeEntities(name)));
    }
    return menu;
}

VariableSubmenu FieldStates(HtmlPage* page, std::optional<HtmlIter> formNode)
{
    VariableSubmenu menu{"Insert Field States", false, true, 35000, {}};
    FieldStateList(menu.entries, page, formNode);
    return menu;
}

VariableSubmenu DefaultVariables()
{
    VariableSubmenu menu{"Insert Default Variables", false, false, 0, {}};
    menu.entries.assign(kDefaultVariables.begin(), kDefaultVariables.end());
    return menu;
}

VariableSubmenu UploadHandles(HtmlPage* page, std::optional<HtmlIter> formNode)
{
    VariableSubmenu menu{"Insert File Upload Handle", true, true, 40000, {}};
    if (!page || !formNode)
        return menu;
    for (HtmlIter field : FormFields(*page, *formNode, FieldSet::InputsOnly)) {
        std::string_view name = AttrValue(*field, "NAME");
        if (!name.empty() && EqualsNoCase(AttrValue(*field, "TYPE"), "FILE"))
            menu.entries.push_back(FormValueVariable(DecodeEntities(name)));
    }
    return menu;
}

VariableSubmenu ActionVariables(const ActionList* actions, bool readIn)
{
    VariableSubmenu menu = readIn ? VariableSubmenu{"Insert Read-in Data", true, true, 39000, {}}
                                  : VariableSubmenu{"Insert Query Variables", false, false, 41000, {}};
    if (!actions)
        return menu;
    for (const Action& action : *actions) {
        if (readIn && action.type == ActionType::ReadWriteFile)
            menu.entries.push_back(ReadInDataVariable(action.name));
        else if (!readIn && action.IsRecord())
            menu.entries.push_back(RowCountVariable(action.name));
    }
    return menu;
}

} // namespace

std::vector<VariableSubmenu> BuildTemplateMenu(TemplateMenuKind kind, HtmlPage* page, std::optional<HtmlIter> formNode,
                                               const ActionList* actions)
{
    if (kind == TemplateMenuKind::UploadOnly)
        return {UploadHandles(page, formNode)};
    return {FormVariables(page, formNode),  FieldStates(page, formNode),   DefaultVariables(),
            ActionVariables(actions, true), UploadHandles(page, formNode), ActionVariables(actions, false)};
}

std::string DefaultReportsText(const ActionList* actions)
{
    std::string text;
    if (!actions)
        return text;
    for (const Action& action : *actions) {
        if (action.type == ActionType::SelectRecords)
            text += DefaultReportVariable(action.name);
    }
    return text;
}

HtmlIter FindQueryReport(HtmlPage& page)
{
    for (auto node = page.begin(); node != page.end(); ++node) {
        if (EqualsNoCase(node->Name(), "span") && EqualsNoCase(AttrValue(*node, "name"), "QUILLET_QUERY_REPORT"))
            return node;
    }
    return page.end();
}

} // namespace quillet
