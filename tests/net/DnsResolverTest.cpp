#include "net/DnsResolver.h"
#include "net/ScriptedServer.h"
#include "net/WebDnsLookup.h"
#include "project/Messages.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ScriptedServer;
using quillet::test::SendText;

namespace {

std::string ReadExactly(int fd, size_t size)
{
    std::string out(size, '\0');
    size_t got = 0;
    while (got < size) {
        ssize_t n = recv(fd, out.data() + got, size - got, 0);
        if (n <= 0)
            return {};
        got += static_cast<size_t>(n);
    }
    return out;
}

// Reads one framed query and answers with one NS record for its question; the
// answer goes out in three pieces, as a large answer over TCP may.
struct NsServer {
    int responseCode = 0;
    bool wrongId = false;
    std::string query; // the query as received, without its length prefix

    void operator()(int fd)
    {
        std::string prefix = ReadExactly(fd, 2);
        if (prefix.empty())
            return;
        query = ReadExactly(fd, static_cast<uint8_t>(prefix[0]) << 8 | static_cast<uint8_t>(prefix[1]));
        std::string answer = query;
        if (wrongId)
            answer[0] = static_cast<char>(answer[0] ^ 0x55);
        answer[2] = static_cast<char>(0x81);
        answer[3] = static_cast<char>(0x80 | responseCode);
        answer[7] = 1; // one answer: the question's name, NS, ns1 + pointer to the name
        answer += std::string("\xC0\x0C\x00\x02\x00\x01\x00\x00\x0E\x10\x00\x06\x03ns1\xC0\x0C", 18);
        std::string framed =
            std::string(1, static_cast<char>(answer.size() >> 8)) + static_cast<char>(answer.size() & 0xFF) + answer;
        for (size_t at = 0; at < framed.size(); at += 20) {
            SendText(fd, framed.substr(at, 20));
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    }
};

int Ask(NsServer& script, const std::string& name, const std::string& type, DnsMessage& answer, DnsError& error)
{
    ScriptedServer server([&](int fd) { script(fd); });
    Socket socket = NetConnect(server.Address(), "53", "tcp");
    return DnsQuery(socket, name, type, "IN", answer, error);
}

TEST(DnsQuery, AnswerInPiecesIsDecoded)
{
    NsServer script;
    DnsMessage answer;
    DnsError error = DnsError::None;
    EXPECT_EQ(Ask(script, "10.1.2.3", "ptr", answer, error), 0);
    // The reverse name on the wire: 1 "3" 1 "2" 1 "1" 2 "10" 7 "in-addr" 4 "arpa" 0.
    EXPECT_EQ(script.query.substr(12, 23), std::string("\x01"
                                                       "3\x01"
                                                       "2\x01"
                                                       "1\x02"
                                                       "10\x07in-addr\x04"
                                                       "arpa\x00",
                                                       23));
    EXPECT_EQ(script.query.substr(35, 4), std::string("\x00\x0C\x00\x01", 4));
    ASSERT_EQ(answer.answers.size(), 1u);
    EXPECT_EQ(answer.answers[0].host, "ns1.3.2.1.10.in-addr.arpa");
}

TEST(DnsQuery, FailuresAndResponseCodes)
{
    DnsMessage answer;
    DnsError error = DnsError::None;
    NsServer nameError{3, false, {}};
    EXPECT_EQ(Ask(nameError, "nope.example.com", "A", answer, error), 3);
    EXPECT_TRUE(answer.answers.empty());

    NsServer otherQuery{0, true, {}};
    EXPECT_EQ(Ask(otherQuery, "example.com", "NS", answer, error), -1);
    EXPECT_EQ(error, DnsError::WrongId);

    ScriptedServer closes([](int) {});
    EXPECT_EQ(DnsQuery(NetConnect(closes.Address(), "53", "tcp"), "example.com", "A", "IN", answer, error), -1);
    EXPECT_EQ(error, DnsError::ReceiveFailed);

    // A byte now and then never times out a read, but the query has a deadline.
    ScriptedServer trickles([](int fd) {
        SendText(fd, std::string("\0\x40", 2));
        for (int i = 0; i < 64 && send(fd, "x", 1, MSG_NOSIGNAL) == 1; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DnsQuery(NetConnect(trickles.Address(), "53", "tcp"), "example.com", "A", "IN", answer, error, 500), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(error, DnsError::ReceiveFailed);

    EXPECT_EQ(DnsQuery(Socket(), "example.com", "TXT", "IN", answer, error), -1);
    EXPECT_EQ(error, DnsError::UnknownType);
    EXPECT_EQ(DnsQuery(Socket(), "example.com", "A", "XX", answer, error), -1);
    EXPECT_EQ(error, DnsError::UnknownClass);
    EXPECT_EQ(DnsQuery(Socket(), "example.com", "A", "IN", answer, error), -1);
    EXPECT_EQ(error, DnsError::NoConnection);
}

TEST(DiscoverNameServers, FirstNameserverLine)
{
    EXPECT_EQ(FirstNameServer("# nameserver 9.9.9.9\nsearch lan\nnameserver  192.0.2.53 # home\nnameserver 8.8.8.8\n"),
              "192.0.2.53");
    EXPECT_EQ(FirstNameServer("nameserver\tfe80::1%eth0\n"), "fe80::1%eth0");
    EXPECT_EQ(FirstNameServer("nameservers 1.1.1.1\nnameserver\n"), "");
    EXPECT_EQ(FirstNameServer(""), "");

    quillet::test::TempDir dir;
    quillet::test::WriteBytes(dir.File("resolv.conf"), "domain lan\r\nnameserver 127.0.0.53\r\n");
    setenv("QUILLET_RESOLV_CONF", dir.File("resolv.conf").c_str(), 1);
    EXPECT_EQ(DiscoverNameServers(), "127.0.0.53");
    setenv("QUILLET_RESOLV_CONF", dir.File("missing").c_str(), 1);
    EXPECT_EQ(DiscoverNameServers(), "");
    unsetenv("QUILLET_RESOLV_CONF");
    EXPECT_EQ(DiscoverSmtpServer(), "");
}

TEST(WebDnsLookup, DomainFromHomePageUrl)
{
    struct Case {
        const char* url;
        const char* domain;
    } cases[] = {
        {"http://www.example.com/guestbook/index.html", "example.com"},
        {"http://example.com", "example.com"},
        {"https://WWW.Example.COM:8080/x", "example.com"},
        {"www.example.com/", "example.com"},
        {"http://user@shop.example.com?q=1", "shop.example.com"},
        {"http://www.example.com./", "example.com"},
        {"http://", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WebDomainFromUrl(c.url), c.domain) << c.url;
}

TEST(WebDnsLookup, MissingDomainOrServerIsReported)
{
    SilentPrompter prompter;
    std::string server = "127.0.0.1:1";
    EXPECT_TRUE(LookupWebDomainDnsServers("http://", server, prompter).empty());
    EXPECT_EQ(prompter.LastText(), FormatMessage(Msg::NoWebDomain));

    EXPECT_TRUE(LookupWebDomainDnsServers("http://www.example.com/", server, prompter).empty());
    EXPECT_EQ(prompter.LastText(), "Can't find a DNS server for example.com,\r\n Please enter it manually");

    quillet::test::TempDir dir;
    quillet::test::WriteBytes(dir.File("resolv.conf"), "search lan\n");
    setenv("QUILLET_RESOLV_CONF", dir.File("resolv.conf").c_str(), 1);
    server.clear();
    SilentPrompter again;
    EXPECT_TRUE(LookupWebDomainDnsServers("http://example.org", server, again).empty());
    unsetenv("QUILLET_RESOLV_CONF");
    EXPECT_EQ(again.LastText(), "Can't find a DNS server for example.org,\r\n Please enter it manually");
}

} // namespace
