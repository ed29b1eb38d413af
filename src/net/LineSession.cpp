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
    return m_socket && SendAll(m_socket, bytes);
}

int LineSession::ReadReply()
{
    m_code = 0;
    if (!m_socket || NetReadReply(m_socket, m_reply) < 0) {
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

} // namespace quillet
