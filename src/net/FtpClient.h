#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

enum class TransferType { Ascii = 1, Binary = 2 };

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

// Called while data moves; returning false cancels the transfer.
using TransferProgress = std::function<bool(uint64_t done, uint64_t total)>;

// One logged-in FTP session on libcurl. The control connection is kept open
// between calls, so a publish of many files logs in once.
class FtpConnection {
public:
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // Logs in and learns the login folder; none when the server cannot be
    // reached or refuses the login (timedOut tells whether it stopped answering).
    static std::unique_ptr<FtpConnection> Open(const FtpLogin& login, bool* timedOut = nullptr);

    // Stores bytes at remotePath, creating missing folders. The data go to a
    // temporary name beside the target and are renamed over it, so the
    // target is never seen half written. Text goes with the line ends of the
    // server's system, whether or not the server translates them itself.
    bool Store(const std::string& remotePath, std::string_view bytes, TransferType type);
    bool Fetch(const std::string& remotePath, std::string& bytes, TransferType type);
    enum class Presence { Present, Missing, Unknown };
    // Looks for the file in its folder's listing rather than asking for its
    // size, which a server refuses for a file the user may not read.
    Presence Probe(const std::string& remotePath);
    // Whether the server accepts the path as its current folder.
    bool IsFolder(const std::string& path);
    // The raw listing of a folder (MLSD when the server knows it, else LIST).
    bool List(const std::string& folder, std::string& listing);
    bool MakeFolder(const std::string& path);
    bool RemoveFolder(const std::string& path);
    bool DeleteFile(const std::string& path);
    bool Rename(const std::string& from, const std::string& to);

    const std::string& Host() const { return m_login.host; }
    // The folder the server put the user in at login, "/" when it did not say.
    const std::string& LoginFolder() const { return m_loginFolder; }
    // path made absolute against the login folder, with "/" separators.
    std::string AbsolutePath(std::string_view path) const;
    // The last FTP reply code, else the transfer library's error number.
    unsigned long LastError() const { return m_lastError; }
    bool Cancelled() const { return m_cancelled; }
    // Whether the last command failed because the server stopped answering.
    bool TimedOut() const { return m_timedOut; }
    void SetProgress(TransferProgress progress) { m_progress = std::move(progress); }

private:
    struct Handle;
    explicit FtpConnection(const FtpLogin& login);
    bool Perform(const std::string& url, const std::vector<std::string>& quote, bool noBody,
                 std::string* received = nullptr);
    void SetCommonOptions(const std::string& url);
    bool RunCommands(const std::vector<std::string>& commands);
    bool StoreOnce(const std::string& url, std::string_view bytes, const std::vector<std::string>& after);
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
// A remote path with "\" turned into "/".
std::string SlashPath(std::string_view path);

} // namespace quillet
