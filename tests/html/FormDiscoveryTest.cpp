#include "html/FormDiscovery.h"
#include "html/FormFields.h"
#include "project/Action.h"
#include "project/Form.h"
#include "project/Prompter.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ScriptedPrompter;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

class FormDiscovery : public ::testing::Test {
protected:
    // A project file in the temporary folder and a page beside it, named relatively.
    void Load(const std::string& html, const std::string& formName = {})
    {
        WriteBytes(dir.File("page.html"), html);
        form.pageFile = "page.html";
        form.formName = formName;
        page = LoadedPage(dir.File("order.prj"));
    }
    HtmlPage& Nodes() { return *page.Nodes(); }
    std::string NameOf(HtmlIter node) { return std::string(AttrValue(*node, "NAME")); }

    TempDir dir;
    Form form;
    LoadedPage page;
};

// The name the form list shows for an unnamed form is the name that picks it and
// the name it gets: its position among all forms of the page, counted from 1.
TEST_F(FormDiscovery, UnnamedFormsAreNamedByTheirPosition)
{
    struct Case {
        std::string page;
        std::string wanted;
        std::string listed;
        std::string taken;
    };
    const Case cases[] = {
        {"<form></form><form name=b></form><form></form>", "", "form1 b form3", "form1"},
        {"<form></form><form name=b></form><form></form>", "form3", "form1 b form3", "form3"},
        {"<form name=a></form><form></form>", "", "a form2", "form2"},
        {"<form name=a></form><form name=b></form>", "", "a b", "a"},
        {"<form></form><form name=b></form>", "gone", "form1 b", "form1"},
        {"<form name=form2></form><form></form>", "form2", "form2 form2_2", "form2"},
        {"<form name=form2></form><form></form>", "form2_2", "form2 form2_2", "form2_2"},
        // Names match exactly; one that no form has takes the first.
        {"<FORM NAME=order></FORM><form name=\"Order\"></form>", "Order", "order Order", "Order"},
        {"<FORM NAME=order></FORM><form name=\"Order\"></form>", "ORDER", "order Order", "order"},
    };
    for (const Case& c : cases) {
        Load(c.page, c.wanted);
        ASSERT_EQ(FindForm(form, page), FindFormResult::Found);
        std::string listed;
        for (const FormEntry& entry : PageForms(Nodes()))
            listed += (listed.empty() ? "" : " ") + entry.name;
        EXPECT_EQ(listed, c.listed) << c.page;
        EXPECT_EQ(form.formName, c.taken) << c.page << " " << c.wanted;
        EXPECT_EQ(NameOf(*page.formNode), c.taken) << c.page << " " << c.wanted;
        FormListing listing = ListForms(form, page);
        ASSERT_TRUE(listing.selected);
        EXPECT_EQ(listing.entries[*listing.selected].node, *page.formNode) << c.page << " " << c.wanted;
    }
}

TEST_F(FormDiscovery, PageWithoutFormsKeepsTheFormAsItWas)
{
    Load("<p>no form</p>", "order");
    EXPECT_EQ(FindForm(form, page), FindFormResult::NoForm);
    EXPECT_FALSE(page.formNode);
    EXPECT_EQ(form.formName, "order");
    FormListing listing = ListForms(form, page);
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_FALSE(listing.selected);
    EXPECT_EQ(form.formName, "order");
}

TEST_F(FormDiscovery, UnreadablePage)
{
    form.pageFile = "missing.html";
    form.formName = "order";
    page = LoadedPage(dir.File("order.prj"));
    EXPECT_EQ(FindForm(form, page), FindFormResult::Unreadable);
    EXPECT_FALSE(page.file);
    ScriptedPrompter prompter;
    prompter.ExpectShow("Can't find file " + dir.File("missing.html"));
    EXPECT_FALSE(ReloadPage(form, page, prompter));
    EXPECT_FALSE(page.formNode);
    form.pageFile.clear();
    EXPECT_FALSE(ReloadPage(form, page, prompter));
    EXPECT_TRUE(prompter.Done());
}

