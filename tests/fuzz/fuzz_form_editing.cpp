// Runs the Form tab's page edits over any page: laying a form out as a table,
// adding, editing and removing fields and options must keep the node list
// whole, whatever the page's tags leave open.
#include "html/FieldDialogs.h"
#include "html/FieldRows.h"
#include "html/FormDiscovery.h"
#include "html/FormFields.h"
#include "html/FormGenerator.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"
#include "project/Action.h"
#include "project/Prompter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quillet;

namespace {

void EditFields(HtmlPage& page, HtmlIter formNode)
{
    SilentPrompter prompter;
    for (HtmlIter field : FormFields(page, formNode)) {
        FieldRowText row = ReadFieldRow(page, field);
        WriteStateCell(page, field, row.state.empty() ? "CHECKED" : "");
        WriteValueCell(page, field, "v");
        if (EqualsNoCase(field->Name(), "select")) {
            ListBoxEditor list(page, field);
            list.AddItem();
            list.SetDefault(list.rows.size() - 1, prompter);
            list.DeleteRows({0});
            list.Write();
        } else if (EqualsNoCase(field->Name(), "textarea")) {
            WriteTextArea(page, field, ReadTextArea(page, field));
        } else {
            WriteInputControl(*field, ReadInputControl(*field));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Form form;
    LoadedPage loaded;
    loaded.file.emplace("page.htm");
    loaded.file->Nodes() = ParseHtml(text);
    ListForms(form, loaded);
    if (!loaded.formNode)
        return 0;
    HtmlPage& page = *loaded.Nodes();
    EditFields(page, *loaded.formNode);
    InsertNewField(page, *loaded.formNode, NewFieldNodes(NewFieldKind::DropDownList, 2));
    FormatForm(loaded, "title");
    std::vector<HtmlIter> fields = FormFields(page, *loaded.formNode);
    if (fields.size() > 1)
        MoveFieldBefore(page, fields.back(), fields.front());
    fields = FormFields(page, *loaded.formNode);
    if (!fields.empty())
        DeleteField(page, fields.front());
    FormatForm(loaded, "");
    WriteHtmlString(page);
    return 0;
}
