#include "project/ProjectFile.h"

#include <gtest/gtest.h>

using namespace quillet;

TEST(ProjectReader, TurnsCrLfIntoLfAndKeepsLoneCr)
{
    ProjectReader in("A=1\r\nB=x\ry\r\nC=2");
    EXPECT_EQ(*in.NextLine(), "A=1");
    EXPECT_EQ(*in.NextLine(), "B=x\ry");
    EXPECT_EQ(*in.NextLine(), "C=2");
    EXPECT_FALSE(in.NextLine());
}

TEST(ReadValue, MatchesKeyAndLeavesOtherLinesInPlace)
{
    ProjectReader in("URL=http://h/p?a=b&c=d\nDATASOURCES\nOTHER=1\n");
    EXPECT_FALSE(ReadValue(in, "URLX").found);
    ReadResult url = ReadValue(in, "URL");
    ASSERT_TRUE(url.found);
    EXPECT_EQ(url.text, "http://h/p?a=b&c=d");
    ReadResult alone = ReadValue(in, "DATASOURCES");
    EXPECT_TRUE(alone.found);
    EXPECT_EQ(alone.text, "");
    // A mismatch pushes the line back: the next expected key sees it again.
    EXPECT_FALSE(ReadValue(in, "MISSING").found);
    EXPECT_EQ(ReadNumber(in, "OTHER"), 1);
    EXPECT_FALSE(ReadValue(in, "OTHER").found);
}

TEST(ReadValue, EmptyLineOrBareEqualsMatchesAnyKey)
{
    ProjectReader in("\n=\n=x\n");
    EXPECT_TRUE(ReadValue(in, "ANY").found);
    EXPECT_TRUE(ReadValue(in, "OTHER").found);
    EXPECT_FALSE(ReadValue(in, "THIRD").found);
}

TEST(ReadNumber, ReadsLikeAtolAndSaturates)
{
    struct Case {
        const char* text;
        long expected;
    } cases[] = {{"N=42", 42},
                 {"N= -7", -7},
                 {"N=12abc", 12},
                 {"N=", 0},
                 {"N=abc", 0},
                 {"N=99999999999999999999999", LONG_MAX},
                 {"N=-99999999999999999999999", LONG_MIN}};
    for (const Case& c : cases) {
        ProjectReader in(c.text);
        EXPECT_EQ(ReadNumber(in, "N"), c.expected) << c.text;
    }
}

TEST(ReadMarkedValue, NeedsItsCompanionLine)
{
    std::string text;
    ProjectReader found("K=v\n0 0\nNEXT=1\n");
    EXPECT_EQ(ReadMarkedValue(found, "K", text), MarkedResult::Found);
    EXPECT_EQ(text, "v");
    EXPECT_EQ(ReadMarkedValue(found, "K", text), MarkedResult::OtherKey);
    EXPECT_EQ(ReadNumber(found, "NEXT"), 1);
    EXPECT_EQ(ReadMarkedValue(found, "K", text), MarkedResult::End);

    ProjectReader noCompanion("K=v");
    EXPECT_EQ(ReadMarkedValue(noCompanion, "K", text), MarkedResult::End);
}

TEST(ReadBlock, RebuildsCrLfLinesAndKeepsEmptyOnes)
{
    struct Case {
        const char* file;
        long length;
        const char* expected;
    } cases[] = {
        {"CODE=abc\n", 3, "abc\r\n"},
        {"CODE=abc\n\n", 4, "abc\r\n"},
        {"CODE=$a=1;\n$b=2;\n", 11, "$a=1;\r\n$b=2;\r\n"},
        {"CODE=a\n\nb\n", 4, "a\r\n\r\nb\r\n"},
        {"CODE=\n", 0, ""},
        {"CODE=x\r\n", 2, "x\r\n"},
    };
    for (const Case& c : cases) {
        ProjectReader in(c.file);
        ReadResult r = ReadBlock(in, "CODE", c.length);
        EXPECT_TRUE(r.found) << c.file;
        EXPECT_EQ(r.text, c.expected) << c.file;
        EXPECT_TRUE(in.AtEnd()) << c.file;
    }
}

TEST(ReadBlock, TakesLinesThatLookLikeKeysAsText)
{
    ProjectReader in("CODE=ACTION_TYPE=3\nACTION_NAME=x\nNEXT=1\n");
    ReadResult r = ReadBlock(in, "CODE", 27);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.text, "ACTION_TYPE=3\r\nACTION_NAME=x\r\n");
    EXPECT_EQ(ReadNumber(in, "NEXT"), 1);
}

TEST(ReadBlock, OtherKeyOrShortFileIsNotFound)
{
    ProjectReader other("OTHER=abc\n");
    EXPECT_FALSE(ReadBlock(other, "CODE", 3).found);
    ProjectReader shortFile("CO");
    EXPECT_FALSE(ReadBlock(shortFile, "CODE", 1000000).found);
    ProjectReader negative("CODE=\nX=1\n");
    EXPECT_TRUE(ReadBlock(negative, "CODE", -5).found);
    EXPECT_EQ(ReadNumber(negative, "X"), 1);
}

TEST(WriteBlock, DropsCrAndCountsWhatItWrites)
{
    ProjectWriter out;
    std::string text = "a\r\n\r\nb\r\n";
    WriteNumber(out, "LEN", BlockLength(text));
    WriteBlock(out, "CODE", text);
    EXPECT_EQ(out.Text(), "LEN=5\nCODE=a\n\nb\n\n");
    ProjectReader in(out.Text());
    ReadResult r = ReadBlock(in, "CODE", ReadNumber(in, "LEN"));
    EXPECT_EQ(r.text, text);
}

TEST(WriteValue, KeepsAValueOnItsLine)
{
    ProjectWriter out;
    WriteValue(out, "NAME", "two\r\nlines");
    WriteMarkedValue(out, "M", "x");
    EXPECT_EQ(out.Text(), "NAME=two  lines\nM=x\n0 0\n");
}
