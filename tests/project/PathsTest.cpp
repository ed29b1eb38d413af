#include "project/Paths.h"
#include "project/ServerSettings.h"
#include "project/WebText.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace quillet {
namespace {

ServerSettings UnixServer()
{
    ServerSettings s;
    s.scriptPattern = "*.cgi";
    s.homePagePath = "/home/site/html/index.html";
    s.homePageUrl = "http://www.example.com/shop/index.html";
    s.cgiPath = "/home/site/cgi-bin";
    s.cgiUrl = "http://www.example.com/cgi-bin";
    return s;
}

struct RemoteCase {
    RemoteKind kind;
    const char* name;
    const char* expected;
};

TEST(RemotePath, UnixServerKinds)
{
    const RemoteCase cases[] = {
        {RemoteKind::ServerPage, "C:\\web\\order.html", "/home/site/html/order.html"},
        {RemoteKind::ServerScript, "C:\\web\\order.html", "/home/site/cgi-bin/order.cgi"},
        {RemoteKind::ServerScript, "", "/home/site/cgi-bin"},
        {RemoteKind::ServerData, "orders.txt", "/home/site/cgi-bin/data/orders.txt"},
        {RemoteKind::ServerData, "orders/today.txt", "/home/site/cgi-bin/data/orders/today.txt"},
        {RemoteKind::ServerData, "/var/log/orders.txt", "/var/log/orders.txt"},
        {RemoteKind::ServerData, "D:\\logs\\orders.txt", "D:\\logs\\orders.txt"},
        {RemoteKind::ServerData, "", "/home/site/cgi-bin/data"},
        {RemoteKind::ServerTemplate, "/home/me/web/templates/thanks.html", "/home/site/cgi-bin/templates/thanks.html"},
        {RemoteKind::PageAddress, "order.html", "http://www.example.com/shop/order.html"},
        {RemoteKind::ScriptAddress, "order.html", "http://www.example.com/cgi-bin/order.cgi"},
        {RemoteKind::ServerHomeFolder, "", "/home/site/html"},
        {RemoteKind::ServerCgiFile, "ZentraCGI.pm", "/home/site/cgi-bin/ZentraCGI.pm"},
        {RemoteKind::ServerImage, "first.gif", "/home/site/html/images/quillet/first.gif"},
        {RemoteKind::ImageAddressPath, "next.gif", "/images/quillet/next.gif"},
        {RemoteKind::HomeAddress, "", "http://www.example.com/shop"},
        {RemoteKind::ScriptData, "orders.txt", "$cgipath/data/orders.txt"},
        {RemoteKind::ScriptData, "/var/log/orders.txt", "/var/log/orders.txt"},
        {RemoteKind::ScriptTemplate, "tpl/thanks.html", "$cgipath/templates/thanks.html"},
        {static_cast<RemoteKind>(4), "x.html", ""},
    };
    ServerSettings s = UnixServer();
    for (const RemoteCase& c : cases)
        EXPECT_EQ(RemotePath(s, c.kind, c.name), c.expected) << static_cast<int>(c.kind) << " " << c.name;
}

TEST(RemotePath, WindowsServerKeepsBackslashes)
{
    ServerSettings s = UnixServer();
    s.cgiPath = "c:\\inetpub\\scripts";
    s.homePagePath = "c:\\inetpub\\wwwroot\\default.htm";
    EXPECT_EQ(RemotePath(s, RemoteKind::ServerScript, "C:\\web\\order.html"), "c:\\inetpub\\scripts\\order.cgi");
    EXPECT_EQ(RemotePath(s, RemoteKind::ServerData, "orders.txt"), "c:\\inetpub\\scripts\\data\\orders.txt");
    EXPECT_EQ(RemotePath(s, RemoteKind::ServerTemplate, "t.html"), "c:\\inetpub\\scripts\\templates\\t.html");
    EXPECT_EQ(RemotePath(s, RemoteKind::ServerCgiFile, "mNet.pm"), "c:\\inetpub\\scripts\\mNet.pm");
    EXPECT_EQ(RemotePath(s, RemoteKind::ServerHomeFolder, ""), "c:\\inetpub\\wwwroot");
    EXPECT_EQ(RemotePath(s, RemoteKind::ServerImage, "last.gif"), "c:\\inetpub\\wwwroot\\images\\quillet\\last.gif");
}

TEST(RemotePath, PageRuleAndSeparatorJoin)
{
    ServerSettings s = UnixServer();
    const std::pair<const char*, const char*> homes[] = {
        {"/home/site/html/index.html", "/home/site/html"},
        {"/index.htm", "/"},
        {"/home/site/html", "/home/site/html"},
        {"/home/site/html/", "/home/site/html/"},
        {"/www/Main.SHTML", "/www"},
        {"index.html", ""},
    };
    for (const auto& [home, folder] : homes) {
        s.homePagePath = home;
        EXPECT_EQ(RemotePath(s, RemoteKind::ServerHomeFolder, ""), folder) << home;
    }
    s.homePagePath = "/index.htm";
    EXPECT_EQ(RemotePath(s, RemoteKind::ServerPage, "a.html"), "/a.html");
    s.cgiPath = "/cgi-bin/";
    EXPECT_EQ(RemotePath(s, RemoteKind::ServerScript, "order.html"), "/cgi-bin/order.cgi");
    s.homePageUrl = "http://www.example.com/";
    EXPECT_EQ(RemotePath(s, RemoteKind::PageAddress, "order.html"), "http://www.example.com/order.html");
}

PathContext Context()
{
    PathContext c;
    c.programFolder = "/opt/quillet";
    c.projectFile = "/home/me/shop/shop.prj";
    c.pageFile = "web/order.html";
    c.scriptExtension = ".cgi";
    return c;
}

TEST(LocalPath, Kinds)
{
    PathContext c = Context();
    const std::tuple<LocalKind, const char*, const char*> cases[] = {
        {LocalKind::Script, "web/order.html", "/home/me/shop/web/scripts/order.cgi"},
        {LocalKind::Script, "", "/home/me/shop/web/scripts"},
        {LocalKind::Data, "C:\\data\\orders.txt", "/home/me/shop/web/data/orders.txt"},
        {LocalKind::Template, "thanks.html", "/home/me/shop/web/templates/thanks.html"},
        {LocalKind::Template, ".hidden", "/home/me/shop/web/templates"},
        {LocalKind::ImageSource, "first.gif", "/opt/quillet/images/first.gif"},
        {LocalKind::LibrarySource, "ZentraCGI.pm", "/opt/quillet/scripts/ZentraCGI.pm"},
        {LocalKind::ProgramFolder, "ignored", "/opt/quillet"},
        {LocalKind::PageFolder, "", "/home/me/shop/web"},
        {LocalKind::Settings, "office.dat", "/opt/quillet/settings/office.dat"},
        {LocalKind::BesideProject, "/elsewhere/thanks.html", "/home/me/shop/thanks.html"},
        {static_cast<LocalKind>(0), "x", ""},
    };
    for (const auto& [kind, name, expected] : cases)
        EXPECT_EQ(LocalPath(c, kind, name), expected) << static_cast<int>(kind) << " " << name;

    c.pageFile = "/srv/pages/form.html";
    EXPECT_EQ(LocalPath(c, LocalKind::Script, c.pageFile), "/srv/pages/scripts/form.cgi");
    c.pageFile = "C:\\web\\order.html";
    EXPECT_EQ(SplitPath(LocalPath(c, LocalKind::Script, c.pageFile), PathPart::FileExt), "order.cgi");
}

TEST(SplitPath, BothSeparators)
{
    const std::tuple<const char*, PathPart, const char*> cases[] = {
        {"C:\\web\\order.html", PathPart::Folder, "C:\\web"},
        {"C:\\web\\order.html", PathPart::FileExt, "order.html"},
        {"/home/me/order.form.html", PathPart::File, "order"},
        {"/home/me/order.form.html", PathPart::Ext, "form.html"},
        {"/home/me.d/readme", PathPart::Ext, ""},
        {"order.html", PathPart::Folder, "order.html"},
        {"order.html", PathPart::FileExt, "order.html"},
        {"dir/", PathPart::FileExt, ""},
    };
    for (const auto& [path, part, expected] : cases)
        EXPECT_EQ(SplitPath(path, part), expected) << path << " " << static_cast<int>(part);
}

TEST(WebText, UrlEncode)
{
    EXPECT_EQ(UrlEncode("a b&c"), "a+b%26c");
    EXPECT_EQ(UrlEncode("A_z-9.~"), "A_z%2d9%2e%7e");
    EXPECT_EQ(UrlEncode(std::string("\xe9\x01/", 3)), "%e9%01%2f");
}

TEST(WebText, EscapeAt)
{
    EXPECT_EQ(EscapeAt("sales@example.com"), "sales\\@example.com");
    EXPECT_EQ(EscapeAt("@start, a @b,@c"), "@start, a @b,@c");
    EXPECT_EQ(EscapeAt("already\\@done x@y@z"), "already\\@done x\\@y\\@z");
}

TEST(WebText, TerminalTextLetsNoEscapeSequenceThrough)
{
    EXPECT_EQ(TerminalText("250 ok\r\n\tnext line\n"), "250 ok\n\tnext line\n");
    EXPECT_EQ(TerminalText("\x1b]0;owned\x07\x1b[2J\rx\x7f"), "\\x1b]0;owned\\x07\\x1b[2J\\x0dx\\x7f");
    EXPECT_EQ(TerminalText("\xc2\x9b"
                           "31m caf\xc3\xa9 \xc2\xa0"),
              "\\xc2\\x9b31m caf\xc3\xa9 \xc2\xa0");
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : m_name(name)
    {
        if (const char* v = std::getenv(name))
            m_old = v;
    }
    ~EnvGuard()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(ProgramFolder, EnvironmentOrder)
{
    EnvGuard home("HOME"), data("XDG_DATA_HOME"), own("QUILLET_HOME");
    setenv("HOME", "/home/me", 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("QUILLET_HOME");
    EXPECT_EQ(ProgramFolder(), "/home/me/.local/share/quillet");
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(ProgramFolder(), "/data/quillet");
    setenv("QUILLET_HOME", "/opt/q", 1);
    EXPECT_EQ(ProgramFolder(), "/opt/q");
}

TEST(ResolveFile, GivenPathThenBesideProject)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "proj" / "tpl");
    test::WriteBytes(dir.File("proj/tpl/a.html"), "a");
    test::WriteBytes(dir.File("proj/moved.html"), "m");
    // A build remembers what it found; asked twice, it must answer as the disk does.
    for (bool remember : {false, true}) {
        PathContext c = Context();
        c.projectFile = dir.File("proj/p.prj");
        if (remember)
            c.knownFiles = std::make_shared<std::unordered_map<std::string, bool>>();
        for (int round = 0; round < 2; ++round) {
            std::string relative = "tpl/a.html";
            EXPECT_TRUE(ResolveFile(c, relative));
            EXPECT_EQ(relative, dir.File("proj/tpl/a.html"));

            std::string moved = "C:\\old\\place\\moved.html";
            EXPECT_TRUE(ResolveFile(c, moved));
            EXPECT_EQ(moved, dir.File("proj/moved.html"));

            for (std::string missing : {std::string("/nowhere/missing.html"), std::string("tpl"), std::string("")}) {
                std::string before = missing;
                EXPECT_FALSE(ResolveFile(c, missing)) << before;
                EXPECT_EQ(missing, before);
            }
        }
    }
}

} // namespace
} // namespace quillet
