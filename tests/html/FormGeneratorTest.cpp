#include "html/FormGenerator.h"
#include "html/FormDiscovery.h"
#include "html/FormFields.h"
#include "html/Honeypot.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"
#include "project/Action.h"
#include "project/Prompter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

// A loaded page with its form selected, as the Form tab holds it.
struct Loaded {
    Form form;
    LoadedPage page;

    explicit Loaded(std::string_view html)
    {
        page.file.emplace("page.htm");
        page.file->Nodes() = ParseHtml(html);
        ListForms(form, page);
    }
    HtmlPage& Nodes() { return *page.Nodes(); }
    std::string Html() { return WriteHtmlString(Nodes()); }
};

void AddField(Loaded& loaded, NewFieldKind kind, int number)
{
    InsertNewField(loaded.Nodes(), *loaded.page.formNode, NewFieldNodes(kind, number));
}

} // namespace

TEST(FormGenerator, NewPageLoadsWithFormOneAndTakesATextBox)
{
    TempDir dir;
    WriteBytes(dir.File("new.htm"), std::string(kNewPageText));
    Form form;
    form.pageFile = dir.File("new.htm");
    LoadedPage page;
    ASSERT_EQ(FindForm(form, page), FindFormResult::Found);
    EXPECT_EQ(form.formName, "form1");
    HtmlIter field = InsertNewField(*page.Nodes(), *page.formNode, NewFieldNodes(NewFieldKind::TextBox, 1));
    EXPECT_EQ(WriteHtmlString(*page.Nodes()),
              "<html><head><Meta NAME=\"GENERATOR\" CONTENT=\"Quillet 4.0 Web Form CGI Script Creator\"></head>\n"
              "<body bgcolor=\"#ffffff\">\n<form NAME=\"form1\"><INPUT NAME=\"Field1\" TYPE=TEXT>\n</form>\n"
              "</body>\n</html>\n");
    EXPECT_EQ(FormFields(*page.Nodes(), *page.formNode), std::vector<HtmlIter>{field});
}

TEST(FormGenerator, NewFieldsOfEveryButton)
{
    const std::pair<NewFieldKind, std::string> cases[] = {
        {NewFieldKind::TextBox, "<INPUT NAME=\"Field3\" TYPE=TEXT>"},
        {NewFieldKind::PasswordBox, "<INPUT NAME=\"Field3\" TYPE=PASSWORD>"},
        {NewFieldKind::HiddenTextBox, "<INPUT NAME=\"Field3\" TYPE=HIDDEN>"},
        {NewFieldKind::RadioButton, "<INPUT NAME=\"Field3\" TYPE=RADIO>"},
        {NewFieldKind::CheckBox, "<INPUT NAME=\"Field3\" TYPE=CHECKBOX>"},
        {NewFieldKind::FileUpload, "<INPUT NAME=\"Field3\" TYPE=FILE>"},
        {NewFieldKind::Button, "<INPUT NAME=\"Field3\" TYPE=SUBMIT>"},
        {NewFieldKind::DropDownList, "<SELECT NAME=\"Field3\"><OPTION VALUE=\"0\">Item0</SELECT>"},
        {NewFieldKind::MultipleChoiceList, "<SELECT NAME=\"Field3\" MULTIPLE><OPTION VALUE=\"0\">Item0</SELECT>"},
        {NewFieldKind::TextArea, "<TEXTAREA NAME=\"Field3\" ROWS=5 COLS=40></TEXTAREA>"},
    };
    for (const auto& [kind, html] : cases)
        EXPECT_EQ(WriteHtmlString(NewFieldNodes(kind, 3)), html);
}

TEST(FormGenerator, NewFieldGoesAfterTheLastFieldInsideTheForm)
{
    // The list is left open: the new field still goes inside the form.
    Loaded loaded("<body><form name=f><select name=s><option>a</form><p>after</p></body>");
    AddField(loaded, NewFieldKind::TextBox, 2);
    EXPECT_EQ(loaded.Html(),
              "<body><form name=f><select name=s><option>a<INPUT NAME=\"Field2\" TYPE=TEXT></form><p>after</p></body>");

    Loaded closed("<form name=f><textarea name=t>x</textarea> tail</form>");
    AddField(closed, NewFieldKind::CheckBox, 2);
    EXPECT_EQ(closed.Html(),
              "<form name=f><textarea name=t>x</textarea><INPUT NAME=\"Field2\" TYPE=CHECKBOX> tail</form>");
}

