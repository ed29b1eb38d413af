#include "net/WebDnsLookup.h"

#include "net/Cancel.h"
#include "net/DnsResolver.h"
#include "project/Messages.h"

#include <algorithm>
#include <strings.h>

namespace quillet {

namespace {

void AddOnce(std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& listed : names)
        if (strcasecmp(listed.c_str(), name.c_str()) == 0)
            return;
    names.push_back(name);
}

std::vector<std::string> NameServersOf(const DnsMessage& answer)
{
    std::vector<std::string> names;
    for (const DnsRecord& record : answer.answers)
        if (record.type == kDnsNs)
            AddOnce(names, record.host);
    if (!names.empty())
        return names;
    for (const DnsRecord& record : answer.authority)
        if (record.type == kDnsNs || record.type == kDnsSoa)
            AddOnce(names, record.host);
    return names;
}

} // namespace

std::string WebDomainFromUrl(std::string_view homePageUrl)
{
    std::string_view rest = homePageUrl;
    size_t start = rest.find_first_not_of(" \t");
    rest.remove_prefix(start == std::string_view::npos ? rest.size() : start);
    if (size_t scheme = rest.find("://"); scheme != std::string_view::npos)
        rest.remove_prefix(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?# \t"));
    if (size_t at = rest.rfind('@'); at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    rest = rest.substr(0, rest.find(':'));
    std::string domain(rest);
    std::transform(domain.begin(), domain.end(), domain.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    if (domain.starts_with("www."))
        domain.erase(0, 4);
    while (domain.ends_with('.'))
        domain.pop_back();
    return domain;
}

std::vector<std::string> LookupWebDomainDnsServers(std::string_view homePageUrl, std::string& systemDnsServer,
                                                   Prompter& prompter)
{
    std::string domain = WebDomainFromUrl(homePageUrl);
    if (domain.empty()) {
        prompter.Show(FormatMessage(Msg::NoWebDomain));
        return {};
    }
    if (systemDnsServer.empty())
        systemDnsServer = DiscoverNameServers();
    Socket socket = systemDnsServer.empty() ? Socket() : NetConnect(systemDnsServer, "53", "tcp");
    if (!socket) {
        prompter.Show(FormatMessage(Msg::CantFindDnsServer, {domain}));
        return {};
    }
    DnsMessage answer;
    DnsError error = DnsError::None;
    int code = DnsQuery(socket, domain, "NS", "IN", answer, error);
    if (CancelRequested())
        return {};
    if (code < 0) {
        prompter.Show(FormatMessage(Msg::CantFindDnsServer, {domain}));
        return {};
    }
    std::vector<std::string> names = code == 0 ? NameServersOf(answer) : std::vector<std::string>();
    if (names.empty())
        prompter.Show(FormatMessage(Msg::NoDnsServersFound, {domain}));
    return names;
}

} // namespace quillet
