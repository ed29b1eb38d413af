#pragma once

#include "project/Messages.h"

#include <optional>
#include <string>

namespace quillet {

class Prompter;
struct MailAction;

// How "Send test mail" reaches the Send Email action's server from the desktop,
// the way the generated script would: a POP log-in first when a POP server is
// given, an encrypted SMTP log-in when authentication is asked for without
// one (port 587 unless the server text names another; 465 speaks TLS from
// the start), else plain SMTP on port 25.
struct TestMailPlan {
    std::optional<Msg> problem; // why the desktop cannot send it
    std::string server;         // "host:port"
    std::string popServer;
    bool login = false;
    bool implicitTls = false;
    std::string from;
    std::string to;
};
TestMailPlan PlanTestMail(const MailAction& mail);

// Sends one test message and shows what the server answered; true when it
// accepted the message.
bool SendTestMail(const MailAction& mail, Prompter& prompter);

} // namespace quillet
