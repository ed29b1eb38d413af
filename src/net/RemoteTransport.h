#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Prompter;
struct ServerSettings;

enum class TransferType { Ascii = 1, Binary = 2 };

// Called while data moves; returning false cancels the transfer.
using TransferProgress = std::function<bool(uint64_t done, uint64_t total)>;

// What a publish needs of a way to reach the server's folders. FTP and direct
// copy implement it; the steps that keep a live site whole while it changes
// (PublishSteps.h) are written once, above it, for every transport.
class RemoteTransport {
public:
    virtual ~RemoteTransport() = default;

    // Stores bytes as path, creating missing folders and replacing a file of that name.
    virtual bool Put(const std::string& path, std::string_view bytes, TransferType type) = 0;
    // Makes path an empty file when nothing is there; never changes a file that is.
    virtual bool CreateIfMissing(const std::string& path) = 0;
    // Gives path the Unix mode written in octal digits ("755").
    virtual bool SetMode(const std::string& path, const std::string& mode) = 0;
    // Renames from to to, replacing a file of that name.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
    // The names in folder; false when it cannot be listed.
    virtual bool ListNames(const std::string& folder, std::vector<std::string>& names) = 0;
    // False for servers without Unix modes (Windows), which get no mode changes.
    virtual bool KeepsModes() const = 0;
    // The error number to report after a failed call.
    virtual unsigned long LastError() const = 0;
    virtual bool Cancelled() const { return false; }
    // Whether the last call failed because the server stopped answering.
    virtual bool TimedOut() const { return false; }
    // The server as the user named it, for messages.
    virtual std::string Server() const { return {}; }
    virtual void SetProgress(TransferProgress) {}
};

// The server's folders reached as local or network paths ("Using Direct Copy").
class FolderTransport : public RemoteTransport {
public:
    explicit FolderTransport(bool windowsServer) : m_windowsServer(windowsServer) {}

    bool Put(const std::string& path, std::string_view bytes, TransferType type) override;
    bool CreateIfMissing(const std::string& path) override;
    bool SetMode(const std::string& path, const std::string& mode) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override;
    bool KeepsModes() const override { return !m_windowsServer; }
    unsigned long LastError() const override { return m_lastError; }

private:
    bool Failed();

    bool m_windowsServer;
    unsigned long m_lastError = 0;
};

enum class ConnectResult;

// The transport the settings' upload method names, logged in; none when the
// server cannot be reached, is not trusted or refuses the login (result says
// which). Questions about the server's identity, and a refused one, go to
// prompter (OpenRemoteConnection).
std::unique_ptr<RemoteTransport> OpenTransport(const ServerSettings& settings, Prompter& prompter,
                                               ConnectResult* result = nullptr);

// Octal digits a mode command may carry: "644", "0755".
bool IsModeText(std::string_view mode);

// A remote path with "\" turned into "/".
std::string SlashPath(std::string_view path);

// The ASCII form of text: every line ending, LF or CR LF, becomes CR LF (RFC 959 3.1.1.1).
std::string ToNetworkText(std::string_view text);
// The local form of received text: CR LF becomes LF.
std::string FromNetworkText(std::string_view text);

// The part of a remote path after its last "/" or, failing that, its last "\".
std::string RemoteBaseName(std::string_view path);

} // namespace quillet
