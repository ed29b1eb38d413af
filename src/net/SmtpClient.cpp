#include "net/SmtpClient.h"

#include "net/LineSession.h"

#include <array>
#include <cctype>
#include <optional>
#include <unistd.h>

namespace quillet {

namespace {

enum class SmtpState { Greeting, Helo, MailFrom, RcptTo, Data, Message, Quit, Done };

bool ValidAddress(const std::string& address)
{
    return !address.empty() && address.find_first_of("\r\n<>") == std::string::npos;
}

// A line break inside a header value would start a header of the sender's choosing.
std::string HeaderValue(std::string value)
{
    for (char& c : value)
        if (c == '\r' || c == '\n')
            c = ' ';
    return value;
}

// RFC 5321 wants CR LF line ends, and a line starting with "." doubled so that
// the body cannot end the data early.
std::string BodyForData(const std::string& body)
{
    std::string out;
    out.reserve(body.size() + body.size() / 16 + 8);
    bool lineStart = true;
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (lineStart && c == '.')
            out += '.';
        lineStart = false;
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
            lineStart = true;
            continue;
        }
        out += c;
    }
    return out;
}

// HELO names the client (RFC 5321 4.1.1.1).
std::string LocalHostName()
{
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name.data();
}

bool IsGreetingCode(int code)
{
    return code == 220 || code == 250 || code == 354;
}

bool IsPositive(int code)
{
    return code >= 200 && code <= 299;
}

// One exchange per state: what is sent, which reply lets the dialogue go on,
// and what a refusal means.
struct Exchange {
    std::string send; // empty: nothing to send (the greeting)
    bool raw = false; // message data: sent as it stands, without CR LF appended
    bool (*accept)(int code);
    SmtpStatus refused;
    SmtpState next;
};

Exchange ExchangeFor(SmtpState state, const SmtpMail& mail)
{
    switch (state) {
    case SmtpState::Greeting:
        return {"", false, IsGreetingCode, SmtpStatus::GreetingRefused, SmtpState::Helo};
    case SmtpState::Helo:
        return {"HELO " + LocalHostName(), false, IsGreetingCode, SmtpStatus::HeloRefused, SmtpState::MailFrom};
    case SmtpState::MailFrom:
        return {"MAIL FROM: <" + mail.from + ">", false, IsPositive, SmtpStatus::SenderRefused, SmtpState::RcptTo};
    case SmtpState::RcptTo:
        return {"RCPT TO: <" + mail.to + ">", false, IsPositive, SmtpStatus::RecipientRefused, SmtpState::Data};
    case SmtpState::Data:
        return {"DATA", false, [](int code) { return code == 354; }, SmtpStatus::DataRefused, SmtpState::Message};
    case SmtpState::Message:
        return {SmtpMessageData(mail), true, IsPositive, SmtpStatus::MessageRefused, SmtpState::Quit};
    case SmtpState::Quit:
    case SmtpState::Done:
        break;
    }
    return {"QUIT", false, [](int) { return true; }, SmtpStatus::Sent, SmtpState::Done};
}

SmtpResult Refused(LineSession& session, SmtpStatus status)
{
    SmtpResult refused{status, session.LastReply()};
    session.Send("QUIT");
    return refused;
}

// The keyword of one EHLO line ("250-AUTH PLAIN LOGIN") with what follows it, upper case.
std::string EhloOffer(const std::string& reply, std::string_view keyword)
{
    size_t start = 0;
    while (start < reply.size()) {
        size_t end = std::min(reply.find('\n', start), reply.size());
        std::string line = reply.substr(start, end - start);
        for (char& c : line)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (line.size() > 4 && line.compare(4, keyword.size(), keyword) == 0 &&
            (line.size() == 4 + keyword.size() ||
             std::string_view(" =\r").find(line[4 + keyword.size()]) != std::string_view::npos))
            return line.substr(4);
        start = end + 1;
    }
    return {};
}

bool Offers(const std::string& offer, std::string_view mechanism)
{
    size_t at = offer.find(mechanism);
    return at != std::string::npos &&
           (at + mechanism.size() == offer.size() ||
            std::string_view(" \r").find(offer[at + mechanism.size()]) != std::string_view::npos);
}

std::optional<SmtpStatus> Encrypt(LineSession& session, const std::string& server, const SmtpLogin& login)
{
    CertificateInfo info;
    HostPort address = SplitHostPort(server, "25");
    if (!session.StartTls(address.host, info))
        return SmtpStatus::TlsFailed;
    if (login.checkCertificate && !login.checkCertificate(address.host + ":" + address.service, info))
        return SmtpStatus::CertificateRefused;
    return std::nullopt;
}

