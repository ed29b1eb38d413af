#include "project/ProjectFile.h"

#include <climits>
#include <gtest/gtest.h>

using namespace quillet;

TEST(ProjectReader, TurnsCrLfIntoLfAndKeepsLoneCr)
{
    ProjectReader in("A=1\r\nB=x\ry\r\nC=2");
    EXPECT_EQ(*in.NextLine(), "A=1");
    EXPECT_EQ(*in.NextLine(), "B=x\ry");
    EXPECT_EQ(*in.NextLine(), "C=2");
    EXPECT_FALSE(in.NextLine());
    EXPECT_FALSE(in.Failed());
}

TEST(ProjectReader, StopsAtLinesTheWriterNeverWrites)
{
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"A=1\n\nB=2\n", "Line 2: expected an entry, not a blank line"},
        {"A=1\r\r\nB=2\r\r\n", "Line 1: expected a line end of CR LF or LF, not CR CR LF"},
        {"A=1\nB=2\r", "Line 2: expected a line end of CR LF or LF, not CR CR LF"},
    };
    for (const Case& c : cases) {
        ProjectReader in(c.text);
        while (in.NextLine()) {
        }
        ASSERT_TRUE(in.Failed()) << c.text;
        EXPECT_EQ(in.Error()->message, c.error);
        // Once failed, every read finds the end.
        EXPECT_TRUE(in.AtEnd());
        EXPECT_FALSE(ReadValue(in, "B").found);
    }
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
    // A mismatch pushes the line back; a later failure there names the first key missed.
    EXPECT_FALSE(ReadValue(in, "MISSING").found);
    EXPECT_FALSE(ReadValue(in, "ALSO_MISSING").found);
    EXPECT_FALSE(in.ExpectEnd());
    EXPECT_EQ(in.Error()->message, "Line 3: expected \"MISSING=\"");
}

TEST(ReadNumber, TakesOnlyWholeNumbers)
{
    struct Case {
        const char* text;
        long expected;
        bool ok;
    } cases[] = {
        {"N=42", 42, true},
        {"N=-7", -7, true},
        {"N=-9223372036854775808", LONG_MIN, true},
        {"N=9223372036854775807", LONG_MAX, true},
        {"N=9223372036854775808", 0, false},
        {"N= 7", 0, false},
        {"N=12abc", 0, false},
        {"N=+1", 0, false},
        {"N=", 0, false},
        {"N=-", 0, false},
        {"OTHER=5", 0, true},
    };
    for (const Case& c : cases) {
        ProjectReader in(c.text);
        EXPECT_EQ(ReadNumber(in, "N"), c.expected) << c.text;
        EXPECT_EQ(in.Failed(), !c.ok) << c.text;
    }
    ProjectReader count("N=-1");
    ReadCount(count, "N");
    EXPECT_EQ(count.Error()->message, "Line 1: expected a count of 0 or more after \"N=\"");
    ProjectReader wide("N=2147483648");
    ReadInt(wide, "N");
    EXPECT_TRUE(wide.Failed());
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
    EXPECT_FALSE(found.Failed());

    for (const char* bad : {"K=v", "K=v\nNEXT=1\n", "K=v\n0 0 0\n"}) {
        ProjectReader in(bad);
        EXPECT_EQ(ReadMarkedValue(in, "K", text), MarkedResult::End) << bad;
        EXPECT_EQ(in.Error()->message, "Line 2: expected the line \"0 0\" after \"K=\"") << bad;
    }
    ProjectReader hex("K=v\n1f A0\n");
    EXPECT_EQ(ReadMarkedValue(hex, "K", text), MarkedResult::Found);
}

