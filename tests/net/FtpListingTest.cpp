#include "net/FtpListing.h"
#include "net/RemoteBrowser.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(FtpListing, ReadsMlsdUnixAndDosLines)
{
    std::string listing = "type=cdir;modify=20260101000000; .\r\n"
                          "type=dir;sizd=4096;modify=20261206164400; cgi bin\r\n"
                          "type=file;size=1234;modify=20261206164400.123;perm=r; order.html\r\n"
                          "drwxr-xr-x    2 web  web      4096 Jan  2  2024 images\n"
                          "-rw-r--r--    1 web  web        17 Mar 14  2023 read me.txt\n"
                          "lrwxrwxrwx    1 web  web         7 Mar 14  2023 link -> target\n"
                          "drwxr-xr-x    2 web  web      4096 Jan  2  2024 ..\n"
                          "12-06-26  04:44PM       <DIR>          Scripts\n"
                          "01-31-99  11:05AM                 2048 old.dat\n"
                          "total 12\n"
                          "garbage line\n"
                          "type=file;size=9 no-space-after-semicolon\n";
    std::vector<RemoteItem> items = ParseFtpListing(listing);
    std::vector<std::string> names;
    for (const RemoteItem& item : items)
        names.push_back(std::to_string(item.kind) + ":" + item.name + ":" + std::to_string(item.size));
    EXPECT_EQ(names, (std::vector<std::string>{"0:cgi bin:0", "1:order.html:1234", "0:images:4096", "1:read me.txt:17",
                                               "1:link:7", "0:Scripts:0", "1:old.dat:2048"}));
    EXPECT_EQ(items[1].modified, 1796575440);
    EXPECT_NE(items[6].modified, 0);
}

TEST(FtpListing, FormatsModifiedTimes)
{
    std::tm parts{};
    parts.tm_year = 126;
    parts.tm_mon = 5;
    parts.tm_mday = 3;
    parts.tm_hour = 16;
    parts.tm_min = 5;
    parts.tm_isdst = -1;
    EXPECT_EQ(FormatModified(mktime(&parts)), "03/06/26 04:05 PM");
}

TEST(RemoteBrowsing, FileTypeFilter)
{
    std::vector<FileType> types = ParseFileFilter(kServerFileFilter);
    ASSERT_EQ(types.size(), 7u);
    EXPECT_EQ(types[1].name, "HTML File (*.html;*.htm;*.shtml)");
    struct Case {
        size_t type;
        const char* file;
        bool listed;
    } cases[] = {
        {0, "README", true},     {0, "a.b.c", true},        {1, "index.HTML", true},  {1, "page.Shtml", true},
        {1, "README", false},    {1, "html", false},        {1, "x.html.bak", false}, {2, "guest.pl", true},
        {6, "orders.DAT", true}, {6, "orders.dat2", false}, {5, "notes.txt", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesFileType(types[c.type].patterns, c.file), c.listed) << c.type << " " << c.file;
    EXPECT_FALSE(MatchesFileType("html;*.html", "a.html"));
}

TEST(RemoteBrowsing, SortingAndUp)
{
    std::vector<RemoteItem> items = {{RemoteItem::File, "b", 5, 300},
                                     {RemoteItem::Folder, "z", 0, 100},
                                     {RemoteItem::File, "a", 9, 200},
                                     {RemoteItem::File, "c", 5, 100},
                                     {RemoteItem::Folder, "B", 0, 900}};
    auto order = [&] {
        std::string out;
        for (const RemoteItem& item : items)
            out += item.name;
        return out;
    };
    SortRemoteItems(items, SortColumn::Name);
    EXPECT_EQ(order(), "Bzabc");
    SortRemoteItems(items, SortColumn::Size);
    EXPECT_EQ(order(), "Bzbca");
    SortRemoteItems(items, SortColumn::Modified);
    EXPECT_EQ(order(), "zBcab");

    EXPECT_EQ(ParentRemotePath("/home/site/cgi-bin"), "/home/site");
    EXPECT_EQ(ParentRemotePath("/home"), "/");
    EXPECT_EQ(ParentRemotePath("/"), "/");
    EXPECT_EQ(ParentRemotePath("c:\\inetpub\\scripts"), "c:\\inetpub");
    EXPECT_EQ(ParentRemotePath("site"), "site");
}

} // namespace
} // namespace quillet
