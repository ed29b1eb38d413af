#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet::cli {

using Args = std::vector<std::string>;

// One subcommand of quillet-cli. run returns the process exit status.
struct Command {
    std::string_view name;
    std::string_view synopsis;
    std::string_view help;
    int (*run)(const Args& args);
};

// Every subcommand, in the order --help lists them.
const std::vector<Command>& Commands();

// True when args hold -h or --help; the command then prints its help.
bool WantsHelp(const Args& args);
int PrintHelp(const Command& command);
// The value of a --kinds option: upload-kind bits from 1 to 127.
bool ParseKinds(const std::string& text, unsigned& kinds);
// Reports a usage error on stderr and returns the exit status for it.
int UsageError(const Command& command, std::string_view problem);

} // namespace quillet::cli
