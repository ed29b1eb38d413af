#include "net/TestMail.h"

#include "net/LineSession.h"
#include "net/ServerTrust.h"
#include "net/SmtpClient.h"
#include "net/WebPageRules.h"
#include "project/Action.h"
#include "project/Prompter.h"

namespace quillet {

namespace {

// A stored address has "\" before "@" for the Perl string it lands in.
std::string Unescaped(std::string text)
{
    for (size_t at; (at = text.find("\\@")) != std::string::npos;)
        text.erase(at, 1);
    return TrimBlanks(text);
}

// Only a literal address can be used before the script runs: a form value
// ("$FORM{...}") is only known then.
bool IsPlainAddress(const std::string& text)
{
    size_t at = text.find('@');
    return at != std::string::npos && at > 0 && at + 1 < text.size() &&
           text.find_first_of(" \t$<>()[],;:\"\\") == std::string::npos;
}

std::string FirstPlainAddress(const std::string& list)
{
    std::string text = Unescaped(list);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find_first_of(",;", start), text.size());
        std::string address = TrimBlanks(text.substr(start, end - start));
        if (IsPlainAddress(address))
            return address;
        start = end + 1;
    }
    return {};
}

// USER and PASS, each answered "+OK" (RFC 1939 7).
bool PopLogIn(const std::string& server, const std::string& user, const std::string& password)
{
    if ((user + password).find_first_of("\r\n") != std::string::npos)
        return false;
    LineSession session(NetConnect(server, "110", "tcp"));
    auto ok = [&](std::string_view line) {
        if (!line.empty() && !session.Send(line))
            return false;
        session.ReadReply();
        return session.LastReply().starts_with("+OK");
    };
    bool in = session.Connected() && ok("") && ok("USER " + user) && ok("PASS " + password);
    session.Send("QUIT");
    return in;
}

std::string FirstLine(const std::string& reply)
{
    std::string line = reply.substr(0, reply.find_first_of("\r\n"));
    return line.empty() ? "(none)" : line;
}

} // namespace

TestMailPlan PlanTestMail(const MailAction& mail)
{
    TestMailPlan plan;
    std::string server = TrimBlanks(mail.server);
    if (server.empty())
        plan.problem = Msg::TestMailNoServer;
    else if (server.find_first_of("/\\") != std::string::npos)
        plan.problem = Msg::TestMailProgram;
    plan.to = FirstPlainAddress(mail.to);
    plan.from = FirstPlainAddress(mail.from);
    if (plan.to.empty())
        plan.to = plan.from;
    if (plan.from.empty())
        plan.from = plan.to;
    if (!plan.problem && plan.to.empty())
        plan.problem = Msg::TestMailNoAddress;
    bool auth = mail.smtpAuth != 0;
    plan.popServer = auth ? TrimBlanks(mail.popServer) : std::string();
    plan.login = auth && plan.popServer.empty() && !mail.popUser.empty();
    HostPort address = SplitHostPort(server, plan.login ? "587" : "25");
    plan.implicitTls = plan.login && address.service == "465";
    plan.server =
        (address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host) + ":" + address.service;
    return plan;
}

bool SendTestMail(const MailAction& action, Prompter& prompter)
{
    TestMailPlan plan = PlanTestMail(action);
    if (plan.problem) {
        prompter.Show(FormatMessage(*plan.problem, {TrimBlanks(action.server)}));
        return false;
    }
    if (!plan.popServer.empty() && !PopLogIn(plan.popServer, action.popUser, action.popPassword)) {
        prompter.Show(FormatMessage(Msg::TestMailPopRefused, {plan.popServer}));
        return false;
    }
    SmtpMail mail;
    std::string sender = TrimBlanks(action.sender);
    mail.firstName = sender.empty() || sender.find('$') != std::string::npos ? std::string("Quillet") : sender;
    mail.from = plan.from;
    mail.to = plan.to;
    mail.subject = "Test message from Quillet";
    mail.body = FormatMessage(Msg::TestMailBody, {plan.server});
    SmtpLogin login{action.popUser, action.popPassword, plan.implicitTls, CertificateCheckFor(prompter)};
    SmtpResult result = SmtpSend(mail, plan.server, plan.login ? &login : nullptr);
    if (result.status == SmtpStatus::Sent) {
        prompter.Show(FormatMessage(Msg::TestMailSent, {plan.server, plan.to, FirstLine(result.reply)}));
        return true;
    }
    if (result.status == SmtpStatus::CertificateRefused || CancelRequested())
        return false;
    if (result.status == SmtpStatus::AuthRefused)
        prompter.Show(FormatMessage(Msg::TestMailLoginRefused, {plan.server, FirstLine(result.reply)}));
    else
        prompter.Show(FormatMessage(
            Msg::TestMailFailed, {std::string(SmtpStatusText(result.status)), plan.server, FirstLine(result.reply)}));
    return false;
}

} // namespace quillet
