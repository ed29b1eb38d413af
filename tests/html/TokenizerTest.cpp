#include "HtmlDump.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::Dump;

namespace {

struct TokenCase {
    const char* name;
    std::string page;
    std::string nodes;
};

class TokenizerCases : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenizerCases, GivesNodesAndWritesBackEveryByte)
{
    const TokenCase& c = GetParam();
    HtmlPage page = ParseHtml(c.page);
    EXPECT_EQ(Dump(page), c.nodes);
    EXPECT_EQ(WriteHtmlString(page), c.page);
}

const TokenCase kTokenCases[] = {
    {"FlagWordIsUnnamed", "<INPUT TYPE=checkbox NAME=a CHECKED>", "<INPUT TYPE=checkbox NAME=a =CHECKED>"},
    {"ApostrophesKept", "<A href='my page.html'>x</A>", "<A href='my page.html'> T\"x\" </A>"},
    {"BlanksAroundEquals", "<a href = \"x\" title =y>", "<a href=\"x\" title=y>"},
    {"BareWordsInARow", "<select name=s multiple disabled>", "<select name=s =multiple =disabled>"},
    {"ScriptIsRawText", "<script>if (a < b) s = \"</p>\";</script>",
     "<script> T\"if (a < b) s = \"</p>\";\" </script>"},
    {"AnyRawEndTagEndsRawText", "<style>p{}< /Script ><p>", "<style> T\"p{}\" T\"< /Script >\" <p>"},
    {"TextareaIsRawText", "<TEXTAREA name=t>a <b> c</textarea>", "<TEXTAREA name=t> T\"a <b> c\" </textarea>"},
    {"EmptyRawElement", "<script></script>x", "<script> </script> T\"x\""},
    {"LessThanInText", "a < b <= c <> d", "T\"a < b <= c <> d\""},
    {"LessThanBeforeDigitIsText", "of <5 items<b>{s<7?1:0}</b>", "T\"of <5 items\" <b> T\"{s<7?1:0}\" </b>"},
    {"ProcessingInstructionEndsAtFirstGt", "<?xml v=\"1\"?><?php \"a>b\" ?>", "<?xml v=\"1\" =?> <?php> T\"b\" ?>\""},
    {"BangDashIsText", "x <!-y> z", "T\"x <!-y> z\""},
    {"Comment", "<!-- a -- b -- >c", "<!-- = a -- b --> T\"c\""},
    {"EmptyComment", "<!---->", "<!-- =-->"},
    {"ServerBlock", "<%= $x %>", "<% == $x >"},
    {"EmptyServerBlock", "<%%>", "<%>"},
    {"Declaration", "<!DOCTYPE html PUBLIC \"-//W3C\">", "<!DOCTYPE =html =PUBLIC =\"-//W3C\">"},
    {"EndTag", "</FORM >", "</FORM>"},
    {"NamesStayWhole", "<my-widget o:p x.y=1></my-widget>", "<my-widget =o:p x.y=1> </my-widget>"},
    {"LongNamesNotCut", "<abcdefghijklmnopqrst a123456789012345678901234567890123456789=v>",
     "<abcdefghijklmnopqrst a123456789012345678901234567890123456789=v>"},
    {"EmptyValues", "<a b=\"\" c='' d= >", "<a b=\"~\" c='~' d=~>"},
    {"BackslashKeepsQuote", "<a v=\"say \\\"hi\\\"\">", "<a v=\"say \\\"hi\\\"\">"},
    {"UnnamedQuotedValue", "<a \"x y\" 'z'>", "<a =\"x y\" ='z'>"},
    {"SelfClosingSlash", "<br/>", "<br =/>"},
    {"HighBytesPassThrough", "caf\xe9 <p title=\xe9t\xe9>", "T\"caf\xe9 \" <p title=\xe9t\xe9>"},
    {"Empty", "", ""},
    {"OpenTagKeptAsText", "x<a href=y", "T\"x\" T\"<a href=y\""},
    {"OpenQuoteKeptAsText", "<p>a<input value=\"b>c", "<p> T\"a\" T\"<input value=\"b>c\""},
    {"OpenCommentKeptAsText", "a<!-- b --", "T\"a\" T\"<!-- b --\""},
    {"OpenServerBlockKeptAsText", "<% x %", "T\"<% x %\""},
    {"OpenScriptKeptAsText", "<script>a<b", "<script> T\"a<b\""},
    {"LoneLessThanAtEnd", "a<", "T\"a<\""},
};

INSTANTIATE_TEST_SUITE_P(Html, TokenizerCases, ::testing::ValuesIn(kTokenCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Tokenizer, TellsWhichConstructThePageEndsIn)
{
    struct Case {
        std::string page;
        std::optional<OpenConstruct::Kind> kind;
        size_t offset;
    };
    const Case cases[] = {
        {"<p>a</p>", std::nullopt, 0},
        {"ab<a href=\"x>", OpenConstruct::Tag, 2},
        {"<p><!-- x", OpenConstruct::Comment, 3},
        {"x<% y %", OpenConstruct::ServerBlock, 1},
        {"<script>a<b", OpenConstruct::RawText, 8},
        {"a < b <", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        std::optional<OpenConstruct> open = OpenConstruct{};
        ParseHtml(c.page, &open);
        ASSERT_EQ(open.has_value(), c.kind.has_value()) << c.page;
        if (open) {
            EXPECT_EQ(open->kind, *c.kind) << c.page;
            EXPECT_EQ(open->offset, c.offset) << c.page;
        }
    }
}

TEST(Tokenizer, NormalisedPageWritesBackInNormalForm)
{
    const std::string page = "<html>\n<body bgcolor=\"#ffffff\">\n<form NAME=\"f\" action='/x.cgi'>\n"
                             "<INPUT TYPE=checkbox NAME=a CHECKED><!-- note --><%x%>\n</form></body></html>\n";
    EXPECT_EQ(WriteHtmlString(ParseHtml(page), TagText::Normalised), page);
}

TEST(Tokenizer, TagSpacingIsNormalisedOnlyForEditedTags)
{
    HtmlPage page = ParseHtml("<p\n  class=a >x</p ><form\n action=y>");
    SetAttr(page.back(), "method", "post", '"');
    EXPECT_EQ(WriteHtmlString(page), "<p\n  class=a >x</p ><form action=y method=\"post\">");
    EXPECT_EQ(WriteHtmlString(page, TagText::Normalised), "<p class=a>x</p><form action=y method=\"post\">");
}

} // namespace
