#pragma once

#include "support/ServerProcess.h"
#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/stat.h>

namespace quillet::test {

#ifndef QUILLET_E2E_DIR
#define QUILLET_E2E_DIR "."
#endif

// pyftpdlib serving root for user "web", password "secret"; with a
// certificate folder, only over explicit TLS.
class FtpServer {
public:
    // Names in hidden are left out of every listing.
    bool Start(const std::string& root, const std::string& banner = "Quillet test server ready",
               const std::vector<std::string>& hidden = {}, const std::string& tlsFolder = "")
    {
        std::vector<std::string> argv = {"/usr/bin/python3", QUILLET_E2E_DIR "/ftp_server.py", root, "--banner",
                                         banner};
        for (const std::string& name : hidden)
            argv.insert(argv.end(), {"--hide", name});
        if (!tlsFolder.empty())
            argv.insert(argv.end(), {"--tls", tlsFolder});
        if (!m_process.Start(argv))
            return false;
        m_port = std::atoi(m_process.FirstLine().c_str());
        return m_port > 0;
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
    int Port() const { return m_port; }
    // Kills the server where it stands, mid-transfer or not.
    void Kill() { m_process.Stop(); }

private:
    ServerProcess m_process;
    int m_port = 0;
};

// OpenSSH's sshd on a free port, run as the user who runs the test, with SFTP
// and key log-ins only: a key made for the test is the one it accepts.
class SshServer {
public:
    bool Start(const std::string& folder)
    {
        m_folder = folder;
        m_port = FreeLoopbackPort();
        mkdir(folder.c_str(), 0700);
        std::string keys = "ssh-keygen -q -t ed25519 -N '' -f '" + folder +
                           "/host_key' && ssh-keygen -q -t ed25519 "
                           "-N '' -f '" +
                           folder + "/user_key' && cp '" + folder + "/user_key.pub' '" + folder + "/authorized_keys'";
        if (std::system(keys.c_str()) != 0)
            return false;
        std::string config = folder + "/sshd_config";
        FILE* out = std::fopen(config.c_str(), "w");
        if (!out)
            return false;
        std::fprintf(out,
                     "Port %d\nListenAddress 127.0.0.1\nHostKey %s/host_key\nPidFile none\nAuthorizedKeysFile "
                     "%s/authorized_keys\nStrictModes no\nUsePAM no\nPasswordAuthentication no\n"
                     "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\n"
                     "Subsystem sftp internal-sftp\nLogLevel ERROR\n",
                     m_port, folder.c_str(), folder.c_str());
        std::fclose(out);
        // Only root's sshd wants its privilege separation folder.
        if (geteuid() == 0)
            mkdir("/run/sshd", 0755);
        return m_process.Start({"/usr/sbin/sshd", "-D", "-e", "-f", config}) && WaitForPort(m_port);
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string UserKey() const { return m_folder + "/user_key"; }
    std::string HostKeyFile() const { return m_folder + "/host_key.pub"; }
    // The line known_hosts keeps for this server.
    std::string KnownHostsLine() const
    {
        std::string key = ReadBytes(HostKeyFile());
        size_t comment = key.find(' ', key.find(' ') + 1);
        return "[127.0.0.1]:" + std::to_string(m_port) + " " + key.substr(0, comment) + "\n";
    }
    // "SHA256:..." as ssh-keygen shows the key of publicKeyFile.
    static std::string Fingerprint(const std::string& publicKeyFile)
    {
        std::string line;
        if (FILE* out = popen(("ssh-keygen -l -f '" + publicKeyFile + "'").c_str(), "r")) {
            char buffer[512];
            while (fgets(buffer, sizeof buffer, out))
                line += buffer;
            pclose(out);
        }
        size_t start = line.find("SHA256:");
        return start == std::string::npos ? "" : line.substr(start, line.find(' ', start) - start);
    }
    static std::string User()
    {
        const passwd* entry = getpwuid(geteuid());
        return entry ? entry->pw_name : "";
    }
    static std::string Home()
    {
        const passwd* entry = getpwuid(geteuid());
        return entry ? entry->pw_dir : "";
    }

private:
    ServerProcess m_process;
    std::string m_folder;
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
