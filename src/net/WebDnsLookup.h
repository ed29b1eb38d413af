#pragma once

#include "project/Prompter.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The domain of a home page address: what follows "scheme://", cut before the
// first "/" and any ":port", without a leading "www.", in lower case.
std::string WebDomainFromUrl(std::string_view homePageUrl);

// "Get DNS servers automatically from current Web domain": asks the system's
// DNS server (found first when systemDnsServer is empty; it may carry ":port")
// for the NS records of the home page's domain and gives the name servers' host
// names, each once. When the domain itself has no NS records (a host below its
// zone), the zone's name servers from the authority section are given instead.
// A server that does not answer, or an answer without names, is reported.
std::vector<std::string> LookupWebDomainDnsServers(std::string_view homePageUrl, std::string& systemDnsServer,
                                                   Prompter& prompter);

} // namespace quillet
