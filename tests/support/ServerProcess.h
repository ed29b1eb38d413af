#pragma once

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillet::test {

// A server started by a test and stopped with it. Its standard input is a
// pipe, so a helper that watches it ends even when the test is killed.
class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess() { Stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool Start(const std::vector<std::string>& argv)
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return false;
        m_pid = fork();
        if (m_pid == 0) {
            // Servers keep their own logs; their warnings would only clutter the test output.
            int quiet = open("/dev/null", O_WRONLY);
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(quiet, 2);
            close(in[1]);
            close(out[0]);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        m_stdin = in[1];
        m_stdout = out[0];
        return m_pid > 0;
    }

    // The first line the server printed, waited for up to timeoutMs.
    std::string FirstLine(int timeoutMs = 10000)
    {
        std::string line;
        char c;
        pollfd p{m_stdout, POLLIN, 0};
        while (poll(&p, 1, timeoutMs) > 0 && read(m_stdout, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

    void Stop()
    {
        if (m_pid <= 0)
            return;
        close(m_stdin);
        close(m_stdout);
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
};

// A socket listening on a free port of 127.0.0.1, which port receives. The
// kernel completes up to backlog handshakes whether or not anyone accepts.
inline int ListenOnLoopback(int& port, int backlog = 1)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    listen(fd, backlog);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return fd;
}

// A port on 127.0.0.1 that nothing listens on at the moment of asking.
inline int FreeLoopbackPort()
{
    int port = 0;
    close(ListenOnLoopback(port));
    return port;
}

// Waits until something accepts connections on the loopback port.
inline bool WaitForPort(int port, int timeoutMs = 15000)
{
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        bool up = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (up)
            return true;
        usleep(50000);
    }
    return false;
}

// Runs a command line through the shell; its exit status and its output.
inline int RunCommand(const std::string& command, std::string& output)
{
    output.clear();
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The output of a command line; a failing command's output ends with "[exit N]",
// so that a comparison with the expected output shows the failure.
inline std::string CommandOutput(const std::string& command)
{
    std::string output;
    int status = RunCommand(command, output);
    return status == 0 ? output : output + "[exit " + std::to_string(status) + "]";
}

} // namespace quillet::test