TEST_F(FormDiscovery, FieldWalkKindsNamesAndValues)
{
    Load("<form name=f><INPUT type=Radio name=size value=S><input type=radio name=size value=M>"
         "<select name=c><option value=1>One<option SELECTED value=2>Two <b>!</b></option></select>"
         "<textarea name=t>Hi\nthere</textarea><input><input type=button name=b value=\"Go on\">"
         "<select name=m MULTIPLE><option>x</select><select name=n multiple=multiple></select>"
         "<input type=SUBMIT name=go><input type=image>"
         "</FORM><input name=after>",
         "f");
    ASSERT_EQ(FindForm(form, page), FindFormResult::Found);
    std::vector<std::string> seen;
    for (HtmlIter field : FormFields(Nodes(), *page.formNode))
        seen.push_back(std::string(FieldKindLabel(*FieldKindOf(*field))) + ":" + NameOf(field) + "=" +
                       FieldValue(Nodes(), field));
    const std::vector<std::string> expected = {
        "radio button:size=S", "radio button:size=M", "drop-down list:c=Two !",  "multiple-line text box:t=Hi\nthere",
        "text box:=",          "button:b=Go on",      "multiple choice list:m=", "multiple choice list:n=",
        "submit button:go=",   "image button:="};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(FieldNamesOfForm(Nodes(), *page.formNode),
              (std::vector<std::string>{"size", "c", "t", "b", "m", "n", "go"}));
    EXPECT_EQ(FormFields(Nodes(), *page.formNode, FieldSet::InputsOnly).size(), 6u);
    // Only a submit or image button with a name gets a handler.
    for (HtmlIter field : FormFields(Nodes(), *page.formNode))
        HandlerForField(form, *field);
    ASSERT_EQ(form.handlers.size(), 1u);
    EXPECT_EQ(form.handlers[0].name, "go");
}

TEST_F(FormDiscovery, SaveWritesTheNamedFormAndTakesTheNewTime)
{
    Load("<form>\n<input name=a></form>\n");
    ScriptedPrompter prompter;
    ASSERT_TRUE(ReloadPage(form, page, prompter));
    std::filesystem::last_write_time(dir.File("page.html"), *page.pageTime - std::chrono::seconds(60));
    ASSERT_TRUE(SavePage(form, page));
    EXPECT_EQ(quillet::test::ReadBytes(dir.File("page.html")), "<form NAME=\"form1\">\n<input name=a></form>\n");
    EXPECT_FALSE(PageChangedOnDisk(form, page));
    form.pageFile = "no/such/folder/other.html";
    EXPECT_FALSE(SavePage(form, page));
    EXPECT_EQ(page.file->Path(), dir.File("page.html"));
}

class RenameButton : public FormDiscovery {
protected:
    void SetUp() override
    {
        Load("<form><input type=submit name=one><input type=submit name=two><input type=text name=t></form>");
        ASSERT_EQ(FindForm(form, page), FindFormResult::Found);
        fields = FormFields(Nodes(), *page.formNode);
        for (HtmlIter field : fields)
            HandlerForField(form, *field);
        form.handlers.push_back(Handler{"spare", {}});
        form.handlers[0].actions.emplace_back();
    }
    std::vector<std::string> HandlerNames()
    {
        std::vector<std::string> names;
        for (const Handler& h : form.handlers)
            names.push_back(h.name);
        return names;
    }

    std::vector<HtmlIter> fields;
    ScriptedPrompter prompter;
};

