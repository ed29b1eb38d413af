#pragma once

#include "net/CurlConnection.h"
#include "net/TlsChannel.h"

#include <memory>
#include <string>

namespace quillet {

// One logged-in FTP session, plain or with explicit TLS (FTPS, RFC 4217).
class FtpConnection : public CurlConnection {
public:
    // Logs in and learns the login folder; none when the server cannot be
    // reached or refuses the login (result tells which). Over FTPS every
    // connection must show the public key certificatePin names, which the
    // caller has judged (ProbeFtpsCertificate).
    static std::unique_ptr<FtpConnection> Open(const RemoteLogin& login, const std::string& certificatePin = "",
                                               ConnectResult* result = nullptr);

    // "SITE CHMOD", which servers that keep Unix modes understand.
    bool SetMode(const std::string& path, const std::string& mode) override;
    // RNFR/RNTO; a Windows server has the old file deleted first.
    bool Replace(const std::string& from, const std::string& to) override;
    // Whether the server accepts the path as its current folder.
    bool IsFolder(const std::string& path) override;
    // MLSD when the server knows it, else LIST.
    bool List(const std::string& folder, std::string& listing) override;
    bool MakeFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;

protected:
    std::string_view Scheme() const override { return "ftp"; }
    std::string_view DefaultPort() const override { return "21"; }
    // "%2F" makes the first folder the server's root rather than the login folder.
    std::string_view RootInUrl() const override { return "/%2F"; }
    void SetProtocolOptions(CURL* curl) override;
    bool TextMode() const override { return true; }

private:
    explicit FtpConnection(const RemoteLogin& login) : CurlConnection(login) {}

    std::string m_pin;
};

// Looks at an FTPS server's certificate without logging in: AUTH TLS and the
// handshake. False when that fails; result is then Declined when the server
// refused TLS, else Failed or TimedOut.
bool ProbeFtpsCertificate(const std::string& host, CertificateInfo& info, ConnectResult& result);

} // namespace quillet
