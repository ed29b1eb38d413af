#include "net/TlsChannel.h"

#include "net/NetSocket.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>

namespace quillet {

namespace {

struct ContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Free {
    void operator()(X509* cert) const { X509_free(cert); }
};

std::string BioText(BIO* bio)
{
    char* data = nullptr;
    long size = BIO_get_mem_data(bio, &data);
    return size > 0 ? std::string(data, static_cast<size_t>(size)) : std::string();
}

std::string NameText(const X509_NAME* name)
{
    std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
    X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    return BioText(bio.get());
}

std::string TimeText(const ASN1_TIME* time)
{
    std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
    ASN1_TIME_print(bio.get(), time);
    return BioText(bio.get());
}

std::string HexPairs(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty())
            out += ':';
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

void Describe(SSL* ssl, CertificateInfo& info)
{
    std::unique_ptr<X509, X509Free> cert(SSL_get1_peer_certificate(ssl));
    if (!cert) {
        info.problem = "the server sent no certificate";
        return;
    }
    long result = SSL_get_verify_result(ssl);
    info.verified = result == X509_V_OK;
    if (!info.verified)
        info.problem = X509_verify_cert_error_string(result);
    info.subject = NameText(X509_get_subject_name(cert.get()));
    info.issuer = NameText(X509_get_issuer_name(cert.get()));
    info.validUntil = TimeText(X509_get0_notAfter(cert.get()));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(cert.get(), EVP_sha256(), digest, &length))
        info.fingerprint = HexPairs({reinterpret_cast<char*>(digest), length});
    unsigned char* key = nullptr;
    int keyLength = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert.get()), &key);
    if (keyLength > 0)
        info.publicKeyPin = "sha256//" + Base64(Sha256({reinterpret_cast<char*>(key), static_cast<size_t>(keyLength)}));
    OPENSSL_free(key);
}

bool IsAddress(const std::string& host)
{
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

std::string LastError()
{
    unsigned long code = ERR_get_error();
    char text[256] = "the connection closed during the TLS handshake";
    if (code)
        ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

} // namespace

struct TlsChannel::State {
    std::unique_ptr<SSL_CTX, ContextFree> context;
    std::unique_ptr<SSL, SslFree> ssl;
    int fd = -1;

    // Runs one TLS call to its end, waiting on the socket as the library asks.
    template <typename Call>
    int Drive(Call call, int timeoutMs)
    {
        for (;;) {
            int result = call();
            if (result > 0)
                return result;
            int error = SSL_get_error(ssl.get(), result);
            short events = error == SSL_ERROR_WANT_READ ? POLLIN : error == SSL_ERROR_WANT_WRITE ? POLLOUT : 0;
            if (events == 0 || !WaitForSocket(fd, events, timeoutMs))
                return error == SSL_ERROR_ZERO_RETURN ? 0 : -1;
        }
    }
};

TlsChannel::TlsChannel(std::unique_ptr<State> state) : m_state(std::move(state)) {}

TlsChannel::~TlsChannel()
{
    if (m_state && m_state->ssl)
        SSL_shutdown(m_state->ssl.get());
}

std::unique_ptr<TlsChannel> TlsChannel::Handshake(const Socket& socket, const std::string& host, CertificateInfo& info,
                                                  std::string& error)
{
    auto state = std::make_unique<State>();
    state->fd = socket.Fd();
    state->context.reset(SSL_CTX_new(TLS_client_method()));
    if (!state->context) {
        error = LastError();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(state->context.get(), TLS1_2_VERSION);
    // The result is judged after the handshake, so that an unknown certificate can be shown to the user.
    SSL_CTX_set_verify(state->context.get(), SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_default_verify_paths(state->context.get());
    state->ssl.reset(SSL_new(state->context.get()));
    SSL* ssl = state->ssl.get();
    if (IsAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl, host.c_str());
        SSL_set1_host(ssl, host.c_str());
    }
    fcntl(state->fd, F_SETFL, fcntl(state->fd, F_GETFL) | O_NONBLOCK);
    SSL_set_fd(ssl, state->fd);
    if (state->Drive([ssl] { return SSL_connect(ssl); }, kReplyTimeoutMs) <= 0) {
        error = CancelRequested() ? "stopped" : LastError();
        return nullptr;
    }
    Describe(ssl, info);
    return std::unique_ptr<TlsChannel>(new TlsChannel(std::move(state)));
}

bool TlsChannel::Send(std::string_view bytes)
{
    SSL* ssl = m_state->ssl.get();
    while (!bytes.empty()) {
        int size = static_cast<int>(std::min<size_t>(bytes.size(), 1 << 20));
        int sent = m_state->Drive([&] { return SSL_write(ssl, bytes.data(), size); }, kReplyTimeoutMs);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

long TlsChannel::Receive(char* out, size_t size, int timeoutMs)
{
    SSL* ssl = m_state->ssl.get();
    int chunk = static_cast<int>(std::min<size_t>(size, 1 << 20));
    return m_state->Drive([&] { return SSL_read(ssl, out, chunk); }, timeoutMs);
}

std::string Base64(std::string_view bytes)
{
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                 reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(length));
    return out;
}

std::string Sha256(std::string_view bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    return std::string(reinterpret_cast<char*>(digest), length);
}

} // namespace quillet
