#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

enum class RemoteProtocol { Ftp, Ftps, Sftp };

// The upload methods that log in to the server: "Using FTP", "Using FTPS"
// (explicit TLS) and "Using SFTP"; none for one that reaches the server's
// folders as local paths ("Using Direct Copy").
std::optional<RemoteProtocol> ProtocolOf(std::string_view uploadMethod);

class ProjectReader;
class ProjectWriter;

struct ServerSettings {
    std::string serverType;
    std::string perlPath;
    std::string tablixAddress;
    std::string scriptPattern;
    std::string ftpServer;
    std::string ftpUser;
    std::string ftpPassword;
    std::string homePagePath;
    std::string homePageUrl;
    std::string cgiPath;
    std::string cgiUrl;
    std::string tablixUser;
    std::string tablixPassword;
    std::string htmlEditor;
    std::string uploadMethod;
    std::string textEditor;
    std::string cgiWrapper;
    long tablixPermission = 0;
    int buildPortable = 0;
    int ftpPassive = 0;
    std::string dnsServers;

    bool operator==(const ServerSettings&) const = default;

    // The script extension, ".cgi" for "*.cgi": the pattern from its second character on.
    std::string ScriptExtension() const;
    // FTP, FTPS or SFTP: the server is reached with the login of the Web tab,
    // not as local folders.
    bool UsesRemoteLogin() const;
};

void WriteSettings(ProjectWriter& out, const ServerSettings& settings);
// False when the file ends before the settings that every file carries.
bool ReadSettings(ProjectReader& in, ServerSettings& settings);

bool IsWindowsServer(std::string_view serverType);

// The defaults of new projects, kept in the user's configuration folder in the
// format of a web configuration file.
std::string PreferencesPath();
// A missing or unreadable file leaves every field empty or zero.
void LoadPreferences(ServerSettings& settings);
bool SavePreferences(const ServerSettings& settings);

} // namespace quillet