TEST_F(RenameButton, OwnHandlerTakesAFreeName)
{
    std::string link = "one";
    ASSERT_TRUE(RenameField(form, *fields[0], link, {"two"}, "first  ", prompter));
    EXPECT_EQ(link, "first");
    EXPECT_EQ(HandlerNames(), (std::vector<std::string>{"first", "two", "spare"}));
    EXPECT_EQ(form.handlers[0].actions.size(), 1u);
    EXPECT_EQ(FindAttr(*fields[0], "name")->value, "first");
    EXPECT_EQ(FindAttr(*fields[0], "name")->quote, 0) << "an existing NAME keeps its quote";
}

TEST_F(RenameButton, TakesOverAnUnlinkedHandlerAndDropsItsEmptyOne)
{
    std::string link = "two";
    ASSERT_TRUE(RenameField(form, *fields[1], link, {"one"}, "spare", prompter));
    EXPECT_EQ(link, "spare");
    EXPECT_EQ(HandlerNames(), (std::vector<std::string>{"one", "spare"}));
}

TEST_F(RenameButton, KeepsAPreviousHandlerThatHasActions)
{
    std::string link = "one";
    ASSERT_TRUE(RenameField(form, *fields[0], link, {"two"}, "spare", prompter));
    EXPECT_EQ(HandlerNames(), (std::vector<std::string>{"one", "two", "spare"}));
}

TEST_F(RenameButton, NameOfAnotherButtonIsRefused)
{
    std::string link = "one";
    prompter.ExpectShow("\"two\" is already used");
    EXPECT_FALSE(RenameField(form, *fields[0], link, {"two"}, "two", prompter));
    EXPECT_TRUE(prompter.Done());
    EXPECT_EQ(link, "one");
    EXPECT_EQ(AttrValue(*fields[0], "name"), "one");
    EXPECT_EQ(HandlerNames(), (std::vector<std::string>{"one", "two", "spare"}));
}

TEST_F(RenameButton, OtherFieldsOnlyChangeTheirName)
{
    std::string link;
    ASSERT_TRUE(RenameField(form, *fields[2], link, {"one", "two"}, "two", prompter));
    EXPECT_EQ(AttrValue(*fields[2], "name"), "two");
    EXPECT_EQ(HandlerNames(), (std::vector<std::string>{"one", "two", "spare"}));
}

class PageChanged : public FormDiscovery {
protected:
    void Touch(std::chrono::seconds later)
    {
        std::filesystem::last_write_time(dir.File("page.html"), *page.pageTime + later);
    }
    ScriptedPrompter prompter;
};

TEST_F(PageChanged, AskedOnlyWhileTheFileIsNewer)
{
    Load("<form name=a></form>", "a");
    ASSERT_TRUE(ReloadPage(form, page, prompter));
    ASSERT_TRUE(page.pageTime);
    EXPECT_FALSE(CheckPageChanged(form, page, prompter));

    WriteBytes(dir.File("page.html"), "<form name=a><input name=new></form>");
    Touch(std::chrono::seconds(5));
    prompter.ExpectQuestion("File changed!\r\nReload?\r\n", Prompter::Answer::No);
    prompter.ExpectQuestion("File changed!\r\nReload?\r\n", Prompter::Answer::Yes);
    EXPECT_FALSE(CheckPageChanged(form, page, prompter));
    EXPECT_TRUE(CheckPageChanged(form, page, prompter)) << "asked again after No";
    EXPECT_TRUE(prompter.Done());
    EXPECT_EQ(FieldNamesOfForm(Nodes(), *page.formNode), std::vector<std::string>{"new"});
    EXPECT_FALSE(CheckPageChanged(form, page, prompter));
}

TEST_F(PageChanged, NotAskedWithoutAPathOrFile)
{
    Load("<form></form>");
    ASSERT_TRUE(ReloadPage(form, page, prompter));
    Touch(std::chrono::seconds(5));
    Form noPath = form;
    noPath.pageFile.clear();
    EXPECT_FALSE(CheckPageChanged(noPath, page, prompter));
    std::filesystem::remove(dir.File("page.html"));
    EXPECT_FALSE(CheckPageChanged(form, page, prompter));
}

} // namespace
