#include "net/LineSession.h"

namespace quillet {

bool LineSession::Send(std::string_view line)
{
    std::string bytes(line);
    bytes += "\r\n";
    return SendRaw(bytes);
}

bool LineSession::SendRaw(std::string_view bytes)
{
    if (m_tls)
        return m_tls->Send(bytes);
    return m_socket && SendAll(m_socket, bytes);
}

int LineSession::ReadReply()
{
    m_code = 0;
    int read = -1;
    if (m_tls)
        read = ReadReplyFrom(
            [this](char* out, size_t size, int timeoutMs) { return m_tls->Receive(out, size, timeoutMs); }, m_reply);
    else if (m_socket)
        read = NetReadReply(m_socket, m_reply);
    if (read < 0) {
        m_reply.clear();
        return 0;
    }
    m_code = ReplyCode(m_reply);
    return m_code;
}

int LineSession::Command(std::string_view line)
{
    if (!Send(line)) {
        m_code = 0;
        m_reply.clear();
        return 0;
    }
    return ReadReply();
}

bool LineSession::StartTls(const std::string& host, CertificateInfo& info)
{
    std::string error;
    m_code = 0;
    m_tls = m_socket ? TlsChannel::Handshake(m_socket, host, info, error) : nullptr;
    m_reply = m_tls ? std::string() : error;
    return static_cast<bool>(m_tls);
}

void LineSession::Close()
{
    m_tls.reset();
    m_socket.Close();
}

} // namespace quillet
