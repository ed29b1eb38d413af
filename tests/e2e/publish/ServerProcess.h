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

// A port on 127.0.0.1 that nothing listens on at the moment of asking.
inline int FreeLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
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

#ifndef QUILLET_E2E_DIR
#define QUILLET_E2E_DIR "."
#endif

// pyftpdlib serving root for user "web", password "secret".
class FtpServer {
public:
    bool Start(const std::string& root, const std::string& banner = "Quillet test server ready")
    {
        if (!m_process.Start({"/usr/bin/python3", QUILLET_E2E_DIR "/ftp_server.py", root, "--banner", banner}))
            return false;
        m_port = std::atoi(m_process.FirstLine().c_str());
        return m_port > 0;
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
    int Port() const { return m_port; }

private:
    ServerProcess m_process;
    int m_port = 0;
};

// lighttpd serving root on a free port, running *.cgi with Perl.
class LighttpdServer {
public:
    bool Start(const std::string& root, const std::string& workFolder)
    {
        m_port = FreeLoopbackPort();
        std::string config = workFolder + "/lighttpd.conf";
        FILE* out = std::fopen(config.c_str(), "w");
        if (!out)
            return false;
        std::fprintf(out,
                     "server.document-root = \"%s\"\nserver.bind = \"127.0.0.1\"\nserver.port = %d\n"
                     "server.modules = (\"mod_cgi\")\ncgi.assign = (\".cgi\" => \"/usr/bin/perl\")\n"
                     "server.errorlog = \"%s/lighttpd-error.log\"\n",
                     root.c_str(), m_port, workFolder.c_str());
        std::fclose(out);
        return m_process.Start({"/usr/sbin/lighttpd", "-D", "-f", config}) && WaitForPort(m_port);
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    ServerProcess m_process;
    int m_port = 0;
};

// mariadbd on an empty data folder, without grant tables: any user may connect.
class MariaDbServer {
public:
    bool Start(const std::string& folder)
    {
        m_port = FreeLoopbackPort();
        m_socket = folder + "/mysqld.sock";
        std::string data = folder + "/data";
        if (std::system(("mkdir -p '" + data + "'").c_str()) != 0)
            return false;
        std::vector<std::string> argv = {"/usr/sbin/mariadbd",
                                         "--no-defaults",
                                         "--datadir=" + data,
                                         "--socket=" + m_socket,
                                         "--port=" + std::to_string(m_port),
                                         "--bind-address=127.0.0.1",
                                         "--skip-grant-tables",
                                         "--skip-log-bin",
                                         "--innodb-buffer-pool-size=16M",
                                         "--open-files-limit=1024",
                                         "--innodb-flush-log-at-trx-commit=0",
                                         "--innodb-doublewrite=0",
                                         "--innodb-flush-method=nosync",
                                         "--skip-name-resolve",
                                         "--pid-file=" + folder + "/mysqld.pid",
                                         "--log-error=" + folder + "/mysqld.log"};
        if (geteuid() == 0)
            argv.push_back("--user=root");
        return m_process.Start(argv) && WaitForPort(m_port);
    }
    bool Sql(const std::string& statement) const
    {
        return std::system(("/usr/bin/mariadb -S '" + m_socket + "' -e \"" + statement + "\"").c_str()) == 0;
    }
    int Port() const { return m_port; }

private:
    ServerProcess m_process;
    std::string m_socket;
    int m_port = 0;
};

} // namespace quillet::test
