#include "html/HtmlText.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

TEST(DecodeEntities, Table)
{
    const std::pair<std::string, std::string> cases[] = {
        {"&amp;lt;", "&lt;"},
        {"&#65;", "A"},
        {"&#300;", "&#300;"},
        {"&#x41;", "&#x41;"},
        {"&copy;", "\xA9"},
        {"&nbsp;&Agrave;&yuml;", "\xA0\xC0\xFF"},
        {"a&quot;b&gt;", "a\"b>"},
        {"&amplt;", "&"},
        {"&unknown;", "&unknown;"},
        {"& &; &#; &amp", "& &; &#; &amp"},
        {"&#99999999999999999999;", "&#99999999999999999999;"},
        {"&AMP;", "&AMP;"},
        {"x&#0255;y", "x\xFFy"},
        {"Jos&eacute; &amp; Ann", "Jos\xE9 & Ann"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(DecodeEntities(in), out) << in;
}

TEST(ParseColour, PacksRedGreenBlue)
{
    EXPECT_EQ(ParseColour("#FF8000"), 255u + 128u * 256u);
    EXPECT_EQ(ParseColour("#0000ff"), 255u * 65536u);
    EXPECT_EQ(ParseColour(" #010203"), 1u + 2u * 256u + 3u * 65536u);
    EXPECT_EQ(ParseColour("red"), std::nullopt);
    EXPECT_EQ(ParseColour("#12"), std::nullopt);
    EXPECT_EQ(ParseColour(""), std::nullopt);
}

TEST(ParseStyle, NamesValuesAndQuotes)
{
    StyleList style = ParseStyle(" font - family : 'Times \\'New\\' Roman' ; color:#FF0000 ;FONT-size: 12pt  ");
    ASSERT_EQ(style.size(), 3u);
    EXPECT_EQ(style[0], (std::pair<std::string, std::string>{"font-family", "Times 'New' Roman"}));
    EXPECT_EQ(style[1], (std::pair<std::string, std::string>{"color", "#FF0000 "}));
    EXPECT_EQ(FindStyle(style, "font-size"), "12pt  ");
    EXPECT_EQ(FindStyle(style, "margin"), std::nullopt);
}

TEST(ParseStyle, StopsAtAnUnclosedQuoteOrAMissingSemicolon)
{
    EXPECT_EQ(ParseStyle("color: red; font-family: \"Arial").size(), 1u);
    StyleList style = ParseStyle("bold; color 'x'; size: 2");
    ASSERT_EQ(style.size(), 2u);
    EXPECT_EQ(style[0].first, "bold");
    EXPECT_EQ(style[0].second, "");
    EXPECT_EQ(style[1].first, "color");
    EXPECT_TRUE(ParseStyle("").empty());
}

} // namespace
