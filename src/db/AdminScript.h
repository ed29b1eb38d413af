#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Prompter;
struct ServerSettings;

// The address of the deployed administration script: the CGI-BIN URL and
// "dbadmin" with the script extension.
std::string AdminEndpointUrl(const ServerSettings& settings);
// Where a publish puts that script on the server.
std::string AdminScriptRemotePath(const ServerSettings& settings);

// 128 random bits as 32 lowercase hexadecimal digits; empty when the system
// gives no randomness.
std::string NewAdminSecret();

// The secret of each deployed administration script, keyed by its endpoint,
// in a file of the user's configuration folder that only the user may read.
class AdminSecrets {
public:
    explicit AdminSecrets(std::string path = DefaultPath()) : m_path(std::move(path)) {}
    static std::string DefaultPath();

    // "" when the endpoint has none.
    std::string Find(const std::string& endpoint) const;
    // The endpoint's secret, made and kept when it has none yet; "" when it
    // cannot be kept, since a secret the program forgets locks the script for good.
    std::string Obtain(const std::string& endpoint);
    bool Forget(const std::string& endpoint);

private:
    std::map<std::string, std::string> Load() const;
    bool Save(const std::map<std::string, std::string>& secrets) const;

    std::string m_path;
};

// The program's copy of the script with the secret and hosts written in;
// empty when the copy lacks the lines that take them.
std::string AdminScriptText(std::string_view script, const std::string& secret, const std::vector<std::string>& hosts);

// Writes the copy to deploy at settings' endpoint to localPath, readable by
// the user alone. A failure is shown.
bool WriteAdminScript(const std::string& localPath, const ServerSettings& settings,
                      const std::vector<std::string>& hosts, Prompter& prompter);

} // namespace quillet
