#pragma once

#include "net/RemoteTransport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct FtpLogin {
    // "host" or "host:port"; port 21 when none is given.
    std::string host;
    std::string user;
    std::string password;
    bool passive = true;
    // A Windows server gets text with CR LF and has the old file deleted before
    // a new one is renamed onto it, which it would refuse otherwise.
    bool windowsServer = false;
};

// One logged-in FTP session on libcurl. The control connection is kept open
// between calls, so a publish of many files logs in once.
class FtpConnection : public RemoteTransport {
public:
    ~FtpConnection() override;
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // Logs in and learns the login folder; none when the server cannot be
    // reached or refuses the login (timedOut tells whether it stopped answering).
    static std::unique_ptr<FtpConnection> Open(const FtpLogin& login, bool* timedOut = nullptr);

    // STOR, creating missing folders. Text goes with the line ends of the
    // server's system, whether or not the server translates them itself.
    bool Put(const std::string& path, std::string_view bytes, TransferType type) override;
    // APPE of nothing: creates a missing file and leaves a present one as it is.
    bool CreateIfMissing(const std::string& path) override;
    // "SITE CHMOD", which servers that keep Unix modes understand.
    bool SetMode(const std::string& path, const std::string& mode) override;
    // RNFR/RNTO; a Windows server has the old file deleted first.
    bool Replace(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override { return DeleteFile(path); }
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override;
    bool KeepsModes() const override { return !m_login.windowsServer; }

    bool Fetch(const std::string& remotePath, std::string& bytes, TransferType type);
    // Whether the server accepts the path as its current folder.
    bool IsFolder(const std::string& path);
    // The raw listing of a folder (MLSD when the server knows it, else LIST).
    bool List(const std::string& folder, std::string& listing);
    bool MakeFolder(const std::string& path);
    bool RemoveFolder(const std::string& path);
    bool DeleteFile(const std::string& path);
    bool Rename(const std::string& from, const std::string& to);

    const std::string& Host() const { return m_login.host; }
    std::string Server() const override { return m_login.host; }
    // The folder the server put the user in at login, "/" when it did not say.
    const std::string& LoginFolder() const { return m_loginFolder; }
    // path made absolute against the login folder, with "/" separators.
    std::string AbsolutePath(std::string_view path) const;
    // The last FTP reply code, else the transfer library's error number.
    unsigned long LastError() const override { return m_lastError; }
    bool Cancelled() const override { return m_cancelled; }
    bool TimedOut() const override { return m_timedOut; }
    void SetProgress(TransferProgress progress) override { m_progress = std::move(progress); }

private:
    struct Handle;
    explicit FtpConnection(const FtpLogin& login);
    bool Perform(const std::string& url, const std::vector<std::string>& quote, bool noBody,
                 std::string* received = nullptr);
    void SetCommonOptions(const std::string& url);
    bool RunCommands(const std::vector<std::string>& commands);
    bool StoreOnce(const std::string& url, std::string_view bytes, bool append);
    std::string Url(std::string_view path) const;
    static int OnProgress(void* self, int64_t total, int64_t now, int64_t upTotal, int64_t upNow);

    FtpLogin m_login;
    std::unique_ptr<Handle> m_handle;
    std::string m_loginFolder = "/";
    unsigned long m_lastError = 0;
    bool m_cancelled = false;
    bool m_timedOut = false;
    TransferProgress m_progress;
};

// The ASCII form of text: every line ending, LF or CR LF, becomes CR LF (RFC 959 3.1.1.1).
std::string ToNetworkText(std::string_view text);
// The local form of received text: CR LF becomes LF.
std::string FromNetworkText(std::string_view text);

// The part of a remote path after its last "/" or, failing that, its last "\".
std::string RemoteBaseName(std::string_view path);

} // namespace quillet
