#include "html/PageFile.h"
#include "html/HtmlTokenizer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ReadBytes;
using quillet::test::TempDir;
using quillet::test::WriteBytes;

namespace {

TEST(PageFile, RoundTripKeepsEveryByteAndLineEnd)
{
    const std::string pages[] = {
        "<html>\r\n<body>\r\n<form\r\n  name=a>\r\n</form></body></html>\r\n",
        "<html>\n<body>\n<p>caf\xe9 a < b\n",
        "mixed\r\nline\nends\r\n<p\r\n>",
        "lone\rcarriage\r\r\nreturns\r\n",
        "",
    };
    TempDir dir;
    for (const std::string& bytes : pages) {
        std::string path = dir.File("page.html");
        WriteBytes(path, bytes);
        PageFile file(path);
        ASSERT_TRUE(file.Read());
        ASSERT_TRUE(WriteHtmlFile(file));
        EXPECT_EQ(ReadBytes(path), bytes);
    }
}

TEST(PageFile, CrLfPagesHoldLfAndGiveAddedLinesCrLf)
{
    TempDir dir;
    std::string path = dir.File("page.htm");
    WriteBytes(path, "<body>\r\n<form>\r\n</form>\r\n");
    PageFile file(path);
    ASSERT_TRUE(file.Read());
    EXPECT_TRUE(file.CrLf());
    HtmlIter form = FindNextNamed(file.Nodes(), file.Nodes().begin(), {"form"});
    InsertAfter(file.Nodes(), form, NewTextNode("\n<input name=x>"));
    EXPECT_EQ(std::string(std::next(file.Nodes().begin())->Text()), "\n");
    ASSERT_TRUE(WriteHtmlFile(file));
    EXPECT_EQ(ReadBytes(path), "<body>\r\n<form>\r\n<input name=x>\r\n</form>\r\n");
}

TEST(PageFile, MissingFileIsAFailureAndLeavesTheNodes)
{
    TempDir dir;
    PageFile file(dir.File("none.html"));
    file.Nodes() = ParseHtml("<p>");
    EXPECT_FALSE(file.Read());
    EXPECT_EQ(file.Nodes().size(), 1u);
    PageFile intoMissingFolder(dir.File("no/such/folder/page.html"));
    EXPECT_FALSE(WriteHtmlFile(intoMissingFolder));
}

// A build reads each page once: what changes on disk after the first read is not seen.
TEST(PageFile, CacheReadsEachFileOnce)
{
    TempDir dir;
    std::string path = dir.File("page.html");
    WriteBytes(path, "<form></form>");
    PageFileCache cache;
    ASSERT_TRUE(cache.Read(path));
    WriteBytes(path, "<p>");
    std::optional<PageFile> again = cache.Read(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->DiskText(), "<form></form>");
    EXPECT_FALSE(cache.Read(dir.File("none.html")));
    WriteBytes(dir.File("none.html"), "<p>");
    EXPECT_FALSE(cache.Read(dir.File("none.html")));
}

} // namespace
