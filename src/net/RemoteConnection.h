#pragma once

#include "net/RemoteTransport.h"
#include "project/ServerSettings.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

class Prompter;

inline bool IsRemoteMethod(std::string_view uploadMethod)
{
    return ProtocolOf(uploadMethod).has_value();
}

struct RemoteLogin {
    RemoteProtocol protocol = RemoteProtocol::Ftp;
    // "host" or "host:port"; the protocol's own port when none is given.
    std::string host;
    std::string user;
    std::string password;
    bool passive = true;
    // A Windows server gets text with CR LF and has the old file deleted before
    // a new one is renamed onto it, which it would refuse otherwise.
    bool windowsServer = false;
    // SFTP: the private key that logs in instead of the password, which then
    // only unlocks the key and never leaves this computer.
    std::string keyFile;
};

// The login the Web tab names, with the SSH key chosen for that server.
RemoteLogin LoginFor(const ServerSettings& settings);

// A logged-in session on the server's files: what publishing needs, and what
// the server file dialog needs besides.
class RemoteConnection : public RemoteTransport {
public:
    virtual bool Fetch(const std::string& remotePath, std::string& bytes, TransferType type) = 0;
    // Whether the server takes the path as a folder.
    virtual bool IsFolder(const std::string& path) = 0;
    // The raw listing of a folder, as ParseFtpListing reads it.
    virtual bool List(const std::string& folder, std::string& listing) = 0;
    virtual bool MakeFolder(const std::string& path) = 0;
    virtual bool RemoveFolder(const std::string& path) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool Rename(const std::string& from, const std::string& to) = 0;

    virtual const std::string& Host() const = 0;
    // The folder the server put the user in at login, "/" when it did not say.
    virtual const std::string& LoginFolder() const = 0;
    // path made absolute against the login folder, with "/" separators.
    virtual std::string AbsolutePath(std::string_view path) const = 0;
};

// How an attempt to log in ended.
enum class ConnectResult {
    Connected,
    Failed,   // unreachable, or the login was refused: the caller says so
    TimedOut, // the server stopped answering
    Declined, // the server's identity was refused, or it offered no encryption: the user knows
};

// Logs in over the login's protocol. The server's identity is checked before
// a password or key goes out: an SFTP host key against the user's
// known_hosts, an FTPS certificate against the system's authorities or the
// user's word; unknown ones are asked about through prompter, which also
// shows why a known one was refused. None when that or the login fails.
std::unique_ptr<RemoteConnection> OpenRemoteConnection(const RemoteLogin& login, Prompter& prompter,
                                                       ConnectResult* result = nullptr);

} // namespace quillet
