#include "net/SmtpClient.h"
#include "net/ScriptedServer.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::ReadLine;
using quillet::test::ScriptedServer;
using quillet::test::SendText;

namespace {

SmtpMail SampleMail()
{
    SmtpMail mail;
    mail.firstName = "Ada";
    mail.secondName = "Lovelace";
    mail.from = "ada@example.com";
    mail.to = "charles@example.com";
    mail.subject = "Engine";
    mail.body = "Line one\nLine two";
    return mail;
}

TEST(SmtpMessageData, HeaderLinesAndBody)
{
    SmtpMail mail = SampleMail();
    EXPECT_EQ(SmtpMessageData(mail), "From: Ada Lovelace<ada@example.com>\r\n"
                                     "Reply-To: <ada@example.com>\r\n"
                                     "Subject: Engine\r\n\r\n"
                                     "Line one\r\nLine two\r\n.\r\n");
    mail.secondName.clear();
    EXPECT_TRUE(SmtpMessageData(mail).starts_with("From: Ada<ada@example.com>\r\nReply-To"));
}

// A body line of a single "." would end the data early and let the rest of the
// body be read as commands; leading dots are doubled.
TEST(SmtpMessageData, BodyIsDotStuffedAndHeadersStayOneLine)
{
    SmtpMail mail = SampleMail();
    mail.body = ".\nRCPT TO: <victim@example.com>\r\n..two\r.x\n";
    mail.subject = "Hi\r\nBcc: victim@example.com";
    std::string data = SmtpMessageData(mail);
    EXPECT_NE(data.find("Subject: Hi  Bcc: victim@example.com\r\n\r\n"), std::string::npos);
    EXPECT_TRUE(data.ends_with("\r\n\r\n..\r\nRCPT TO: <victim@example.com>\r\n...two\r\n..x\r\n\r\n.\r\n"));
}

// What the scripted server answers at each step; it records the commands and
// the message data it receives.
struct SmtpScript {
    std::string greeting = "220 sink ready";
    std::string helo = "250 hello";
    std::string mail = "250 sender ok";
    std::string rcpt = "250 recipient ok";
    std::string data = "354 go ahead";
    std::string dot = "250 queued";
};

// Read only after the server thread has ended.
struct Transcript {
    std::vector<std::string> commands;
    std::string data;
};

void RunScript(int fd, const SmtpScript& script, Transcript& seen)
{
    SendText(fd, script.greeting + "\r\n");
    for (std::string line; !(line = ReadLine(fd)).empty();) {
        seen.commands.push_back(line);
        std::string reply = line.starts_with("HELO")   ? script.helo
                            : line.starts_with("MAIL") ? script.mail
                            : line.starts_with("RCPT") ? script.rcpt
                            : line == "DATA"           ? script.data
                                                       : "221 bye";
        if (line == "DATA" && reply.starts_with("354")) {
            SendText(fd, reply + "\r\n");
            for (std::string body; (body = ReadLine(fd)) != ".";)
                seen.data += body + "\n";
            reply = script.dot;
        }
        SendText(fd, reply + "\r\n");
    }
}

SmtpResult SendThrough(const SmtpScript& script, Transcript& seen)
{
    ScriptedServer server([&](int fd) { RunScript(fd, script, seen); });
    return SmtpSend(SampleMail(), server.Address());
}

TEST(SmtpSend, FullDialogueEndsWithQuit)
{
    Transcript seen;
    SmtpResult result = SendThrough(SmtpScript{}, seen);
    EXPECT_EQ(result.status, SmtpStatus::Sent);
    ASSERT_EQ(seen.commands.size(), 5u);
    EXPECT_TRUE(seen.commands[0].starts_with("HELO "));
    EXPECT_EQ(seen.commands[1], "MAIL FROM: <ada@example.com>");
    EXPECT_EQ(seen.commands[2], "RCPT TO: <charles@example.com>");
    EXPECT_EQ(seen.commands[3], "DATA");
    EXPECT_EQ(seen.commands[4], "QUIT");
    EXPECT_NE(seen.data.find("Line one\nLine two\n"), std::string::npos);
    EXPECT_EQ(SmtpSendMail(SampleMail(), "127.0.0.1:1"), 0);
}

// Each refusal ends the send with its own status and a QUIT.
TEST(SmtpSend, EveryRefusalIsAFailure)
{
    struct Case {
        void (*change)(SmtpScript&);
        SmtpStatus expected;
        size_t commandsSent; // QUIT included
    } cases[] = {
        {[](SmtpScript& s) { s.greeting = "554 go away"; }, SmtpStatus::GreetingRefused, 1},
        {[](SmtpScript& s) { s.greeting = "354 odd but accepted"; }, SmtpStatus::Sent, 5},
        {[](SmtpScript& s) { s.helo = "501 bad HELO"; }, SmtpStatus::HeloRefused, 2},
        {[](SmtpScript& s) { s.mail = "553 sender rejected"; }, SmtpStatus::SenderRefused, 3},
        {[](SmtpScript& s) { s.rcpt = "550 no such user"; }, SmtpStatus::RecipientRefused, 4},
        {[](SmtpScript& s) { s.data = "554 no valid recipients"; }, SmtpStatus::DataRefused, 5},
        {[](SmtpScript& s) { s.dot = "552 too big"; }, SmtpStatus::MessageRefused, 5},
    };
    for (const Case& c : cases) {
        SmtpScript script;
        c.change(script);
        Transcript seen;
        SmtpResult result = SendThrough(script, seen);
        EXPECT_EQ(result.status, c.expected) << SmtpStatusText(c.expected);
        EXPECT_EQ(seen.commands.size(), c.commandsSent) << SmtpStatusText(c.expected);
        EXPECT_FALSE(result.reply.empty());
    }
}

// A server that offers no encryption, or refuses it, never sees the log-in.
TEST(SmtpSend, LogInNeverGoesOutUnencrypted)
{
    for (const char* starttls : {"", "454 TLS not available"}) {
        std::vector<std::string> commands;
        {
            ScriptedServer server([&](int fd) {
                SendText(fd, "220 sink\r\n");
                for (std::string line; !(line = ReadLine(fd)).empty();) {
                    commands.push_back(line);
                    std::string offer = *starttls ? "250-STARTTLS\r\n" : "";
                    SendText(fd, line.starts_with("EHLO") ? "250-sink\r\n" + offer + "250 AUTH PLAIN\r\n"
                                 : line == "STARTTLS"     ? std::string(starttls) + "\r\n"
                                                          : std::string("221 bye\r\n"));
                }
            });
            SmtpLogin login{"ann", "secret", false, {}};
            EXPECT_EQ(SmtpSend(SampleMail(), server.Address(), &login).status, SmtpStatus::NoEncryption);
        }
        EXPECT_EQ(commands.back(), "QUIT");
        for (const std::string& command : commands)
            EXPECT_EQ(command.find("AUTH"), std::string::npos) << command;
    }
}

TEST(SmtpSend, BadAddressesAndMissingServer)
{
    for (const char* bad : {"", "a@b>\r\nRCPT TO:<c@d", "<x@y>"}) {
        SmtpMail mail = SampleMail();
        mail.to = bad;
        EXPECT_EQ(SmtpSend(mail, "127.0.0.1:1").status, SmtpStatus::BadAddress) << bad;
    }
    EXPECT_EQ(SmtpSend(SampleMail(), "127.0.0.1:1").status, SmtpStatus::NoConnection);
    ScriptedServer silentClose([](int) {});
    EXPECT_EQ(SmtpSend(SampleMail(), silentClose.Address()).status, SmtpStatus::GreetingRefused);
}

} // namespace
