#include "html/FormGenerator.h"

#include "html/FormDiscovery.h"
#include "html/FormFields.h"
#include "project/Form.h"
#include "project/Messages.h"
#include "project/Prompter.h"

#include <algorithm>

namespace quillet {

bool EnsureForm(Form& form, LoadedPage& page, bool formListHasEntries, Prompter& prompter)
{
    if (page.formNode)
        return true;
    if (formListHasEntries) {
        prompter.Show(FormatMessage(Msg::NoFormSelectedForField));
        return false;
    }
    HtmlPage* nodes = page.Nodes();
    HtmlIter body;
    if (nodes) {
        body = FindNextNamed(*nodes, nodes->begin(), {"body"});
        if (body == nodes->end()) {
            prompter.Show(FormatMessage(Msg::NotAnHtmlFile));
            return false;
        }
    } else {
        page.file.emplace(PagePath(form, page));
        nodes = page.Nodes();
        *nodes = NewElementPair("HTML");
        body = InsertAfter(*nodes, nodes->begin(), NewElementPair("BODY"));
    }
    HtmlPage formPair = NewElementPair("FORM");
    SetAttr(formPair.front(), "NAME", "form1", 0);
    page.formNode = InsertAfter(*nodes, body, std::move(formPair));
    form.formName = "form1";
    return true;
}

namespace {

constexpr char kDq = '"';

HtmlPage SelectNodes(const std::string& name, bool multiple)
{
    HtmlPage nodes;
    HtmlNode& select = nodes.emplace_back(NewNode("SELECT"));
    SetAttr(select, "NAME", name, kDq);
    if (multiple)
        SetAttr(select, "MULTIPLE", std::nullopt, 0);
    SetAttr(nodes.emplace_back(NewNode("OPTION")), "VALUE", "0", kDq);
    nodes.push_back(NewTextNode("Item0"));
    nodes.push_back(NewNode("/SELECT"));
    return nodes;
}

std::string_view InputType(NewFieldKind kind)
{
    switch (kind) {
    case NewFieldKind::PasswordBox:
        return "PASSWORD";
    case NewFieldKind::HiddenTextBox:
        return "HIDDEN";
    case NewFieldKind::RadioButton:
        return "RADIO";
    case NewFieldKind::CheckBox:
        return "CHECKBOX";
    case NewFieldKind::FileUpload:
        return "FILE";
    case NewFieldKind::Button:
        return "SUBMIT";
    default:
        return "TEXT";
    }
}

} // namespace

HtmlPage NewFieldNodes(NewFieldKind kind, int number)
{
    std::string name = "Field" + std::to_string(number);
    if (kind == NewFieldKind::DropDownList || kind == NewFieldKind::MultipleChoiceList)
        return SelectNodes(name, kind == NewFieldKind::MultipleChoiceList);
    HtmlPage nodes;
    if (kind == NewFieldKind::TextArea) {
        HtmlNode& area = nodes.emplace_back(NewNode("TEXTAREA"));
        SetAttrs(area, {{"NAME", name, kDq}, {"ROWS", "5", 0}, {"COLS", "40", 0}});
        nodes.push_back(NewNode("/TEXTAREA"));
        return nodes;
    }
    SetAttrs(nodes.emplace_back(NewNode("INPUT")), {{"NAME", name, kDq}, {"TYPE", InputType(kind), 0}});
    return nodes;
}

HtmlIter FieldEnd(HtmlPage& page, HtmlIter field)
{
    if (field == page.end())
        return field;
    std::string endName = "/" + std::string(field->Name());
    if (EqualsNoCase(field->Name(), "input") || FieldKindOf(*field) == std::nullopt)
        return std::next(field);
    for (HtmlIter it = std::next(field); it != page.end(); ++it) {
        if (EqualsNoCase(it->Name(), "/form"))
            return it;
        if (EqualsNoCase(it->Name(), endName))
            return std::next(it);
    }
    return page.end();
}

HtmlIter InsertNewField(HtmlPage& page, HtmlIter formNode, HtmlPage&& nodes)
{
    std::vector<HtmlIter> fields = FormFields(page, formNode);
    HtmlIter at = fields.empty() ? std::next(formNode) : FieldEnd(page, fields.back());
    return page.splice(at, nodes);
}

bool IsRequiredField(const HtmlNode& field)
{
    const HtmlAttr* rule = FindAttr(field, "REQUIRE");
    if (!rule)
        rule = FindAttr(field, "CONTENT");
    std::string_view value = rule && rule->value ? std::string_view(*rule->value) : std::string_view();
    return !value.empty() && !EqualsNoCase(value, "ANYTHING");
}

namespace {

HtmlNode Tag(std::string_view name, std::initializer_list<AttrSetting> attrs = {})
{
    HtmlNode node = NewNode(name);
    SetAttrs(node, attrs);
    return node;
}

// Builds the table that replaces a form's content.
class TableBuilder {
public:
    explicit TableBuilder(std::string_view title)
    {
        Add(Tag("TABLE", {{"border", "0", 0}, {"cellpadding", "5", 0}, {"cellspacing", "1", 0}}));
        Add(Tag("TR"));
        Add(Tag("TH", {{"colspan", "2", 0}, {"bgcolor", "#00008C", kDq}}));
        Add(Tag("FONT", {{"color", "#FFFFFF", 0}, {"face", "ARIAL", 0}}));
        Add(NewTextNode(title.empty() ? "&nbsp;" : title));
        AddAll({"/FONT", "/TH", "/TR"});
        Add(NewTextNode("\n"));
    }

