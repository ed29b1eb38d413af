#include "html/FieldDialogs.h"
#include "html/FieldRows.h"
#include "html/FormGenerator.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"
#include "project/Prompter.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

std::string Html(const HtmlPage& page)
{
    return WriteHtmlString(page);
}

HtmlIter First(HtmlPage& page, std::string_view name)
{
    return FindNextNamed(page, page.begin(), {name});
}

} // namespace

TEST(InputControl, PasswordBoxBecomesHiddenKeepingNameAndValue)
{
    HtmlPage page = ParseHtml("<input type=password name=pw value=\"x\" content=\"NOT NULL\">");
    InputControlValues values = ReadInputControl(page.front());
    EXPECT_EQ(values.pressed, InputButton::PasswordBox);
    EXPECT_EQ(values.shown,
              (std::vector<InputButton>{InputButton::TextBox, InputButton::PasswordBox, InputButton::HiddenTextBox}));
    values.pressed = InputButton::HiddenTextBox;
    WriteInputControl(page.front(), values);
    EXPECT_EQ(Html(page), "<input TYPE=HIDDEN NAME=pw VALUE=\"x\" content=\"NOT NULL\" SIZE=\"\" MAXLENGTH=\"\">");
}

TEST(InputControl, GroupsAndFields)
{
    const std::tuple<const char*, InputButton, size_t> cases[] = {
        {"<input type=Radio>", InputButton::RadioButton, 1},  {"<input type=checkbox>", InputButton::CheckBox, 1},
        {"<input type=file>", InputButton::FileUploadBox, 1}, {"<input type=reset>", InputButton::ResetButton, 3},
        {"<input type=IMAGE>", InputButton::ImageButton, 3},  {"<input type=submit>", InputButton::SubmitButton, 3},
        {"<input type=button>", InputButton::PlainButton, 3}, {"<input>", InputButton::TextBox, 3},
        {"<input type=color>", InputButton::TextBox, 3},      {"<button name=go>", InputButton::SubmitButton, 3},
    };
    for (const auto& [html, pressed, shown] : cases) {
        InputControlValues values = ReadInputControl(ParseHtml(html).front());
        EXPECT_EQ(values.pressed, pressed) << html;
        EXPECT_EQ(values.shown.size(), shown) << html;
    }
}

TEST(InputControl, CheckedWordClearedAndButtonsKeepDefault)
{
    HtmlPage box = ParseHtml("<input type=checkbox name=c value=1 CHECKED>");
    InputControlValues values = ReadInputControl(box.front());
    EXPECT_EQ(values.state, "CHECKED");
    values.state.clear();
    WriteInputControl(box.front(), values);
    EXPECT_EQ(Html(box), "<input TYPE=CHECKBOX NAME=c VALUE=1 SIZE=\"\" MAXLENGTH=\"\">");

    HtmlPage submit = ParseHtml("<input type=submit name=go DEFAULT>");
    values = ReadInputControl(submit.front());
    EXPECT_TRUE(values.defaultButton);
    WriteInputControl(submit.front(), values);
    EXPECT_EQ(Html(submit), "<input TYPE=SUBMIT NAME=go DEFAULT VALUE=\"\">");

    HtmlPage image = ParseHtml("<input type=image src=a.gif alt=Go name=i>");
    values = ReadInputControl(image.front());
    EXPECT_EQ(values.imageUrl, "a.gif");
    values.altText = "Send";
    WriteInputControl(image.front(), values);
    EXPECT_EQ(Html(image), "<input TYPE=IMAGE SRC=a.gif ALT=Send NAME=i VALUE=\"\">");

    HtmlPage plain = ParseHtml("<input type=button name=b value=Hi>");
    WriteInputControl(plain.front(), ReadInputControl(plain.front()));
    EXPECT_EQ(Html(plain), "<input TYPE=BUTTON NAME=b VALUE=Hi>");
}

TEST(ListBox, AddDeleteDefaultAndWrite)
{
    HtmlPage page = NewFieldNodes(NewFieldKind::DropDownList, 1);
    ListBoxEditor list(page, page.begin());
    ASSERT_EQ(list.rows.size(), 1u);
    for (int i = 0; i < 3; ++i)
        list.AddItem();
    EXPECT_EQ(Html(page), "<SELECT NAME=\"Field1\"><OPTION VALUE=\"0\">Item0<OPTION VALUE=\"2\">Item2"
                          "<OPTION VALUE=\"3\">Item3<OPTION VALUE=\"4\">Item4</SELECT>");
    list.DeleteRows({2, 0});
    EXPECT_EQ(Html(page), "<SELECT NAME=\"Field1\"><OPTION VALUE=\"2\">Item2<OPTION VALUE=\"4\">Item4</SELECT>");

    SilentPrompter prompter;
    EXPECT_FALSE(list.SetDefault(std::nullopt, prompter));
    EXPECT_EQ(prompter.LastText(), "You must select an item first in order to set it as the default option!");
    list.rows[0].text = "Small";
    list.rows[1].value = "L";
    list.size = "2";
    list.multiple = true;
    list.Write();
    EXPECT_EQ(
        Html(page),
        "<SELECT NAME=\"Field1\" SIZE=\"2\" MULTIPLE><OPTION VALUE=\"2\">Small<OPTION VALUE=\"L\">Item4</SELECT>");
}

