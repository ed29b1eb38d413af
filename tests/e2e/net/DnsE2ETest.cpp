#include "net/DnsResolver.h"
#include "net/WebDnsLookup.h"
#include "support/ServerProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <pwd.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// An authoritative zone so that NS queries are answered; dnsmasq writes owner
// names as pointers to the question or to earlier records.
constexpr const char* kZone = "host-record=example.test,192.0.2.10\n"
                              "host-record=www.example.test,192.0.2.11\n"
                              "host-record=mail.example.test,192.0.2.25\n"
                              "mx-host=example.test,mail.example.test,10\n"
                              "cname=alias.example.test,www.example.test\n"
                              "auth-zone=example.test,192.0.2.0/24\n"
                              "auth-server=ns1.example.test,127.0.0.1\n"
                              "auth-sec-servers=ns2.example.test\n";

std::string CurrentUser()
{
    passwd* entry = getpwuid(getuid());
    return entry ? entry->pw_name : "nobody";
}

class DnsE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteBytes(m_dir.File("dnsmasq.conf"), kZone);
        ASSERT_TRUE(m_dnsmasq.Start({"/usr/sbin/dnsmasq", "--no-daemon", "--port=" + std::to_string(m_port),
                                     "--listen-address=127.0.0.1", "--bind-interfaces", "--no-resolv", "--no-hosts",
                                     "--pid-file=", "--log-facility=" + m_dir.File("dnsmasq.log"),
                                     "--user=" + CurrentUser(), "--conf-file=" + m_dir.File("dnsmasq.conf")}));
        ASSERT_TRUE(WaitForPort(m_port)) << "dnsmasq did not start";
    }

    // Answer of a fresh connection for name and type; the response code or -1.
    int Ask(const std::string& name, const std::string& type, DnsMessage& answer)
    {
        Socket socket = NetConnect(m_server, "53", "tcp");
        DnsError error = DnsError::None;
        int code = DnsQuery(socket, name, type, "IN", answer, error);
        EXPECT_EQ(error, DnsError::None) << DnsErrorText(error);
        return code;
    }

    static std::vector<std::string> Data(const std::vector<DnsRecord>& records)
    {
        std::vector<std::string> out;
        for (const DnsRecord& r : records)
            out.push_back(r.name + " " + DnsTypeName(r.type) + " " + DnsRecordData(r));
        return out;
    }

    TempDir m_dir;
    int m_port = FreeLoopbackPort();
    std::string m_server = "127.0.0.1:" + std::to_string(m_port);
    ServerProcess m_dnsmasq;
};

TEST_F(DnsE2E, RecordsDecodeToFullNames)
{
    using Names = std::vector<std::string>;
    DnsMessage m;
    ASSERT_EQ(Ask("example.test", "MX", m), 0);
    EXPECT_EQ(Data(m.answers), Names{"example.test MX 10 mail.example.test"});
    EXPECT_EQ(Data(m.authority), (Names{"example.test NS ns1.example.test", "example.test NS ns2.example.test"}));

    ASSERT_EQ(Ask("example.test", "ns", m), 0);
    EXPECT_EQ(Data(m.answers), (Names{"example.test NS ns1.example.test", "example.test NS ns2.example.test"}));

    ASSERT_EQ(Ask("alias.example.test", "A", m), 0);
    EXPECT_EQ(Data(m.answers), (Names{"alias.example.test CNAME www.example.test", "www.example.test A 192.0.2.11"}));

    ASSERT_EQ(Ask("192.0.2.25", "PTR", m), 0);
    EXPECT_EQ(Data(m.answers), Names{"25.2.0.192.in-addr.arpa PTR mail.example.test"});
}

TEST_F(DnsE2E, NameErrorGivesCodeThree)
{
    DnsMessage m;
    EXPECT_EQ(Ask("nothing.example.test", "A", m), 3);
    EXPECT_TRUE(m.answers.empty());
    EXPECT_TRUE(m.authority.empty());
}

TEST_F(DnsE2E, WebTabListsTheDomainsNameServers)
{
    SilentPrompter prompter;
    std::string server = m_server;
    EXPECT_EQ(LookupWebDomainDnsServers("http://www.example.test/guestbook/index.html", server, prompter),
              (std::vector<std::string>{"ns1.example.test", "ns2.example.test"}));
    // A host below the zone has no NS records of its own: the zone's primary server.
    EXPECT_EQ(LookupWebDomainDnsServers("http://mail.example.test/", server, prompter),
              std::vector<std::string>{"ns1.example.test"});
    EXPECT_TRUE(LookupWebDomainDnsServers("http://nothing.example.test/", server, prompter).empty());
    EXPECT_EQ(prompter.LastText(), "No DNS servers were found for nothing.example.test.");
}

TEST_F(DnsE2E, CliPrintsCodeAndRecords)
{
    std::string cli = std::string(QUILLET_CLI) + " dns ";
    std::string output;
    EXPECT_EQ(RunCommand(cli + "example.test MX --server " + m_server + " 2>&1", output), 0);
    EXPECT_NE(output.find("Response code: 0 (NOERROR)\nAnswer:\n  example.test\t600\tIN\tMX\t10 mail.example.test\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(RunCommand(cli + "nothing.example.test --server " + m_server + " 2>&1", output), 1);
    EXPECT_EQ(output, "Response code: 3 (NXDOMAIN)\n");
}

} // namespace
