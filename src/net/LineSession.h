#pragma once

#include "net/NetSocket.h"
#include "net/TlsChannel.h"

#include <memory>
#include <string>
#include <string_view>

namespace quillet {

// The engine shared by the line protocols (FTP control, SMTP, POP3): sends a
// command line, reads the reply that may span lines, and keeps its code and
// text. After StartTls every byte goes through TLS.
class LineSession {
public:
    LineSession() = default;
    explicit LineSession(Socket socket) : m_socket(std::move(socket)) {}

    bool Connected() const { return static_cast<bool>(m_socket); }
    const Socket& Connection() const { return m_socket; }

    // Sends line followed by CR LF; false when the connection failed.
    bool Send(std::string_view line);
    // Sends bytes as they stand (message data).
    bool SendRaw(std::string_view bytes);
    // Reads one reply; its code, or 0 when nothing readable came.
    int ReadReply();
    // Send(line) then ReadReply(); 0 when the send failed.
    int Command(std::string_view line);

    // Runs the TLS handshake for host; false (with the reason in LastReply)
    // when it fails. info tells what the server showed.
    bool StartTls(const std::string& host, CertificateInfo& info);
    bool Encrypted() const { return static_cast<bool>(m_tls); }

    int LastCode() const { return m_code; }
    const std::string& LastReply() const { return m_reply; }
    void Close();

private:
    Socket m_socket;
    std::unique_ptr<TlsChannel> m_tls;
    std::string m_reply;
    int m_code = 0;
};

} // namespace quillet
