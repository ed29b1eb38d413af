#include "net/SmtpClient.h"
#include "support/ServerProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

class SmtpE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sink.Start({"/usr/bin/python3", SMTP_SINK, m_mailbox.Path().string()}));
        std::string port = m_sink.FirstLine();
        ASSERT_FALSE(port.empty()) << "aiosmtpd did not start";
        m_server = "127.0.0.1:" + port;
    }

    // The stored messages, in the order they arrived.
    std::vector<std::string> Received() const
    {
        std::vector<std::string> messages;
        for (int i = 1; std::filesystem::exists(m_mailbox.File(std::to_string(i) + ".eml")); ++i)
            messages.push_back(ReadBytes(m_mailbox.File(std::to_string(i) + ".eml")));
        return messages;
    }

    TempDir m_mailbox;
    ServerProcess m_sink;
    std::string m_server;
};

SmtpMail Mail(const std::string& to)
{
    SmtpMail mail;
    mail.firstName = "Ada";
    mail.secondName = "Lovelace";
    mail.from = "ada@example.test";
    mail.to = to;
    mail.subject = "Guestbook entry";
    mail.body = "Hello,\n.hidden line\n.\nBye\n";
    return mail;
}

TEST_F(SmtpE2E, MessageArrivesWithItsHeaderLines)
{
    EXPECT_EQ(SmtpSendMail(Mail("charles@example.test"), m_server), 1);
    SmtpMail plain = Mail("charles@example.test");
    plain.secondName.clear();
    EXPECT_EQ(SmtpSend(plain, m_server).status, SmtpStatus::Sent);

    std::vector<std::string> received = Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], "ada@example.test\ncharles@example.test\n\n"
                           "From: Ada Lovelace<ada@example.test>\r\n"
                           "Reply-To: <ada@example.test>\r\n"
                           "Subject: Guestbook entry\r\n"
                           "\r\n"
                           "Hello,\r\n.hidden line\r\n.\r\nBye\r\n\r\n");
    EXPECT_NE(received[1].find("\n\nFrom: Ada<ada@example.test>\r\nReply-To: <ada@example.test>\r\n"),
              std::string::npos);
}

TEST_F(SmtpE2E, RefusedRecipientFailsTheSend)
{
    SmtpResult result = SmtpSend(Mail("refused@example.test"), m_server);
    EXPECT_EQ(result.status, SmtpStatus::RecipientRefused);
    EXPECT_TRUE(result.reply.starts_with("550")) << result.reply;
    EXPECT_EQ(SmtpSendMail(Mail("refused@example.test"), m_server), 0);
    EXPECT_TRUE(Received().empty());
}

TEST_F(SmtpE2E, CliMailSendsStandardInput)
{
    WriteBytes(m_mailbox.File("body.txt"), "Sent from the command line\n");
    std::string cli = std::string(QUILLET_CLI) + " mail --server " + m_server +
                      " --from ada@example.test --subject 'CLI test' --name 'Ada L' --to ";
    std::string output;
    EXPECT_EQ(RunCommand(cli + "charles@example.test < " + m_mailbox.File("body.txt") + " 2>&1", output), 0) << output;
    EXPECT_EQ(RunCommand(cli + "refused@example.test < " + m_mailbox.File("body.txt") + " 2>&1", output), 1);
    EXPECT_NE(output.find("refused the recipient: 550"), std::string::npos) << output;
    std::vector<std::string> received = Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_NE(received[0].find("From: Ada L<ada@example.test>\r\n"), std::string::npos);
    EXPECT_NE(received[0].find("Subject: CLI test\r\n\r\nSent from the command line\r\n"), std::string::npos);
}

} // namespace
