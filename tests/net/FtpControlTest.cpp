#include "net/FtpControl.h"
#include "support/ServerProcess.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillet {
namespace {

// A one-connection server on 127.0.0.1 that plays a script: lines starting
// with "S:" are sent (after the given delay), "C:" lines are the commands it
// expects, in order. What it received is kept for the test to compare.
class ScriptedFtpServer {
public:
    struct Step {
        char who;
        std::string text;
        int delayMs = 0;
    };

    explicit ScriptedFtpServer(std::vector<Step> script) : m_script(std::move(script))
    {
        m_listener = test::ListenOnLoopback(m_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~ScriptedFtpServer()
    {
        shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        close(m_listener);
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::vector<std::string> Received()
    {
        m_thread.join();
        m_thread = std::thread([] {});
        return m_received;
    }

private:
    void Run()
    {
        int client = accept(m_listener, nullptr, nullptr);
        if (client < 0)
            return;
        std::string pending;
        for (const Step& step : m_script) {
            if (step.who == 'S') {
                std::this_thread::sleep_for(std::chrono::milliseconds(step.delayMs));
                send(client, step.text.data(), step.text.size(), MSG_NOSIGNAL);
                continue;
            }
            if (!ReadLine(client, pending))
                break;
        }
        ReadLine(client, pending);
        close(client);
    }
    bool ReadLine(int client, std::string& pending)
    {
        char buffer[256];
        while (pending.find("\r\n") == std::string::npos) {
            timeval wait{3, 0};
            setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            pending.append(buffer, static_cast<size_t>(n));
        }
        size_t end = pending.find("\r\n");
        m_received.push_back(pending.substr(0, end));
        pending.erase(0, end + 2);
        return true;
    }

    std::vector<Step> m_script;
    std::vector<std::string> m_received;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
};

TEST(FtpControl, MultiLineGreetingLoginChmodAndQuit)
{
    ScriptedFtpServer server({{'S', "220-Welcome\r\n"},
                              {'S', "220-second line\r\n", 300},
                              {'S', "220 ready\r\n", 300},
                              {'C', ""},
                              {'S', "331 password please\r\n"},
                              {'C', ""},
                              {'S', "230 in\r\n"},
                              {'C', ""},
                              {'S', "200 SITE CHMOD successful.\r\n"},
                              {'C', ""},
                              {'S', "250 ok\r\n"},
                              {'C', ""},
                              {'S', "550 no such file\r\n"}});
    LineSession session = FtpControlLogin(server.Address(), "web", "secret");
    ASSERT_TRUE(session.Connected());
    EXPECT_EQ(FtpSiteChmod(session, "755", "/cgi-bin/order.cgi"), 0);
    EXPECT_EQ(FtpSiteChmod(session, "644", "/a b.html"), 0);
    EXPECT_EQ(FtpSiteChmod(session, "644", "/missing"), -1);
    FtpQuit(session);
    EXPECT_FALSE(session.Connected());
    EXPECT_EQ(server.Received(),
              (std::vector<std::string>{"USER web", "PASS secret", "SITE chmod 755 /cgi-bin/order.cgi",
                                        "SITE chmod 644 /a b.html", "SITE chmod 644 /missing", "QUIT"}));
}

TEST(FtpControl, LoginRefusals)
{
    struct Case {
        const char* name;
        std::vector<ScriptedFtpServer::Step> script;
    } cases[] = {
        {"greeting not 220", {{'S', "421 too many users\r\n"}}},
        {"user accepted without password", {{'S', "220 hi\r\n"}, {'C', ""}, {'S', "230 welcome\r\n"}}},
        {"password refused",
         {{'S', "220 hi\r\n"}, {'C', ""}, {'S', "331 pass\r\n"}, {'C', ""}, {'S', "530 wrong\r\n"}}},
    };
    for (Case& c : cases) {
        ScriptedFtpServer server(c.script);
        LineSession session = FtpControlLogin(server.Address(), "web", "secret");
        EXPECT_FALSE(session.Connected()) << c.name;
        EXPECT_EQ(FtpSiteChmod(session, "755", "/x"), -1) << c.name;
    }
}

TEST(FtpControl, LineBreaksInArgumentsAreRefused)
{
    EXPECT_FALSE(FtpControlLogin("127.0.0.1:1", "web\r\nDELE x", "secret").Connected());
    LineSession none;
    EXPECT_EQ(FtpSiteChmod(none, "755", "/a\r\nDELE /b"), -1);
}

} // namespace
} // namespace quillet
