#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

class Socket;

// What a server's certificate shows, for the decision whether to talk to it.
struct CertificateInfo {
    // Signed by an authority of the system's store and naming the server.
    bool verified = false;
    // Why it is not, in the TLS library's words.
    std::string problem;
    std::string subject;
    std::string issuer;
    std::string validUntil;
    // SHA-256 of the certificate, as "AB:CD:...".
    std::string fingerprint;
    // SHA-256 of its public key as the transfer library pins it: "sha256//" and base64.
    std::string publicKeyPin;
};

// Decides, before anything private is sent, whether a server with this
// certificate may be talked to; server is "host:port".
using CertificateCheck = std::function<bool(const std::string& server, const CertificateInfo& info)>;

// TLS on a connected socket. The handshake accepts any certificate and
// reports what it found; the caller decides with a CertificateCheck before
// it sends a byte.
class TlsChannel {
public:
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // host is the name the certificate must carry (a name or an address).
    // None when the handshake fails; error then says why.
    static std::unique_ptr<TlsChannel> Handshake(const Socket& socket, const std::string& host, CertificateInfo& info,
                                                 std::string& error);

    bool Send(std::string_view bytes);
    // Up to size bytes, waiting at most timeoutMs for the first: the count,
    // 0 when the server closed, -1 on failure or time-out.
    long Receive(char* out, size_t size, int timeoutMs);

private:
    struct State;
    explicit TlsChannel(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

// Standard base64 (RFC 4648 4) with padding.
std::string Base64(std::string_view bytes);
// SHA-256 of bytes, raw.
std::string Sha256(std::string_view bytes);

} // namespace quillet
