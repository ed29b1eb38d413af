#include "net/WebPageRules.h"

#include "project/Messages.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"

#include <algorithm>
#include <strings.h>

namespace quillet {

namespace {

const std::string& Or(const std::string& value, const std::string& fallback)
{
    return value.empty() ? fallback : value;
}

std::string ForwardSlashes(std::string text)
{
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

std::vector<std::string> SplitAt(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

} // namespace

std::string TrimBlanks(std::string_view text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

WebPageValues WebPageFromSettings(const ServerSettings& settings)
{
    WebPageValues values;
    values.serverType = Or(settings.serverType, "Others");
    values.uploadMethod = Or(settings.uploadMethod, "Using FTP");
    values.scriptPattern = Or(settings.scriptPattern, "*.cgi");
    values.cgiWrapper = Or(settings.cgiWrapper, "None or Not Sure");
    values.ftpServer = settings.ftpServer;
    values.ftpUser = settings.ftpUser;
    values.ftpPassword = settings.ftpPassword;
    values.ftpPassive = settings.ftpPassive != 0;
    values.perlPath = Or(settings.perlPath, "/usr/bin/perl");
    values.homePageUrl = Or(settings.homePageUrl, "http://");
    values.homePagePath = settings.homePagePath;
    values.cgiUrl = Or(settings.cgiUrl, "http://");
    values.cgiPath = settings.cgiPath;
    values.dnsServers = SplitDnsList(settings.dnsServers);
    return values;
}

void StoreWebPage(const WebPageValues& values, ServerSettings& settings)
{
    settings.serverType = values.serverType;
    settings.uploadMethod = values.uploadMethod;
    settings.scriptPattern = values.scriptPattern;
    settings.cgiWrapper = values.cgiWrapper;
    settings.ftpServer = values.ftpServer;
    settings.ftpUser = values.ftpUser;
    settings.ftpPassword = values.ftpPassword;
    settings.ftpPassive = values.ftpPassive ? 1 : 0;
    settings.perlPath = values.perlPath;
    settings.homePageUrl = TrimBlanks(values.homePageUrl);
    settings.homePagePath = ForwardSlashes(TrimBlanks(values.homePagePath));
    settings.cgiUrl = TrimBlanks(values.cgiUrl);
    settings.cgiPath = ForwardSlashes(TrimBlanks(values.cgiPath));
    settings.dnsServers = JoinDnsList(values.dnsServers);
}

std::vector<std::string> SplitDnsList(std::string_view text)
{
    std::vector<std::string> names;
    for (const std::string& piece : SplitAt(text, ',')) {
        std::string name = TrimBlanks(piece);
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

std::string JoinDnsList(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ",") + name;
    return text;
}

bool AddDnsServer(std::vector<std::string>& names, std::string_view text, Prompter& prompter)
{
    std::string name = TrimBlanks(text);
    if (name.empty()) {
        prompter.Show(FormatMessage(Msg::EnterDnsServer));
        return false;
    }
    for (const std::string& listed : names)
        if (strcasecmp(listed.c_str(), name.c_str()) == 0)
            return true;
    names.push_back(name);
    return true;
}

bool FtpFieldsEnabled(std::string_view uploadMethod)
{
    return ProtocolOf(uploadMethod).has_value();
}

bool PassiveModeEnabled(std::string_view uploadMethod)
{
    return uploadMethod == "Using FTP" || uploadMethod == "Using FTPS";
}

bool SshKeyEnabled(std::string_view uploadMethod)
{
    return uploadMethod == "Using SFTP";
}

bool PerlPathEnabled(std::string_view serverType)
{
    // Windows servers find Perl by the file extension, not by a path.
    return !serverType.starts_with("Win");
}

} // namespace quillet
