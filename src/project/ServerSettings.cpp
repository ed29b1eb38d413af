#include "project/ServerSettings.h"

#include "project/ProjectFile.h"

#include <array>
#include <cstdlib>
#include <filesystem>

namespace quillet {

namespace {

struct TextKey {
    const char* key;
    std::string ServerSettings::*field;
    bool required; // meeting the end of the file here fails the read
};

constexpr std::array kHeadKeys = {
    TextKey{"SERVER_SERVER", &ServerSettings::serverType, true},
    TextKey{"SERVER_PERL", &ServerSettings::perlPath, true},
    TextKey{"SERVER_TABLIX_IP", &ServerSettings::tablixAddress, false},
    TextKey{"SERVER_EXT", &ServerSettings::scriptPattern, true},
    TextKey{"SERVER_IP", &ServerSettings::ftpServer, true},
    TextKey{"SERVER_USER", &ServerSettings::ftpUser, true},
    TextKey{"SERVER_PASSWD", &ServerSettings::ftpPassword, true},
    TextKey{"SERVER_HTMLPATH", &ServerSettings::homePagePath, true},
    TextKey{"SERVER_HTMLURL", &ServerSettings::homePageUrl, true},
    TextKey{"SERVER_CGIPATH", &ServerSettings::cgiPath, true},
    TextKey{"SERVER_CGIURL", &ServerSettings::cgiUrl, true},
    TextKey{"SERVER_TABLIX_USER", &ServerSettings::tablixUser, false},
    TextKey{"SERVER_TABLIX_PASSWD", &ServerSettings::tablixPassword, false},
    TextKey{"SERVER_HTMLEDITOR", &ServerSettings::htmlEditor, true},
    TextKey{"SERVER_UPLOAD", &ServerSettings::uploadMethod, true},
    TextKey{"SERVER_TEXTEDITOR", &ServerSettings::textEditor, true},
    TextKey{"SERVER_CGIWRAP", &ServerSettings::cgiWrapper, true},
};

} // namespace

std::string ServerSettings::ScriptExtension() const
{
    return scriptPattern.size() > 1 ? scriptPattern.substr(1) : std::string();
}

void WriteSettings(ProjectWriter& out, const ServerSettings& settings)
{
    for (const TextKey& k : kHeadKeys)
        WriteMarkedValue(out, k.key, settings.*k.field);
    WriteNumber(out, "SERVER_TABLIX_PERMISSION", settings.tablixPermission);
    WriteNumber(out, "BUILD_PORTABLE", settings.buildPortable);
    WriteNumber(out, "FTP_PASSIVE", settings.ftpPassive);
    WriteMarkedValue(out, "DBASE_FILE", "");
    WriteMarkedValue(out, "DNS", settings.dnsServers);
}

bool ReadSettings(ProjectReader& in, ServerSettings& settings)
{
    for (const TextKey& k : kHeadKeys) {
        MarkedResult r = ReadMarkedValue(in, k.key, settings.*k.field);
        if (r == MarkedResult::End && k.required) {
            // A file that ends inside the block: name what the next line should have been.
            in.Fail(in.Position(), "\"" + std::string(k.key) + "=\"");
            return false;
        }
    }
    settings.tablixPermission = ReadNumber(in, "SERVER_TABLIX_PERMISSION");
    settings.buildPortable = ReadInt(in, "BUILD_PORTABLE");
    settings.ftpPassive = ReadInt(in, "FTP_PASSIVE");
    std::string dropped;
    ReadMarkedValue(in, "DBASE_FILE", dropped);
    ReadMarkedValue(in, "DNS", settings.dnsServers);
    return !in.Failed();
}

bool IsWindowsServer(std::string_view serverType)
{
    return serverType.find("Win") != std::string_view::npos;
}

std::optional<RemoteProtocol> ProtocolOf(std::string_view uploadMethod)
{
    if (uploadMethod == "Using FTP")
        return RemoteProtocol::Ftp;
    if (uploadMethod == "Using FTPS")
        return RemoteProtocol::Ftps;
    if (uploadMethod == "Using SFTP")
        return RemoteProtocol::Sftp;
    return std::nullopt;
}

bool ServerSettings::UsesRemoteLogin() const
{
    return ProtocolOf(uploadMethod).has_value();
}

std::string PreferencesPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : ".") + "/.config";
    }
    return base + "/quillet/preferences.dat";
}

void LoadPreferences(ServerSettings& settings)
{
    settings = ServerSettings();
    auto in = ProjectReader::FromFile(PreferencesPath());
    if (!in)
        return;
    ServerSettings read;
    if (ReadSettings(*in, read))
        settings = read;
}

bool SavePreferences(const ServerSettings& settings)
{
    std::string path = PreferencesPath();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    ProjectWriter out;
    WriteSettings(out, settings);
    return out.Commit(path);
}

} // namespace quillet
