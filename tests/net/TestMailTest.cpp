#include "net/TestMail.h"
#include "project/Action.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(PlanTestMail, ServerLogInAndAddressesAsTheScriptWouldUseThem)
{
    struct Case {
        const char* server;
        int auth;
        const char* pop;
        const char* from;
        const char* to;
        std::optional<Msg> problem;
        const char* planned; // server, login, implicit TLS, POP server, from, to
    } cases[] = {
        {"mail.example.com", 0, "", "a\\@x.test", "b\\@y.test", {}, "mail.example.com:25 - - - a@x.test b@y.test"},
        {"mail.example.com", 1, "", "a\\@x.test", "b\\@y.test", {}, "mail.example.com:587 login - - a@x.test b@y.test"},
        {"mail.example.com:465", 1, "", "a\\@x.test", "", {}, "mail.example.com:465 login tls - a@x.test a@x.test"},
        {"mail.example.com",
         1,
         "pop.example.com",
         "a\\@x.test",
         "",
         {},
         "mail.example.com:25 - - pop.example.com "
         "a@x.test a@x.test"},
        {"[::1]:2525",
         0,
         "",
         "$FORM{'email'}[0]",
         "$x, b\\@y.test; c\\@z.test",
         {},
         "[::1]:2525 - - - b@y.test b@y.test"},
        {"", 0, "", "a\\@x.test", "", Msg::TestMailNoServer, nullptr},
        {"/usr/sbin/sendmail -t", 0, "", "a\\@x.test", "", Msg::TestMailProgram, nullptr},
        {"mail.example.com", 0, "", "$FORM{'email'}[0]", "$FORM{'to'}[0]", Msg::TestMailNoAddress, nullptr},
    };
    for (const Case& c : cases) {
        MailAction mail;
        mail.server = c.server;
        mail.smtpAuth = c.auth;
        mail.popServer = c.pop;
        mail.popUser = "ann";
        mail.from = c.from;
        mail.to = c.to;
        TestMailPlan plan = PlanTestMail(mail);
        EXPECT_EQ(plan.problem, c.problem) << c.server << " " << c.to;
        if (!c.planned)
            continue;
        std::string planned = plan.server + (plan.login ? " login" : " -") + (plan.implicitTls ? " tls " : " - ") +
                              (plan.popServer.empty() ? "-" : plan.popServer) + " " + plan.from + " " + plan.to;
        EXPECT_EQ(planned, c.planned);
    }
}

} // namespace
} // namespace quillet