TEST(FormGenerator, EnsureFormRefusesOrMakesAForm)
{
    SilentPrompter prompter;
    Loaded listed("<body><form name=a></form></body>");
    listed.page.formNode.reset();
    EXPECT_FALSE(EnsureForm(listed.form, listed.page, true, prompter));
    EXPECT_EQ(prompter.LastText().rfind("Don't know where to add this field.", 0), 0u);

    Loaded noBody("<p>no body here</p>");
    EXPECT_FALSE(EnsureForm(noBody.form, noBody.page, false, prompter));
    EXPECT_EQ(prompter.LastText(),
              "The current file in the Form tab is not an HTML file. Please load a valid HTML file now.");

    Loaded body("<html><BODY bgcolor=white>text</BODY></html>");
    ASSERT_TRUE(EnsureForm(body.form, body.page, false, prompter));
    EXPECT_EQ(body.form.formName, "form1");
    EXPECT_EQ(body.Html(), "<html><BODY bgcolor=white><FORM NAME=form1></FORM>text</BODY></html>");

    Form form;
    LoadedPage nothing;
    ASSERT_TRUE(EnsureForm(form, nothing, false, prompter));
    EXPECT_EQ(WriteHtmlString(*nothing.Nodes()), "<HTML><BODY><FORM NAME=form1></FORM></BODY></HTML>");
    EXPECT_EQ((*nothing.formNode)->Name(), "FORM");
}

TEST(FormGenerator, FormatFormLaysOutRowsGroupsAndButtons)
{
    Loaded loaded("<body><form name=f>Intro <input type=text name=A content=\"EMAIL\">"
                  "<input type=radio name=B value=x><input type=radio name=B value=y>"
                  "<input type=checkbox name=C content=ANYTHING><input type=submit name=go><input type=reset>"
                  "</form></body>");
    FormatForm(loaded.page, "Order");
    const std::string open = "<TR><TD valign=top bgcolor=\"#E0E0FF\"><FONT color=#000000 face=ARIAL>";
    const std::string middle = "&nbsp;</FONT></TD><TD bgcolor=\"#E0E0FF\"><FONT color=#000000 face=ARIAL>";
    const std::string close = "</FONT></TD></TR>\n";
    EXPECT_EQ(loaded.Html(),
              "<body><form name=f><TABLE border=0 cellpadding=5 cellspacing=1><TR><TH colspan=2 bgcolor=\"#00008C\">"
              "<FONT color=#FFFFFF face=ARIAL>Order</FONT></TH></TR>\n" +
                  open + "*A" + middle + "&nbsp;<input type=text name=A content=\"EMAIL\">&nbsp;" + close + open +
                  "&nbsp;B" + middle +
                  "&nbsp;<input type=radio name=B value=x>&nbsp;x&nbsp;&nbsp;&nbsp;"
                  "&nbsp;<input type=radio name=B value=y>&nbsp;y&nbsp;&nbsp;&nbsp;" +
                  close + open + "&nbsp;C" + middle + "&nbsp;<input type=checkbox name=C content=ANYTHING>&nbsp;" +
                  close +
                  "<TR><TD colspan=2 align=center bgcolor=\"#E0E0FF\"><FONT color=#000000>"
                  "&nbsp;<input type=submit name=go>&nbsp;&nbsp;<input type=reset>&nbsp;" +
                  close + "</TABLE>\n</form></body>");
    EXPECT_EQ((*loaded.page.formNode)->Name(), "form");

    std::string once = loaded.Html();
    FormatForm(loaded.page, "Order");
    EXPECT_EQ(loaded.Html(), once);
}

TEST(FormGenerator, FormatFormKeepsOtherFormsAndAnUnclosedForm)
{
    Loaded loaded("<form name=a><input name=x></form><form name=b>keep<input name=y></form>");
    FormatForm(loaded.page, "");
    EXPECT_NE(loaded.Html().find("<form name=b>keep<input name=y></form>"), std::string::npos);
    EXPECT_NE(loaded.Html().find("<FONT color=#FFFFFF face=ARIAL>&nbsp;</FONT>"), std::string::npos);

    Loaded open("<form name=a>text<input name=x><p>rest of page</p>");
    FormatForm(open.page, "T");
    EXPECT_EQ(open.Html(), "<form name=a>text<input name=x><p>rest of page</p>");
}

TEST(FormGenerator, RequiredMark)
{
    const std::pair<const char*, bool> cases[] = {
        {"<input content=EMAIL>", true},
        {"<input content=anything>", false},
        {"<input>", false},
        {"<input content=\"\">", false},
        {"<input require=yes content=ANYTHING>", true},
        {"<input require=\"\" content=EMAIL>", false},
    };
    for (const auto& [html, required] : cases)
        EXPECT_EQ(IsRequiredField(ParseHtml(html).front()), required) << html;
}

// The honeypot goes in once, right after the form tag; the rest of the page
// keeps its bytes.
TEST(Honeypot, AddedOnceAfterTheFormTag)
{
    HtmlPage page = ParseHtml("<p>x</p>\r\n<FORM name=f>\r\n<input name=a></FORM>");
    HtmlIter form = FindNextNamed(page, page.begin(), {"form"});
    EXPECT_TRUE(AddHoneypot(page, form));
    EXPECT_FALSE(AddHoneypot(page, form));
    std::string text = WriteHtmlString(page);
    EXPECT_EQ(text.substr(0, 23), "<p>x</p>\r\n<FORM name=f>");
    EXPECT_EQ(text.substr(text.size() - 29), "</div>\r\n<input name=a></FORM>");
    EXPECT_NE(text.find("<label for=\"hp_website\">Leave this field empty</label><input type=\"text\" "
                        "name=\"hp_website\" id=\"hp_website\" value=\"\" tabindex=\"-1\""),
              std::string::npos);
}
