#include "app/cli/CliCommand.h"
#include "net/DnsResolver.h"
#include "net/SmtpClient.h"
#include "project/WebText.h"

#include <cstdio>
#include <iostream>
#include <iterator>
#include <map>

namespace quillet::cli {

namespace {

int RunMail(const Args& args);

} // namespace

extern const Command kMailCommand = {
    "mail", "mail --server HOST[:PORT] --from ADDR --to ADDR --subject TEXT [--name NAME] < BODY",
    "Sends the text read from standard input as a plain-text message over SMTP\n"
    "(port 25 unless HOST carries one). NAME is the sender's name shown in the\n"
    "From line. Exits with 0 only when the server accepted the message.",
    RunMail};

namespace {

int RunMail(const Args& args)
{
    std::map<std::string, std::string> options = {
        {"--server", DiscoverSmtpServer()}, {"--from", ""}, {"--to", ""}, {"--subject", ""}, {"--name", ""}};
    for (size_t i = 0; i < args.size(); ++i) {
        auto option = options.find(args[i]);
        if (option == options.end())
            return UsageError(kMailCommand, "unknown argument " + args[i]);
        if (i + 1 == args.size())
            return UsageError(kMailCommand, args[i] + " needs a value");
        option->second = args[++i];
    }
    for (const char* required : {"--server", "--from", "--to"})
        if (options[required].empty())
            return UsageError(kMailCommand, std::string(required) + " is required");
    SmtpMail mail;
    mail.firstName = options["--name"];
    mail.from = options["--from"];
    mail.to = options["--to"];
    mail.subject = options["--subject"];
    mail.body.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    SmtpResult result = SmtpSend(mail, options["--server"]);
    if (result.status == SmtpStatus::Sent)
        return 0;
    std::string reply = result.reply.substr(0, result.reply.find_first_of("\r\n"));
    std::fprintf(stderr, "quillet-cli mail: %s%s%s\n", std::string(SmtpStatusText(result.status)).c_str(),
                 reply.empty() ? "" : ": ", TerminalText(reply).c_str());
    return 1;
}

} // namespace

} // namespace quillet::cli
