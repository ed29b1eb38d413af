#include "app/cli/CliCommand.h"

#include <cstdio>
#include <cstdlib>

namespace quillet::cli {

// Each command lives in its own file; this table is the only place that lists them.
extern const Command kNewCommand;
extern const Command kResaveCommand;
extern const Command kBuildCommand;
extern const Command kPreviewCommand;
extern const Command kDnsCommand;
extern const Command kMailCommand;
extern const Command kHtmlCommand;
extern const Command kFormsCommand;
extern const Command kUploadsCommand;
extern const Command kSqlCommand;
extern const Command kPublishCommand;
extern const Command kTablesCommand;
extern const Command kCreateTablesCommand;
extern const Command kCheckCommand;

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        kNewCommand,     kResaveCommand, kBuildCommand,        kPreviewCommand, kDnsCommand,
        kMailCommand,    kHtmlCommand,   kFormsCommand,        kUploadsCommand, kSqlCommand,
        kPublishCommand, kTablesCommand, kCreateTablesCommand, kCheckCommand,
    };
    return commands;
}

bool ParseKinds(const std::string& text, unsigned& kinds)
{
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || value == 0 || value > 127)
        return false;
    kinds = static_cast<unsigned>(value);
    return true;
}

bool WantsHelp(const Args& args)
{
    for (const std::string& a : args)
        if (a == "-h" || a == "--help")
            return true;
    return false;
}

int PrintHelp(const Command& command)
{
    std::printf("Usage: quillet-cli %.*s\n\n%.*s\n", static_cast<int>(command.synopsis.size()), command.synopsis.data(),
                static_cast<int>(command.help.size()), command.help.data());
    return 0;
}

int UsageError(const Command& command, std::string_view problem)
{
    std::fprintf(stderr, "quillet-cli %.*s: %.*s\nUsage: quillet-cli %.*s\n", static_cast<int>(command.name.size()),
                 command.name.data(), static_cast<int>(problem.size()), problem.data(),
                 static_cast<int>(command.synopsis.size()), command.synopsis.data());
    return 1;
}

} // namespace quillet::cli
