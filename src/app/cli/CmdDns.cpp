#include "app/cli/CliCommand.h"
#include "net/DnsResolver.h"
#include "project/WebText.h"

#include <cstdio>

namespace quillet::cli {

namespace {

int RunDns(const Args& args);

} // namespace

extern const Command kDnsCommand = {"dns", "dns DOMAIN [TYPE] [--server HOST[:PORT]]",
                                    "Asks a DNS server over TCP for the records of DOMAIN and prints the response\n"
                                    "code and every record of the answer, authority and additional sections.\n"
                                    "TYPE is A (default), NS, MX, PTR, CNAME, SOA or AAAA; with PTR an IPv4 or IPv6\n"
                                    "address is turned into its reverse name. The server is the first nameserver of\n"
                                    "/etc/resolv.conf unless --server names one. Exits with 0 only when the server\n"
                                    "answered with response code 0.",
                                    RunDns};

namespace {

void PrintSection(const char* title, const std::vector<DnsRecord>& records)
{
    if (records.empty())
        return;
    std::printf("%s:\n", title);
    for (const DnsRecord& r : records)
        std::printf("  %s\t%u\t%s\t%s\t%s\n", TerminalText(r.name).c_str(), r.ttl, DnsClassName(r.dnsClass).c_str(),
                    DnsTypeName(r.type).c_str(), TerminalText(DnsRecordData(r)).c_str());
}

int Fail(const std::string& problem)
{
    std::fprintf(stderr, "quillet-cli dns: %s\n", problem.c_str());
    return 1;
}

int RunDns(const Args& args)
{
    std::string server;
    Args positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--server" && i + 1 < args.size())
            server = args[++i];
        else if (args[i].starts_with("--"))
            return UsageError(kDnsCommand, "unknown option " + args[i]);
        else
            positional.push_back(args[i]);
    }
    if (positional.empty() || positional.size() > 2)
        return UsageError(kDnsCommand, "expects a domain and an optional type");
    std::string type = positional.size() == 2 ? positional[1] : "A";
    if (DnsTypeCode(type) == 0)
        return UsageError(kDnsCommand, "unknown type " + type);
    if (server.empty() && (server = DiscoverNameServers()).empty())
        return Fail("no nameserver in /etc/resolv.conf; name one with --server");
    Socket socket = NetConnect(server, "53", "tcp");
    if (!socket)
        return Fail("cannot connect to the DNS server " + server);
    DnsMessage answer;
    DnsError error = DnsError::None;
    int code = DnsQuery(socket, positional[0], type, "IN", answer, error);
    if (code < 0)
        return Fail(std::string(DnsErrorText(error)));
    std::printf("Response code: %d (%s)\n", code, std::string(DnsResponseCodeText(code)).c_str());
    PrintSection("Answer", answer.answers);
    PrintSection("Authority", answer.authority);
    PrintSection("Additional", answer.additional);
    return code == 0 ? 0 : 1;
}

} // namespace

} // namespace quillet::cli
