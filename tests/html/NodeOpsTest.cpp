#include "HtmlDump.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::Dump;

namespace {

HtmlIter Nth(HtmlPage& page, size_t n)
{
    return std::next(page.begin(), static_cast<long>(n));
}

TEST(NodeOps, FindAttrIgnoresCaseAndEmptyNameFindsTheFlagSlot)
{
    HtmlPage page = ParseHtml("<INPUT type=radio CHECKED Name=x DISABLED>");
    const HtmlNode& input = page.front();
    ASSERT_NE(FindAttr(input, "NAME"), nullptr);
    EXPECT_EQ(*FindAttr(input, "NAME")->value, "x");
    EXPECT_EQ(*FindAttr(input, "")->value, "CHECKED");
    EXPECT_EQ(FindAttr(input, "value"), nullptr);
    EXPECT_EQ(AttrValue(input, "value"), "");
}

TEST(NodeOps, SetAttrsReplacesInPlaceKeepingQuoteAndAppendsNew)
{
    HtmlPage page = ParseHtml("<input name='a' CHECKED value=1>");
    HtmlNode& input = page.front();
    SetAttrs(input, {{"NAME", "b", '"'}, {"", "SELECTED"}, {"value", std::nullopt, '"'}, {"size", "5"}});
    EXPECT_EQ(WriteHtmlString(page), "<input NAME='b' SELECTED value=1 size=5>");
    SetAttr(input, "MULTIPLE", std::nullopt);
    SetAttr(input, "ENCTYPE", "", '"');
    EXPECT_EQ(WriteHtmlString(page), "<input NAME='b' SELECTED value=1 size=5 MULTIPLE ENCTYPE=\"\">");
}

TEST(NodeOps, EditedValuesAreQuotedWhereTheyWouldBreakTheTag)
{
    HtmlPage page = ParseHtml("<input value=x name=n title=\"t\">");
    HtmlNode& input = page.front();
    SetAttrs(input, {{"value", "two words"}, {"title", "say \"hi\""}});
    EXPECT_EQ(WriteHtmlString(page), "<input value=\"two words\" name=n title='say \"hi\"'>");
    SetAttr(input, "value", "");
    EXPECT_EQ(WriteHtmlString(page), "<input value=\"\" name=n title='say \"hi\"'>");
}

TEST(NodeOps, RemoveAttrRemovesTheFirstMatchOnly)
{
    HtmlPage page = ParseHtml("<option CHECKED value=1 SELECTED>");
    RemoveAttr(page.front(), "");
    EXPECT_EQ(WriteHtmlString(page), "<option value=1 SELECTED>");
    RemoveAttr(page.front(), "VALUE");
    RemoveAttr(page.front(), "missing");
    EXPECT_EQ(WriteHtmlString(page), "<option SELECTED>");
}

TEST(NodeOps, NewNodesAndInsertion)
{
    HtmlPage page = ParseHtml("<body></body>");
    HtmlNode text = NewNode("");
    SetAttr(text, "", "hello");
    HtmlPage form = NewElementPair("FORM");
    SetAttr(form.front(), "NAME", "form1");
    HtmlIter formStart = InsertAfter(page, page.begin(), std::move(form));
    InsertAfter(page, formStart, std::move(text));
    Append(page, NewTextNode("\n"));
    EXPECT_EQ(WriteHtmlString(page), "<body><FORM NAME=form1>hello</FORM></body>\n");
    EXPECT_EQ(formStart->Name(), "FORM");
}

TEST(NodeOps, FindMatchingTagCountsNesting)
{
    HtmlPage page = ParseHtml("<TABLE><tr><td><table><tr></table></td></TABLE><input><p>");
    HtmlIter outer = page.begin();
    HtmlIter outerEnd = FindMatchingTag(page, outer);
    EXPECT_EQ(std::distance(page.begin(), outerEnd), 7);
    EXPECT_EQ(FindMatchingTag(page, outerEnd), outer);
    EXPECT_EQ(std::distance(page.begin(), FindMatchingTag(page, Nth(page, 3))), 5);
    HtmlIter input = Nth(page, 8);
    EXPECT_EQ(FindMatchingTag(page, input), input);
    EXPECT_EQ(FindMatchingTag(page, Nth(page, 9)), page.end());
}

TEST(NodeOps, CopyElementIsDeep)
{
    HtmlPage page = ParseHtml("<select name=s><option value=1>One</select><p>");
    HtmlPage copy = CopyElement(page, page.begin());
    EXPECT_EQ(Dump(copy), "<select name=s> <option value=1> T\"One\" </select>");
    SetAttr(copy.front(), "name", "t");
    EXPECT_EQ(AttrValue(page.front(), "name"), "s");
    EXPECT_EQ(Dump(CopyElement(page, std::prev(page.end()))), "<p>");
}

TEST(NodeOps, CopiesKeepTheirBytesAfterThePageIsGone)
{
    HtmlPage copy;
    {
        HtmlPage page = ParseHtml("<TABLE  border=0>\n<tr><td>x</td></TABLE >");
        copy = CopyElement(page, page.begin());
    }
    EXPECT_EQ(WriteHtmlString(copy), "<TABLE  border=0>\n<tr><td>x</td></TABLE >");
    EXPECT_EQ(AttrValue(copy.front(), "BORDER"), "0");
    copy.back().SetName("/table");
    SetAttr(*std::next(copy.begin()), "", "y");
    EXPECT_EQ(WriteHtmlString(copy), "<TABLE  border=0>y<tr><td>x</td></table>");
}

TEST(NodeOps, ReplaceContent)
{
    HtmlPage page = ParseHtml("<textarea>old <b>text</b></textarea><textarea></textarea>");
    HtmlPage one;
    one.push_back(NewTextNode("new"));
    ASSERT_TRUE(ReplaceContent(page, page.begin(), "/TEXTAREA", std::move(one)));
    HtmlPage two;
    two.push_back(NewTextNode("second"));
    HtmlIter empty = FindNextNamed(page, std::next(page.begin(), 3), {"textarea"});
    ASSERT_TRUE(ReplaceContent(page, empty, "/textarea", std::move(two)));
    EXPECT_EQ(WriteHtmlString(page), "<textarea>new</textarea><textarea>second</textarea>");
    HtmlPage three;
    three.push_back(NewTextNode("x"));
    EXPECT_FALSE(ReplaceContent(page, page.begin(), "/select", std::move(three)));
    EXPECT_EQ(WriteHtmlString(page), "<textarea>new</textarea><textarea>second</textarea>");
}

TEST(NodeOps, CollectTextStopsAtTheStopSet)
{
    HtmlPage page = ParseHtml("<option>One <b>bold</b> two<OPTION>Three</select>");
    EXPECT_EQ(CollectText(page, std::next(page.begin()), {"option", "/select"}), "One bold two");
    EXPECT_EQ(CollectText(page, std::prev(page.end()), {"option"}), std::nullopt);
}

TEST(NodeOps, FindNextNamedStartsWithTheGivenNode)
{
    HtmlPage page = ParseHtml("<Form><input></FORM>");
    EXPECT_EQ(FindNextNamed(page, page.begin(), {"form"}), page.begin());
    EXPECT_EQ(FindNextNamed(page, std::next(page.begin()), {"/form"}), std::prev(page.end()));
    EXPECT_EQ(FindNextNamed(page, std::next(page.begin()), {"select"}), page.end());
}

// A page of some thousand nodes spans many storage blocks: nodes must keep their
// places and bytes while the page object moves, runs move within it or to another
// page, and the page they came from is gone.
TEST(NodeOps, NodesKeepTheirBytesThroughMovesSplicesAndReuse)
{
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "<p id=" + std::to_string(i) + ">" + std::to_string(i) + "</p>\n";
    HtmlPage page = ParseHtml(text);
    ASSERT_EQ(page.size(), 1600u);
    HtmlIter late = Nth(page, 1200);
    HtmlPage moved = std::move(page);
    EXPECT_EQ(AttrValue(*late, "id"), "300");
    EXPECT_EQ(std::distance(late, moved.end()), 400);

    // A run moved to the end of its own page.
    moved.splice(moved.end(), moved, Nth(moved, 0), Nth(moved, 4));
    EXPECT_EQ(WriteHtmlString(moved), text.substr(text.find("<p id=1>")) + "<p id=0>0</p>\n");
    moved.splice(moved.begin(), moved, Nth(moved, 1596), moved.end());
    EXPECT_EQ(WriteHtmlString(moved), text);

    // Nodes 400..799 to another page, which outlives the first; an edit on the way.
    HtmlPage other;
    HtmlIter first = other.splice(other.end(), moved, Nth(moved, 400), Nth(moved, 800));
    EXPECT_EQ(AttrValue(*first, "id"), "100");
    SetAttr(*std::next(first, 4), "id", "x");
    HtmlNode copy = *std::next(first, 8);
    size_t from = text.find("<p id=100>"), to = text.find("<p id=200>");
    std::string expected = text.substr(from, to - from);
    expected.replace(expected.find("<p id=101>"), 10, "<p id=x>");
    moved = HtmlPage();
    EXPECT_EQ(WriteHtmlString(other), expected);
    EXPECT_EQ(copy.Source(), "<p id=102>");

    // Freed places are reused without disturbing the nodes around them.
    HtmlIter keep = Nth(other, 8);
    other.erase(other.begin(), keep);
    for (int i = 0; i < 300; ++i)
        Append(other, NewTextNode("+"));
    other.erase(Nth(other, 4), Nth(other, 8));
    EXPECT_EQ(AttrValue(*keep, "id"), "102");
    other.splice(other.begin(), ParseHtml("<b >bold</b >"));
    EXPECT_EQ(other.size(), 691u);
    std::string rest = expected.substr(expected.find("<p id=102>"));
    rest.erase(rest.find("<p id=103>"), 18);
    EXPECT_EQ(WriteHtmlString(other), "<b >bold</b >" + rest + std::string(300, '+'));
}

} // namespace
