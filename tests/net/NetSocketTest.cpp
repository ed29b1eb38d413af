#include "net/NetSocket.h"
#include "net/LineSession.h"
#include "net/ScriptedServer.h"
#include "support/ServerProcess.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace quillet;
using quillet::test::ScriptedServer;
using quillet::test::SendText;

TEST(SplitHostPort, AcceptsNamesPortsAndIpv6)
{
    struct Case {
        const char* address;
        const char* host;
        const char* service;
    } cases[] = {
        {"mail.example.com", "mail.example.com", "smtp"},
        {"mail.example.com:2525", "mail.example.com", "2525"},
        {"192.0.2.1:53", "192.0.2.1", "53"},
        {"::1", "::1", "smtp"},
        {"fe80::1%eth0", "fe80::1%eth0", "smtp"},
        {"[::1]:2525", "::1", "2525"},
        {"[::1]", "::1", "smtp"},
    };
    for (const Case& c : cases) {
        HostPort split = SplitHostPort(c.address, "smtp");
        EXPECT_EQ(split.host, c.host) << c.address;
        EXPECT_EQ(split.service, c.service) << c.address;
    }
}

TEST(NetConnect, ReachesListenerByPortInHostOrService)
{
    ScriptedServer first([](int fd) { SendText(fd, "220 one\r\n"); });
    Socket byHost = NetConnect(first.Address(), "smtp", "TCP");
    ASSERT_TRUE(byHost);
    std::string reply;
    EXPECT_EQ(NetReadReply(byHost, reply), 9);
    EXPECT_EQ(reply, "220 one\r\n");

    ScriptedServer second([](int fd) { SendText(fd, "220 two\r\n"); });
    Socket byService = NetConnect("127.0.0.1", std::to_string(second.Port()) + "/tcp", "tcp");
    ASSERT_TRUE(byService);
    EXPECT_EQ(NetReadReply(byService, reply), 9);
}

TEST(NetConnect, FailsWithoutServerOrWithBadService)
{
    int port;
    {
        ScriptedServer gone([](int) {});
        port = gone.Port();
    }
    EXPECT_FALSE(NetConnect("127.0.0.1:" + std::to_string(port), "smtp", "tcp"));
    EXPECT_FALSE(NetConnect("127.0.0.1", "no-such-service", "tcp"));
    EXPECT_FALSE(NetConnect("127.0.0.1", "70000", "tcp"));
    EXPECT_FALSE(NetConnect("", "25", "tcp"));
    EXPECT_FALSE(NetConnect("host.invalid", "25", "tcp"));
}

// Chunks arrive as the script sends them; a reply is complete at the line that
// starts with the first line's code and a blank.
TEST(ReplyAssembler, FindsTheFinalLine)
{
    struct Case {
        std::vector<std::string> chunks;
        bool complete;
    } cases[] = {
        {{"220 ready\r\n"}, true},
        {{"220 ready"}, false},
        {{"220-first\r\n", "220-second\r\n", "220 last\r\n"}, true},
        {{"220-first\r\n220", " last\r\n"}, true},
        {{"2", "20 split code\r\n"}, true},
        {{"250-says 250 inside a line\r\n"}, false},
        {{"250-first\r\n", "251 other code\r\n"}, false},
        {{"\r\n"}, false},
    };
    for (const Case& c : cases) {
        ReplyAssembler assembler;
        for (const std::string& chunk : c.chunks)
            assembler.Add(chunk);
        EXPECT_EQ(assembler.Complete(), c.complete) << c.chunks.front();
    }
    EXPECT_EQ(ReplyCode("354 go ahead"), 354);
    EXPECT_EQ(ReplyCode("hello"), 0);
    EXPECT_EQ(ReplyCode(""), 0);
}

TEST(NetReadReply, ReadsMultiLineReplyArrivingInPieces)
{
    ScriptedServer server([](int fd) {
        SendText(fd, "220-Welcome\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        SendText(fd, "220-to the\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        SendText(fd, "220 server\r\n");
        quillet::test::ReadLine(fd);
    });
    LineSession session(NetConnect(server.Address(), "21", "tcp"));
    EXPECT_EQ(session.ReadReply(), 220);
    EXPECT_EQ(session.LastReply(), "220-Welcome\r\n220-to the\r\n220 server\r\n");
    session.Send("QUIT");
}

// A reply longer than the buffer is cut, but read to its end so that the next
// reply is not taken from its leftover.
TEST(NetReadReply, LongReplyIsCutWithoutDesync)
{
    ScriptedServer server([](int fd) {
        std::string lines;
        for (int i = 0; i < 100; ++i)
            lines += "250-" + std::string(40, 'x') + "\r\n";
        SendText(fd, lines + "250 end\r\n");
        quillet::test::ReadLine(fd);
        SendText(fd, "221 bye\r\n");
    });
    LineSession session(NetConnect(server.Address(), "25", "tcp"));
    EXPECT_EQ(session.ReadReply(), 250);
    EXPECT_EQ(session.LastReply().size(), kReplyBufferSize);
    EXPECT_EQ(session.Command("QUIT"), 221);
}

TEST(NetReadReply, StopsOneSecondAfterAnIncompleteReply)
{
    ScriptedServer server([](int fd) {
        SendText(fd, "220-never finished\r\n");
        quillet::test::ReadLine(fd);
    });
    LineSession session(NetConnect(server.Address(), "21", "tcp"));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.ReadReply(), 220);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    session.Send("QUIT");
}

TEST(NetReadReply, ClosedConnectionGivesNoCode)
{
    ScriptedServer server([](int) {});
    LineSession session(NetConnect(server.Address(), "21", "tcp"));
    EXPECT_EQ(session.ReadReply(), 0);
    EXPECT_EQ(session.LastReply(), "");
}

// A worker's stop request ends a wait on a silent server at once, and a
// connection's name look-up as well; without one the wait goes on.
TEST(NetReadReply, StopRequestEndsTheWaitForASilentServer)
{
    int port = 0;
    int listener = quillet::test::ListenOnLoopback(port, 4);
    std::atomic<bool> stop = false;
    std::thread raiser([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    CancelScope scope(stop);
    Socket socket = NetConnect("127.0.0.1:" + std::to_string(port), "21", "tcp");
    ASSERT_TRUE(socket);
    auto start = std::chrono::steady_clock::now();
    std::string reply;
    EXPECT_EQ(NetReadReply(socket, reply), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(NetConnect("localhost", "21", "tcp"));
    raiser.join();
    close(listener);
}
