#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Prompter;
struct ServerSettings;

// What the "Web" tab shows: the server settings with the tab's defaults filled
// in for empty ones, and the DNS text as a list.
struct WebPageValues {
    std::string serverType;
    std::string uploadMethod;
    std::string scriptPattern;
    std::string cgiWrapper;
    std::string ftpServer;
    std::string ftpUser;
    std::string ftpPassword;
    bool ftpPassive = false;
    std::string perlPath;
    std::string homePageUrl;
    std::string homePagePath;
    std::string cgiUrl;
    std::string cgiPath;
    std::vector<std::string> dnsServers;

    bool operator==(const WebPageValues&) const = default;
};

namespace web {
inline constexpr const char* kServerTypes[] = {"Others", "Win95/98/NT/2K/Me/XP"};
inline constexpr const char* kUploadMethods[] = {"Using Direct Copy", "Using FTP", "Using FTPS", "Using SFTP"};
inline constexpr const char* kScriptPatterns[] = {"*.cgi", "*.pl"};
inline constexpr const char* kCgiWrappers[] = {"CGIWrap", "None or Not Sure", "suEXEC"};
inline constexpr const char* kHomeFileFilter =
    "HTML File (*.html;*.htm;*.shtml;*.dhtml)|*.html;*.htm;*.shtml;*.dhtml|TEXT FILE (*.txt)|*.txt||";
} // namespace web

WebPageValues WebPageFromSettings(const ServerSettings& settings);
// Trims the paths and addresses, turns "\" in the server-side paths into "/"
// and joins the DNS list with ",".
void StoreWebPage(const WebPageValues& values, ServerSettings& settings);

// The DNS text split at ",", each piece trimmed, empty pieces left out.
std::vector<std::string> SplitDnsList(std::string_view text);
std::string JoinDnsList(const std::vector<std::string>& names);
// "Add a DNS server": false with a message for empty text; an entry already
// listed (ignoring case) is not added twice.
bool AddDnsServer(std::vector<std::string>& names, std::string_view text, Prompter& prompter);

// The login fields serve every method that logs in; passive mode only FTP and
// FTPS, the SSH key only SFTP.
bool FtpFieldsEnabled(std::string_view uploadMethod);
bool PassiveModeEnabled(std::string_view uploadMethod);
bool SshKeyEnabled(std::string_view uploadMethod);
bool PerlPathEnabled(std::string_view serverType);

std::string TrimBlanks(std::string_view text);

} // namespace quillet