    void AddField(HtmlPage&& field)
    {
        const HtmlNode& start = field.front();
        bool input = EqualsNoCase(start.Name(), "input");
        std::string type(input ? AttrValue(start, "TYPE") : "");
        std::string name(AttrValue(start, "NAME"));
        bool choice = EqualsNoCase(type, "RADIO") || EqualsNoCase(type, "CHECKBOX");
        bool button =
            (input && NameIn(type, {"SUBMIT", "RESET", "IMAGE", "HIDDEN"})) || EqualsNoCase(start.Name(), "button");
        bool hasPrevious = m_previous.has_value();
        if (choice && hasPrevious && m_previous->name == name) {
            // A radio or check box group shares one row.
        } else if (button) {
            if (!hasPrevious || !m_previous->button)
                OpenButtonRow();
        } else {
            OpenFieldRow(start, name);
        }
        std::optional<std::string> label;
        if (const HtmlAttr* value = FindAttr(start, "VALUE"); choice && value && value->value)
            label = *value->value;
        Add(NewTextNode("&nbsp;"));
        m_nodes.splice(m_nodes.end(), field);
        Add(NewTextNode("&nbsp;"));
        if (label) {
            Add(NewTextNode(*label));
            Add(NewTextNode("&nbsp;&nbsp;&nbsp;"));
        }
        m_previous = Previous{name, button};
    }

    HtmlPage Finish()
    {
        CloseRow();
        Add(NewNode("/TABLE"));
        Add(NewTextNode("\n"));
        return std::move(m_nodes);
    }

private:
    struct Previous {
        std::string name;
        bool button = false;
    };

    void Add(HtmlNode node) { m_nodes.push_back(std::move(node)); }
    void AddAll(std::initializer_list<std::string_view> names)
    {
        for (std::string_view name : names)
            Add(NewNode(name));
    }

    void CloseRow()
    {
        if (!m_rowOpen)
            return;
        AddAll({"/FONT", "/TD", "/TR"});
        Add(NewTextNode("\n"));
        m_rowOpen = false;
    }

    void OpenButtonRow()
    {
        CloseRow();
        Add(Tag("TR"));
        Add(Tag("TD", {{"colspan", "2", 0}, {"align", "center", 0}, {"bgcolor", "#E0E0FF", kDq}}));
        Add(Tag("FONT", {{"color", "#000000", 0}}));
        m_rowOpen = true;
    }

    void OpenFieldRow(const HtmlNode& field, const std::string& name)
    {
        CloseRow();
        Add(Tag("TR"));
        Add(Tag("TD", {{"valign", "top", 0}, {"bgcolor", "#E0E0FF", kDq}}));
        Add(Tag("FONT", {{"color", "#000000", 0}, {"face", "ARIAL", 0}}));
        Add(NewTextNode(IsRequiredField(field) ? "*" : "&nbsp;"));
        if (!name.empty())
            Add(NewTextNode(name));
        Add(NewTextNode("&nbsp;"));
        AddAll({"/FONT", "/TD"});
        Add(Tag("TD", {{"bgcolor", "#E0E0FF", kDq}}));
        Add(Tag("FONT", {{"color", "#000000", 0}, {"face", "ARIAL", 0}}));
        m_rowOpen = true;
    }

    HtmlPage m_nodes;
    std::optional<Previous> m_previous;
    bool m_rowOpen = false;
};

// Takes every field of the form out of the page, each with its content. A
// field inside another's content (a SELECT left open) goes with that one.
std::vector<HtmlPage> TakeFields(HtmlPage& page, HtmlIter formNode)
{
    std::vector<HtmlPage> taken;
    std::vector<HtmlIter> fields = FormFields(page, formNode);
    std::vector<const HtmlNode*> carried;
    for (HtmlIter field : fields) {
        if (std::find(carried.begin(), carried.end(), &*field) != carried.end())
            continue;
        HtmlIter end = FieldEnd(page, field);
        for (HtmlIter it = field; it != end; ++it)
            carried.push_back(&*it);
        HtmlPage& part = taken.emplace_back();
        part.splice(part.end(), page, field, end);
    }
    return taken;
}

} // namespace

void FormatForm(LoadedPage& page, std::string_view title)
{
    HtmlPage* nodes = page.Nodes();
    if (!nodes || !page.formNode)
        return;
    HtmlIter form = *page.formNode;
    // Without its end tag the form's extent is unknown: better unformatted than cut short.
    if (FindNextNamed(*nodes, std::next(form), {"/form"}) == nodes->end())
        return;
    std::vector<HtmlPage> fields = TakeFields(*nodes, form);
    nodes->erase(std::next(form), FindNextNamed(*nodes, std::next(form), {"/form"}));
    TableBuilder table(title);
    for (HtmlPage& field : fields)
        table.AddField(std::move(field));
    InsertAfter(*nodes, form, table.Finish());
}

} // namespace quillet
