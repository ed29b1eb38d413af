#include "app/cli/CliCommand.h"

#include <csignal>
#include <cstdio>
#include <string>

using namespace quillet::cli;

namespace {

int PrintUsage(std::FILE* to)
{
    std::fprintf(to, "Usage: quillet-cli COMMAND [ARGS...]\n\n"
                     "Builds, inspects and publishes Quillet projects without a window.\n\nCommands:\n");
    for (const Command& c : Commands())
        std::fprintf(to, "  %-10.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                     static_cast<int>(c.synopsis.size()), c.synopsis.data());
    std::fprintf(to, "\nRun 'quillet-cli COMMAND --help' for the arguments of a command.\n");
    return to == stdout ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // A server that closes a connection must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2)
        return PrintUsage(stderr);
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help")
        return PrintUsage(stdout);
    if (name == "--version") {
        std::printf("quillet-cli %s\n", QUILLET_VERSION);
        return 0;
    }
    Args args(argv + 2, argv + argc);
    for (const Command& c : Commands())
        if (c.name == name)
            return WantsHelp(args) ? PrintHelp(c) : c.run(args);
    std::fprintf(stderr, "quillet-cli: unknown command '%s'\n", name.c_str());
    return PrintUsage(stderr);
}
