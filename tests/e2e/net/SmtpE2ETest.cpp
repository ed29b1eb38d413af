#include "net/ServerTrust.h"
#include "net/SmtpClient.h"
#include "net/TestMail.h"
#include "project/Action.h"
#include "support/ScriptedPrompter.h"
#include "support/ServerProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

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

namespace quillet {
namespace {

// A sink that wants STARTTLS (or TLS from the start) and a log-in before it
// takes mail, with a throw-away certificate no authority signed.
class SecureMailE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
        unsetenv("SSL_CERT_FILE");
        m_server = StartSink(m_submission, m_mailbox, {});
        m_smtps = StartSink(m_implicit, m_implicitBox, {"--implicit"});
    }
    void TearDown() override
    {
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("SSL_CERT_FILE");
    }
    std::string StartSink(ServerProcess& sink, const TempDir& mailbox, std::vector<std::string> extra)
    {
        std::vector<std::string> argv = {
            "/usr/bin/python3", SMTP_SINK,  mailbox.Path().string(), "--tls", m_config.File("certs"),
            "--login",          "ann:right"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        EXPECT_TRUE(sink.Start(argv));
        return "127.0.0.1:" + sink.FirstLine();
    }
    MailAction Action(const std::string& password) const
    {
        MailAction mail;
        mail.smtpAuth = 1;
        mail.popUser = "ann";
        mail.popPassword = password;
        mail.server = m_server;
        mail.from = "shop\\@example.test";
        mail.to = "$FORM{'email'}[0]";
        return mail;
    }
    static size_t Received(const TempDir& mailbox)
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(mailbox.Path()), {}));
    }

    TempDir m_config;
    TempDir m_mailbox;
    TempDir m_implicitBox;
    ServerProcess m_submission;
    ServerProcess m_implicit;
    std::string m_server;
    std::string m_smtps;
    test::ScriptedPrompter m_prompter;
};

TEST_F(SecureMailE2E, TestMailAsksOnceAboutTheCertificateThenLogsIn)
{
    m_prompter.ExpectQuestion("The certificate of " + m_server + " is not signed by an authority",
                              Prompter::Answer::Yes);
    m_prompter.ExpectShow("The mail server " + m_server +
                          " accepted the test message to shop@example.test.\r\n\r\nServer reply: 250 ");
    EXPECT_TRUE(SendTestMail(Action("right"), m_prompter));
    m_prompter.ExpectShow("The mail server " + m_server + " accepted");
    EXPECT_TRUE(SendTestMail(Action("right"), m_prompter));
    m_prompter.ExpectShow("The mail server " + m_server + " refused the log-in.\r\n\r\nServer reply: 535");
    EXPECT_FALSE(SendTestMail(Action("wrong"), m_prompter));
    EXPECT_TRUE(m_prompter.Done());
    EXPECT_EQ(Received(m_mailbox), 2u);
    std::string message = ReadBytes(m_mailbox.File("1.eml"));
    EXPECT_TRUE(message.starts_with("shop@example.test\nshop@example.test\n\n")) << message;
}

TEST_F(SecureMailE2E, RefusedOrChangedCertificateSendsNothing)
{
    m_prompter.ExpectQuestion("The certificate of " + m_server, Prompter::Answer::No);
    EXPECT_FALSE(SendTestMail(Action("right"), m_prompter));
    fs::create_directories(fs::path(TrustedCertificatesPath()).parent_path());
    WriteBytes(TrustedCertificatesPath(), m_server + " AA:BB\n");
    m_prompter.ExpectShow("The certificate of " + m_server + " is not the one you chose to trust");
    EXPECT_FALSE(SendTestMail(Action("right"), m_prompter));
    EXPECT_TRUE(m_prompter.Done());
    EXPECT_EQ(Received(m_mailbox), 0u);
}

TEST_F(SecureMailE2E, ImplicitTlsWithACertificateTheSystemTrusts)
{
    setenv("SSL_CERT_FILE", m_config.File("certs/cert.pem").c_str(), 1);
    SmtpLogin login{"ann", "right", true, CertificateCheckFor(m_prompter)};
    SmtpResult result = SmtpSend(Mail("charles@example.test"), m_smtps, &login);
    EXPECT_EQ(result.status, SmtpStatus::Sent) << result.reply;
    login.implicitTls = false;
    EXPECT_EQ(SmtpSend(Mail("charles@example.test"), m_server, &login).status, SmtpStatus::Sent);
    login.password = "wrong";
    EXPECT_EQ(SmtpSend(Mail("charles@example.test"), m_server, &login).status, SmtpStatus::AuthRefused);
    EXPECT_EQ(Received(m_implicitBox) + Received(m_mailbox), 2u);
}

} // namespace
} // namespace quillet
