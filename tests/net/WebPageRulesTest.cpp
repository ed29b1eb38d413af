#include "net/WebPageRules.h"
#include "project/Messages.h"
#include "project/ServerSettings.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(WebPageRules, EmptySettingsShowTheDefaultsAndStoreThemBack)
{
    WebPageValues values = WebPageFromSettings(ServerSettings());
    EXPECT_EQ(values.serverType, "Others");
    EXPECT_EQ(values.uploadMethod, "Using FTP");
    EXPECT_EQ(values.scriptPattern, "*.cgi");
    EXPECT_EQ(values.cgiWrapper, "None or Not Sure");
    EXPECT_EQ(values.perlPath, "/usr/bin/perl");
    EXPECT_EQ(values.homePageUrl, "http://");
    EXPECT_EQ(values.cgiUrl, "http://");
    EXPECT_TRUE(values.homePagePath.empty() && values.dnsServers.empty());
    ServerSettings stored;
    StoreWebPage(values, stored);
    EXPECT_EQ(WebPageFromSettings(stored), values);
}

TEST(WebPageRules, StoreTrimsAddressesAndTurnsServerPathsToSlashes)
{
    WebPageValues values = WebPageFromSettings(ServerSettings());
    values.homePageUrl = "  http://www.example.com/ ";
    values.cgiUrl = "\thttp://www.example.com/cgi-bin";
    values.homePagePath = " C:\\inetpub\\wwwroot ";
    values.cgiPath = "\\cgi-bin\\shop";
    values.ftpPassword = " secret ";
    values.dnsServers = {"ns1.example.com", "ns2.example.com"};
    ServerSettings settings;
    StoreWebPage(values, settings);
    EXPECT_EQ(settings.homePageUrl, "http://www.example.com/");
    EXPECT_EQ(settings.cgiUrl, "http://www.example.com/cgi-bin");
    EXPECT_EQ(settings.homePagePath, "C:/inetpub/wwwroot");
    EXPECT_EQ(settings.cgiPath, "/cgi-bin/shop");
    EXPECT_EQ(settings.ftpPassword, " secret ");
    EXPECT_EQ(settings.dnsServers, "ns1.example.com,ns2.example.com");
}

TEST(WebPageRules, DnsTextSplitsAtCommas)
{
    const struct {
        const char* stored;
        std::vector<std::string> listed;
    } cases[] = {
        {"ns1.example.com,ns2.example.com", {"ns1.example.com", "ns2.example.com"}},
        {"ns1.example.com", {"ns1.example.com"}},
        {" a.net , , b.net ,", {"a.net", "b.net"}},
        {",", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitDnsList(c.stored), c.listed) << c.stored;
}

TEST(WebPageRules, AddingADnsServerNeedsTextAndKeepsEachNameOnce)
{
    test::ScriptedPrompter prompter;
    std::vector<std::string> names = {"ns1.example.com"};
    prompter.ExpectShow(std::string(MessageText(Msg::EnterDnsServer)));
    EXPECT_FALSE(AddDnsServer(names, " \t", prompter));
    EXPECT_TRUE(AddDnsServer(names, "NS1.Example.COM", prompter));
    EXPECT_TRUE(AddDnsServer(names, " ns2.example.com ", prompter));
    EXPECT_EQ(names, (std::vector<std::string>{"ns1.example.com", "ns2.example.com"}));
    EXPECT_TRUE(prompter.Done());
}

TEST(WebPageRules, EnablingFollowsUploadMethodAndServerType)
{
    EXPECT_TRUE(FtpFieldsEnabled("Using FTP"));
    EXPECT_FALSE(FtpFieldsEnabled("Using Direct Copy"));
    EXPECT_FALSE(PerlPathEnabled("Win95/98/NT/2K/Me/XP"));
    EXPECT_TRUE(PerlPathEnabled("Others"));
    EXPECT_TRUE(PerlPathEnabled("Unix (not Win)"));
}

} // namespace
} // namespace quillet
