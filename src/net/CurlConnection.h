#pragma once

#include "net/RemoteConnection.h"

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The transfer library's part of every remote protocol: one handle kept
// between calls (so a publish logs in once), the URL of a server path, the
// command lists sent before and after a transfer, progress, cancelling and
// the error of the last call. FTP, FTPS and SFTP fill in what differs.
class CurlConnection : public RemoteConnection {
public:
    ~CurlConnection() override;
    CurlConnection(const CurlConnection&) = delete;
    CurlConnection& operator=(const CurlConnection&) = delete;

    // Text goes with the line ends of the server's system.
    bool Put(const std::string& path, std::string_view bytes, TransferType type) override;
    // An append of nothing: creates a missing file and leaves a present one as it is.
    bool CreateIfMissing(const std::string& path) override;
    bool Remove(const std::string& path) override { return DeleteFile(path); }
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override;
    bool KeepsModes() const override { return !m_login.windowsServer; }
    unsigned long LastError() const override { return m_lastError; }
    bool Cancelled() const override { return m_cancelled; }
    bool TimedOut() const override { return m_timedOut; }
    std::string Server() const override { return m_login.host; }
    void SetProgress(TransferProgress progress) override { m_progress = std::move(progress); }

    bool Fetch(const std::string& remotePath, std::string& bytes, TransferType type) override;
    const std::string& Host() const override { return m_login.host; }
    const std::string& LoginFolder() const override { return m_loginFolder; }
    std::string AbsolutePath(std::string_view path) const override;

protected:
    explicit CurlConnection(const RemoteLogin& login);

    // Sets up the handle and logs in; false when that fails.
    bool Connect();
    // One request: url, with quote sent before it; received takes what comes
    // back. extra sets options of this request only.
    bool Perform(const std::string& url, const std::vector<std::string>& quote, bool noBody,
                 std::string* received = nullptr, const std::function<void(CURL*)>& extra = {});
    // Commands on the login connection, with no transfer. near names a path
    // in the folder to run them from: FTP then skips the folder changes after
    // a transfer into that folder.
    bool RunCommands(const std::vector<std::string>& commands, std::string_view near = "/");
    std::string Url(std::string_view path) const;
    // "/" for a folder URL, which the transfer library lists.
    std::string FolderUrl(std::string_view path) const;
    bool Fails(const std::string& text) const;

    // The scheme, the default port, and what stands in a URL for the root
    // folder, to which the path's folders are appended.
    virtual std::string_view Scheme() const = 0;
    virtual std::string_view DefaultPort() const = 0;
    virtual std::string_view RootInUrl() const = 0;
    // Options every request of the protocol carries (TLS, keys, host keys).
    virtual void SetProtocolOptions(CURL* curl) = 0;
    // The server's text files want ASCII mode (FTP's TYPE A).
    virtual bool TextMode() const { return false; }

    RemoteLogin m_login;
    std::string m_loginFolder = "/";
    unsigned long m_lastError = 0;
    bool m_cancelled = false;
    bool m_timedOut = false;

private:
    struct Handle;
    // oneCwd changes folder with one command rather than one per level,
    // which cannot create missing folders.
    bool Upload(const std::string& url, std::string_view bytes, bool append, bool oneCwd);
    static int OnProgress(void* self, int64_t total, int64_t now, int64_t upTotal, int64_t upNow);

    std::unique_ptr<Handle> m_handle;
    TransferProgress m_progress;
};

} // namespace quillet