TEST(ReadBlock, GivesBackTheStoredTextWithCrLf)
{
    struct Case {
        const char* file;
        long length;
        const char* expected;
    } cases[] = {
        {"CODE=abc\n", 3, "abc"},
        {"CODE=abc\n\n", 4, "abc\r\n"},
        {"CODE=$a=1;\n$b=2;\n", 11, "$a=1;\r\n$b=2;"},
        {"CODE=a\n\nb\n", 4, "a\r\n\r\nb"},
        {"CODE=\n", 0, ""},
        {"CODE=x\r\n\r\n", 2, "x\r\n"},
        {"CODE=a\rb\n", 3, "a\rb"},
        {"CODE=abc", 3, "abc"},
        {"CODE=ACTION_TYPE=3\nACTION_NAME=x\n", 27, "ACTION_TYPE=3\r\nACTION_NAME=x"},
    };
    for (const Case& c : cases) {
        ProjectReader in(c.file);
        ReadResult r = ReadBlock(in, "CODE", c.length);
        EXPECT_TRUE(r.found) << c.file;
        EXPECT_EQ(r.text, c.expected) << c.file;
        EXPECT_TRUE(in.AtEnd()) << c.file;
        EXPECT_FALSE(in.Failed()) << c.file;
    }
}

TEST(ReadBlock, ABlockThatIsNotWholeFails)
{
    struct Case {
        const char* file;
        long length;
        const char* error;
    } cases[] = {
        {"OTHER=abc\n", 3, "Line 1: expected \"CODE=\""},
        {"CO", 1000000, "Line 1: expected \"CODE=\""},
        {"CODE=ab", 3, "Line 1: expected the end of the \"CODE=\" value after 3 characters"},
        {"CODE=abcd\n", 3, "Line 1: expected the end of the \"CODE=\" value after 3 characters"},
        {"CODE=\nX=1\n", -5, "Line 1: expected a count of 0 or more after \"CODE=\""},
    };
    for (const Case& c : cases) {
        ProjectReader in(c.file);
        EXPECT_FALSE(ReadBlock(in, "CODE", c.length).found) << c.file;
        ASSERT_TRUE(in.Failed()) << c.file;
        EXPECT_EQ(in.Error()->message, c.error);
    }
}

TEST(WriteBlock, WritesCrLfAsLfAndReadsBackTheSame)
{
    for (std::string text : {"a\r\n\r\nb\r\n", "a\rb", "x\r\r\ny", ""}) {
        ProjectWriter out;
        WriteNumber(out, "LEN", BlockLength(text));
        WriteBlock(out, "CODE", text);
        ProjectReader in(out.DiskText());
        EXPECT_EQ(ReadBlock(in, "CODE", ReadNumber(in, "LEN")).text, text);
        EXPECT_TRUE(in.ExpectEnd());
    }
    ProjectWriter out;
    WriteBlock(out, "CODE", "a\r\n\r\nb\r\n");
    EXPECT_EQ(out.Text(), "CODE=a\n\nb\n\n");
}

TEST(WriteValue, KeepsAValueOnItsLine)
{
    ProjectWriter out;
    WriteValue(out, "NAME", "two\r\nlines\nhere");
    WriteValue(out, "USER", "ad\rmin\r");
    WriteMarkedValue(out, "M", "x");
    EXPECT_EQ(out.Text(), "NAME=two lines here\nUSER=ad\rmin\nM=x\n0 0\n");
    ProjectReader in(out.DiskText());
    EXPECT_EQ(ReadValue(in, "NAME").text, "two lines here");
    EXPECT_EQ(ReadValue(in, "USER").text, "ad\rmin");
}

TEST(ProjectWriter, KeepsAByteOrderMark)
{
    ProjectReader in("\xEF\xBB\xBF"
                     "A=1\r\n");
    EXPECT_TRUE(in.HasByteOrderMark());
    EXPECT_EQ(ReadValue(in, "A").text, "1");
    ProjectWriter out;
    out.SetByteOrderMark(true);
    WriteValue(out, "A", "1");
    EXPECT_EQ(out.DiskText(), "\xEF\xBB\xBF"
                              "A=1\r\n");

    // A writer that hands its text on in pieces hands on the same bytes.
    std::string pieces;
    ProjectWriter piecewise([&pieces](std::string_view piece) { pieces += piece; });
    piecewise.SetByteOrderMark(true);
    ProjectWriter whole;
    whole.SetByteOrderMark(true);
    for (int i = 0; i < 20000; ++i) {
        for (ProjectWriter* w : {&piecewise, &whole}) {
            WriteNumber(*w, "N", -i);
            WriteBlock(*w, "B", "x\r\ny");
        }
    }
    piecewise.Flush();
    EXPECT_GT(pieces.size(), size_t{200000});
    EXPECT_EQ(pieces, whole.DiskText());
}
