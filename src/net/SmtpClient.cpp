#include "net/SmtpClient.h"

#include "net/LineSession.h"

#include <array>
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

SmtpResult RunDialogue(LineSession& session, const SmtpMail& mail)
{
    SmtpState state = SmtpState::Greeting;
    while (state != SmtpState::Done) {
        Exchange exchange = ExchangeFor(state, mail);
        bool sent =
            exchange.send.empty() || (exchange.raw ? session.SendRaw(exchange.send) : session.Send(exchange.send));
        if (!sent)
            return {state == SmtpState::Quit ? SmtpStatus::Sent : SmtpStatus::SendFailed, ""};
        int code = session.ReadReply();
        if (!exchange.accept(code)) {
            SmtpResult refused{exchange.refused, session.LastReply()};
            session.Send("QUIT");
            return refused;
        }
        state = exchange.next;
    }
    return {SmtpStatus::Sent, session.LastReply()};
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

SmtpResult SmtpSend(const SmtpMail& mail, const std::string& server)
{
    if (!ValidAddress(mail.from) || !ValidAddress(mail.to))
        return {SmtpStatus::BadAddress, ""};
    LineSession session(NetConnect(server, "smtp", "tcp"));
    if (!session.Connected())
        return {SmtpStatus::NoConnection, ""};
    return RunDialogue(session, mail);
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
    }
    return "unknown";
}

} // namespace quillet