// EHLO, STARTTLS unless the session is encrypted already, EHLO again, then
// AUTH PLAIN, else AUTH LOGIN (RFC 4954 4).
std::optional<SmtpResult> LogIn(LineSession& session, const std::string& server, const SmtpLogin& login)
{
    std::string ehlo = "EHLO " + LocalHostName();
    if (session.Command(ehlo) != 250)
        return Refused(session, SmtpStatus::HeloRefused);
    if (!session.Encrypted()) {
        if (EhloOffer(session.LastReply(), "STARTTLS").empty())
            return Refused(session, SmtpStatus::NoEncryption);
        if (session.Command("STARTTLS") != 220)
            return Refused(session, SmtpStatus::NoEncryption);
        if (std::optional<SmtpStatus> failed = Encrypt(session, server, login))
            return SmtpResult{*failed, session.LastReply()};
        if (session.Command(ehlo) != 250)
            return Refused(session, SmtpStatus::HeloRefused);
    }
    std::string offer = EhloOffer(session.LastReply(), "AUTH");
    if (Offers(offer, "PLAIN")) {
        std::string token("\0", 1);
        token += login.user + std::string("\0", 1) + login.password;
        if (session.Command("AUTH PLAIN " + Base64(token)) != 235)
            return Refused(session, SmtpStatus::AuthRefused);
    } else if (Offers(offer, "LOGIN")) {
        if (session.Command("AUTH LOGIN") != 334 || session.Command(Base64(login.user)) != 334 ||
            session.Command(Base64(login.password)) != 235)
            return Refused(session, SmtpStatus::AuthRefused);
    } else {
        return Refused(session, SmtpStatus::AuthUnavailable);
    }
    return std::nullopt;
}

SmtpResult RunDialogue(LineSession& session, const SmtpMail& mail, SmtpState state = SmtpState::Greeting)
{
    std::string accepted; // the reply to the message, which the report shows
    while (state != SmtpState::Done) {
        Exchange exchange = ExchangeFor(state, mail);
        bool sent =
            exchange.send.empty() || (exchange.raw ? session.SendRaw(exchange.send) : session.Send(exchange.send));
        if (!sent)
            return state == SmtpState::Quit ? SmtpResult{SmtpStatus::Sent, accepted}
                                            : SmtpResult{SmtpStatus::SendFailed, ""};
        if (!exchange.accept(session.ReadReply()))
            return Refused(session, exchange.refused);
        if (state == SmtpState::Message)
            accepted = session.LastReply();
        state = exchange.next;
    }
    return {SmtpStatus::Sent, accepted};
}

} // namespace

std::string SmtpMessageData(const SmtpMail& mail)
{
    std::string from = HeaderValue(mail.firstName);
    if (!mail.secondName.empty())
        from += " " + HeaderValue(mail.secondName);
    std::string data = "From: " + from + "<" + mail.from + ">\r\n";
    data += "Reply-To: <" + mail.from + ">\r\n";
    data += "Subject: " + HeaderValue(mail.subject) + "\r\n\r\n";
    data += BodyForData(mail.body);
    data += "\r\n.\r\n";
    return data;
}

SmtpResult SmtpSend(const SmtpMail& mail, const std::string& server, const SmtpLogin* login)
{
    if (!ValidAddress(mail.from) || !ValidAddress(mail.to))
        return {SmtpStatus::BadAddress, ""};
    LineSession session(NetConnect(server, "smtp", "tcp"));
    if (!session.Connected())
        return {SmtpStatus::NoConnection, ""};
    if (!login)
        return RunDialogue(session, mail);
    if (login->implicitTls)
        if (std::optional<SmtpStatus> failed = Encrypt(session, server, *login))
            return {*failed, session.LastReply()};
    if (!IsGreetingCode(session.ReadReply()))
        return Refused(session, SmtpStatus::GreetingRefused);
    if (std::optional<SmtpResult> failed = LogIn(session, server, *login))
        return *failed;
    return RunDialogue(session, mail, SmtpState::MailFrom);
}

int SmtpSendMail(const SmtpMail& mail, const std::string& server)
{
    return SmtpSend(mail, server).status == SmtpStatus::Sent ? 1 : 0;
}

std::string_view SmtpStatusText(SmtpStatus status)
{
    switch (status) {
    case SmtpStatus::Sent:
        return "message sent";
    case SmtpStatus::BadAddress:
        return "invalid sender or recipient address";
    case SmtpStatus::NoConnection:
        return "cannot connect to the mail server";
    case SmtpStatus::GreetingRefused:
        return "the mail server refused the connection";
    case SmtpStatus::HeloRefused:
        return "the mail server refused HELO";
    case SmtpStatus::SenderRefused:
        return "the mail server refused the sender";
    case SmtpStatus::RecipientRefused:
        return "the mail server refused the recipient";
    case SmtpStatus::DataRefused:
        return "the mail server refused DATA";
    case SmtpStatus::MessageRefused:
        return "the mail server refused the message";
    case SmtpStatus::SendFailed:
        return "the connection broke while sending";
    case SmtpStatus::NoEncryption:
        return "the mail server offers no encryption (STARTTLS), so the password was not sent";
    case SmtpStatus::TlsFailed:
        return "the encrypted connection to the mail server failed";
    case SmtpStatus::CertificateRefused:
        return "the mail server's certificate was not accepted";
    case SmtpStatus::AuthUnavailable:
        return "the mail server offers no log-in by AUTH PLAIN or AUTH LOGIN";
    case SmtpStatus::AuthRefused:
        return "the mail server refused the user name or password";
    }
    return "unknown";
}

} // namespace quillet
