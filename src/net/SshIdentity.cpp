#include "net/SshIdentity.h"

#include "net/TlsChannel.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quillet {

namespace {

std::string ConfigFile(const char* name)
{
    return (fs::path(PreferencesPath()).parent_path() / name).string();
}

std::string KeyOwner(const std::string& user, const std::string& server)
{
    return user + "@" + server;
}

} // namespace

std::string KnownHostsPath()
{
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.ssh/known_hosts";
}

std::string KnownHostsName(const std::string& host, const std::string& port)
{
    return port.empty() || port == "22" ? host : "[" + host + "]:" + port;
}

// The key blob begins with its type as an SSH string (RFC 4253 6.6).
std::string HostKeyType(std::string_view rawKey)
{
    if (rawKey.size() < 4)
        return {};
    size_t length = (static_cast<unsigned char>(rawKey[0]) << 24) | (static_cast<unsigned char>(rawKey[1]) << 16) |
                    (static_cast<unsigned char>(rawKey[2]) << 8) | static_cast<unsigned char>(rawKey[3]);
    return length <= rawKey.size() - 4 ? std::string(rawKey.substr(4, length)) : std::string();
}

std::string HostKeyFingerprint(std::string_view rawKey)
{
    std::string encoded = Base64(Sha256(rawKey));
    while (!encoded.empty() && encoded.back() == '=')
        encoded.pop_back();
    return "SHA256:" + encoded;
}

bool AddKnownHost(const std::string& path, const std::string& name, std::string_view rawKey)
{
    std::string type = HostKeyType(rawKey);
    if (type.empty() || name.find_first_of(" \t\r\n") != std::string::npos)
        return false;
    fs::path folder = fs::path(path).parent_path();
    if (!folder.empty() && !fs::exists(folder))
        mkdir(folder.c_str(), 0700);
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // A file that does not end its last line would glue the new one to it.
    struct stat info {};
    std::string line = name + " " + type + " " + Base64(rawKey) + "\n";
    if (fstat(fd, &info) == 0 && info.st_size > 0) {
        char last = '\n';
        if (pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n')
            line.insert(0, "\n");
    }
    bool written = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    return close(fd) == 0 && written;
}

bool AcceptHostKey(const std::string& name, HostKeyMatch match, std::string_view rawKey, Prompter& prompter)
{
    if (match == HostKeyMatch::Known)
        return true;
    std::string type = HostKeyType(rawKey);
    std::string fingerprint = HostKeyFingerprint(rawKey);
    if (match == HostKeyMatch::Changed) {
        prompter.Show(FormatMessage(Msg::HostKeyChanged, {name, type, fingerprint, KnownHostsPath(), name}));
        return false;
    }
    if (!prompter.AskYesNo(FormatMessage(Msg::HostKeyUnknown, {name, type, fingerprint})))
        return false;
    AddKnownHost(KnownHostsPath(), name, rawKey);
    return true;
}

std::string SshKeysPath()
{
    return ConfigFile("ssh-keys");
}

std::optional<std::string> SshKeyFor(const std::string& user, const std::string& server)
{
    std::istringstream in(ReadWholeFile(SshKeysPath()).value_or(""));
    std::string owner = KeyOwner(user, server);
    for (std::string line; std::getline(in, line);) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos && line.compare(0, tab, owner) == 0 && tab == owner.size())
            return line.substr(tab + 1);
    }
    return std::nullopt;
}

bool RememberSshKey(const std::string& user, const std::string& server, const std::string& keyFile)
{
    std::string owner = KeyOwner(user, server);
    if ((owner + keyFile).find_first_of("\t\r\n") != std::string::npos)
        return false;
    std::istringstream in(ReadWholeFile(SshKeysPath()).value_or(""));
    std::string kept;
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, owner.size() + 1, owner + "\t") != 0)
            kept += line + "\n";
    if (!keyFile.empty())
        kept += owner + "\t" + keyFile + "\n";
    std::error_code ec;
    fs::create_directories(fs::path(SshKeysPath()).parent_path(), ec);
    return WriteFileAtomically(SshKeysPath(), kept);
}

} // namespace quillet
