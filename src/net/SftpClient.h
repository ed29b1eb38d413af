#pragma once

#include "net/CurlConnection.h"
#include "net/SshIdentity.h"

#include <functional>
#include <memory>
#include <string>

namespace quillet {

// Decides whether to go on with a server that showed rawKey; name is how
// known_hosts names the server.
using HostKeyCheck = std::function<bool(const std::string& name, HostKeyMatch match, std::string_view rawKey)>;

// One logged-in SFTP session. The host key is checked against the user's
// known_hosts before the password or key goes out.
class SftpConnection : public CurlConnection {
public:
    // Logs in and learns the login folder; none when the server cannot be
    // reached, checkHostKey refuses its key (result Declined), or it refuses
    // the login.
    static std::unique_ptr<SftpConnection> Open(const RemoteLogin& login, const HostKeyCheck& checkHostKey,
                                                ConnectResult* result = nullptr);

    bool SetMode(const std::string& path, const std::string& mode) override;
    // SFTP's rename will not replace a file (OpenSSH speaks version 3), so the
    // live file steps aside under a backup name, the new one takes its place,
    // and the backup goes; a failed step puts the live file back.
    bool Replace(const std::string& from, const std::string& to) override;
    bool IsFolder(const std::string& path) override;
    bool List(const std::string& folder, std::string& listing) override;
    bool MakeFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;

protected:
    std::string_view Scheme() const override { return "sftp"; }
    std::string_view DefaultPort() const override { return "22"; }
    std::string_view RootInUrl() const override { return "/"; }
    void SetProtocolOptions(CURL* curl) override;

private:
    explicit SftpConnection(const RemoteLogin& login) : CurlConnection(login) {}
    // An SFTP command's path argument, quoted as the transfer library reads it.
    std::string Quoted(const std::string& path) const;
    static int OnHostKey(CURL* curl, const curl_khkey* known, const curl_khkey* found, curl_khmatch match, void* self);

    // Set only while Open logs in: the key of a later reconnection must be known.
    const HostKeyCheck* m_checkHostKey = nullptr;
    bool m_hostKeyRefused = false;
};

} // namespace quillet
