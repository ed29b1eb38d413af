#include "db/AdminScript.h"

#include "generator/PerlLiteral.h"
#include "project/EmbeddedFile.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"

#include <algorithm>
#include <filesystem>
#include <sys/random.h>

namespace quillet {

namespace {

constexpr std::string_view kSecretLine = "my $SECRET = '';\n";
constexpr std::string_view kHostsLine = "my @HOSTS  = ();\n";

bool Replace(std::string& text, std::string_view line, const std::string& with)
{
    size_t at = text.find(line);
    if (at == std::string::npos)
        return false;
    text.replace(at, line.size(), with);
    return true;
}

bool IsSecret(std::string_view text)
{
    return text.size() >= 32 && std::all_of(text.begin(), text.end(),
                                            [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

} // namespace

std::string AdminEndpointUrl(const ServerSettings& settings)
{
    return RemotePath(settings, RemoteKind::ScriptAddress, "dbadmin");
}

std::string AdminScriptRemotePath(const ServerSettings& settings)
{
    return RemotePath(settings, RemoteKind::ServerScript, "dbadmin");
}

std::string NewAdminSecret()
{
    unsigned char bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n <= 0)
            return {};
        got += static_cast<size_t>(n);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string secret;
    for (unsigned char byte : bytes) {
        secret += kHex[byte >> 4];
        secret += kHex[byte & 15];
    }
    return secret;
}

std::string AdminSecrets::DefaultPath()
{
    return (std::filesystem::path(PreferencesPath()).parent_path() / "admin-secrets.dat").string();
}

// One "<secret> <endpoint>" line per script.
std::map<std::string, std::string> AdminSecrets::Load() const
{
    std::map<std::string, std::string> secrets;
    std::string text = ReadWholeFile(m_path).value_or("");
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = std::string_view(text).substr(start, end - start);
        size_t blank = line.find(' ');
        if (blank != std::string_view::npos && IsSecret(line.substr(0, blank)))
            secrets[std::string(line.substr(blank + 1))] = std::string(line.substr(0, blank));
        start = end + 1;
    }
    return secrets;
}

bool AdminSecrets::Save(const std::map<std::string, std::string>& secrets) const
{
    std::string text;
    for (const auto& [endpoint, secret] : secrets)
        text += secret + " " + endpoint + "\n";
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ec);
    return WriteFileAtomically(m_path, text, 0600);
}

std::string AdminSecrets::Find(const std::string& endpoint) const
{
    auto secrets = Load();
    auto found = secrets.find(endpoint);
    return found == secrets.end() ? std::string() : found->second;
}

std::string AdminSecrets::Obtain(const std::string& endpoint)
{
    if (endpoint.empty() || endpoint.find_first_of("\r\n") != std::string::npos)
        return {};
    auto secrets = Load();
    std::string& secret = secrets[endpoint];
    if (!secret.empty())
        return secret;
    secret = NewAdminSecret();
    if (secret.empty() || !Save(secrets))
        return {};
    return secret;
}

bool AdminSecrets::Forget(const std::string& endpoint)
{
    auto secrets = Load();
    return secrets.erase(endpoint) == 0 || Save(secrets);
}

std::string AdminScriptText(std::string_view script, const std::string& secret, const std::vector<std::string>& hosts)
{
    std::string text(script);
    std::string list;
    for (const std::string& host : hosts)
        list += (list.empty() ? "'" : ", '") + EscapePerlSingle(host) + "'";
    if (!IsSecret(secret) || !Replace(text, kSecretLine, "my $SECRET = '" + secret + "';\n") ||
        !Replace(text, kHostsLine, "my @HOSTS  = (" + list + ");\n"))
        return {};
    return text;
}

bool WriteAdminScript(const std::string& localPath, const ServerSettings& settings,
                      const std::vector<std::string>& hosts, Prompter& prompter)
{
    std::string secret = AdminSecrets().Obtain(AdminEndpointUrl(settings));
    std::string text = AdminScriptText(EmbeddedFile("dbadmin.cgi").value_or(""), secret, hosts);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(localPath).parent_path(), ec);
    if (!text.empty() && WriteFileAtomically(localPath, text, 0700))
        return true;
    prompter.Show(FormatMessage(Msg::CantCreateFile, {text.empty() ? AdminSecrets::DefaultPath() : localPath}));
    return false;
}

} // namespace quillet