TEST(ListBox, DefaultMovesSelectedAndDropDownDropsBareMultiple)
{
    HtmlPage page = ParseHtml("<select name=s multiple><option selected value=a>A</option><option value=b>B"
                              "</option></select>");
    ListBoxEditor list(page, page.begin());
    EXPECT_TRUE(list.multiple);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_TRUE(list.rows[0].selected);
    SilentPrompter prompter;
    ASSERT_TRUE(list.SetDefault(1, prompter));
    EXPECT_EQ(Html(page), "<select name=s multiple><option value=a>A</option><option value=b SELECTED>B</option>"
                          "</select>");
    list.multiple = false;
    list.Write();
    EXPECT_FALSE(IsMultipleSelect(page.front()));
    list.DeleteRows({0});
    EXPECT_EQ(Html(page), "<select NAME=s SIZE=\"\"><option VALUE=b SELECTED>B</option></select>");
}

TEST(TextArea, ReadAndWrite)
{
    HtmlPage page = ParseHtml("<textarea name=t rows=3>Hello <b>you</b></textarea>");
    TextAreaValues values = ReadTextArea(page, page.begin());
    EXPECT_EQ(values.name, "t");
    EXPECT_EQ(values.rows, "3");
    EXPECT_EQ(values.defaultValue, "Hello <b>you</b>");
    values.defaultValue = "Bye";
    values.cols = "abc";
    WriteTextArea(page, page.begin(), values);
    EXPECT_EQ(Html(page), "<textarea NAME=t ROWS=3 COLS=\"abc\" MAXLENGTH=\"\">Bye</textarea>");
}

TEST(FieldRows, StateCellOfACheckBox)
{
    HtmlPage page = ParseHtml("<input type=checkbox name=c value=1>");
    WriteStateCell(page, page.begin(), "CHECKED");
    EXPECT_EQ(Html(page), "<input type=checkbox name=c value=1 CHECKED>");
    EXPECT_EQ(ReadFieldRow(page, page.begin()).state, "CHECKED");
    WriteStateCell(page, page.begin(), "");
    EXPECT_EQ(Html(page), "<input type=checkbox name=c value=1>");
}

TEST(FieldRows, ValueCellOfEachKind)
{
    HtmlPage none = ParseHtml("<select name=s><option value=1>One<option value=2>Two</select>");
    WriteValueCell(none, none.begin(), "X");
    EXPECT_EQ(Html(none), "<select name=s><option value=1>One<option value=2>Two</select>");

    HtmlPage flagged = ParseHtml("<select name=s><option value=1>One<option selected value=2>Two</select>");
    EXPECT_EQ(ReadFieldRow(flagged, flagged.begin()).value, "Two");
    EXPECT_EQ(ReadFieldRow(flagged, flagged.begin()).state, "selected");
    WriteValueCell(flagged, flagged.begin(), "Deux");
    EXPECT_EQ(Html(flagged), "<select name=s><option value=1>One<option selected value=2>Deux</select>");

    HtmlPage area = ParseHtml("<textarea name=t>old</textarea>");
    WriteValueCell(area, area.begin(), "new");
    EXPECT_EQ(Html(area), "<textarea name=t>new</textarea>");

    HtmlPage input = ParseHtml("<input name=i>");
    WriteValueCell(input, input.begin(), "v");
    WriteContentCell(input.front(), "EMAIL");
    EXPECT_EQ(Html(input), "<input name=i VALUE=\"v\" CONTENT=\"EMAIL\">");
    WriteContentCell(input.front(), "");
    EXPECT_EQ(Html(input), "<input name=i VALUE=\"v\">");
}

TEST(FieldRows, ReplaceDeleteAndMoveFields)
{
    HtmlPage page = ParseHtml("<form><input name=a><select name=s><option>x</select><textarea name=t>y</textarea>"
                              "</form>");
    HtmlIter select = First(page, "select");
    HtmlPage edited = ParseHtml("<select name=z><option>q</select>");
    HtmlIter replaced = ReplaceField(page, select, std::move(edited));
    EXPECT_EQ(AttrValue(*replaced, "name"), "z");
    MoveFieldBefore(page, First(page, "textarea"), First(page, "input"));
    EXPECT_EQ(Html(page), "<form><textarea name=t>y</textarea><input name=a><select name=z><option>q</select></form>");
    // A field moved before itself stays put.
    MoveFieldBefore(page, First(page, "select"), First(page, "option"));
    DeleteField(page, First(page, "select"));
    DeleteField(page, First(page, "input"));
    EXPECT_EQ(Html(page), "<form><textarea name=t>y</textarea></form>");
}

TEST(FieldRows, EditsOfAListLeftOpenKeepTheFieldsInside)
{
    HtmlPage page = ParseHtml("<form><select name=s><option selected>a<input name=x><textarea name=t>q</textarea>"
                              "<input name=y></form>");
    HtmlIter select = First(page, "select");
    WriteValueCell(page, select, "b");
    ListBoxEditor list(page, select);
    list.Write();
    list.DeleteRows({0});
    WriteValueCell(page, First(page, "textarea"), "z");
    WriteTextArea(page, First(page, "textarea"), ReadTextArea(page, First(page, "textarea")));
    std::string html = Html(page);
    EXPECT_NE(html.find("<input name=x>"), std::string::npos) << html;
    EXPECT_NE(html.find("<input name=y>"), std::string::npos) << html;
}
