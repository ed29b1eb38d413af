#pragma once

#include "support/ServerProcess.h"

#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quillet::test {

// A one-connection TCP server on 127.0.0.1 whose behaviour the test scripts:
// it accepts one client and hands its descriptor to the script.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<void(int)> script)
    {
        m_listener = ListenOnLoopback(m_port);
        m_thread = std::thread([this, script = std::move(script)] {
            int client = accept(m_listener, nullptr, nullptr);
            if (client < 0)
                return;
            script(client);
            close(client);
        });
    }
    ~ScriptedServer()
    {
        shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        close(m_listener);
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
    int Port() const { return m_port; }

private:
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
};

inline void SendText(int fd, const std::string& text)
{
    (void)send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

// Reads one line ended by LF (kept without its CR LF); empty at end of stream.
inline std::string ReadLine(int fd)
{
    std::string line;
    char c;
    while (recv(fd, &c, 1, 0) == 1 && c != '\n')
        line += c;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace quillet::test
