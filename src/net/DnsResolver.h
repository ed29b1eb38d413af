#pragma once

#include "net/DnsMessage.h"
#include "net/NetSocket.h"

#include <string>
#include <string_view>

namespace quillet {

// Asks the name server at the other end of socket (a TCP connection, RFC 1035
// 4.2.2) for the records of name, with type and class given by name ("MX",
// "IN"). For PTR a dotted address is turned into its reverse name. Returns the
// answer's response code (0: records decoded into answer) or -1 when the query
// could not be made or the answer was not whole and well formed within
// deadlineMs of the query; error says why.
int DnsQuery(const Socket& socket, std::string_view name, std::string_view type, std::string_view dnsClass,
             DnsMessage& answer, DnsError& error, int deadlineMs = kReplyTimeoutMs);

// The first "nameserver" of /etc/resolv.conf, or of the file named by
// QUILLET_RESOLV_CONF; empty when there is none.
std::string DiscoverNameServers();
// The first "nameserver" address in the text of a resolv.conf file.
std::string FirstNameServer(std::string_view resolvConf);

// Linux has no system-wide mail account: always empty, so the user names a server.
std::string DiscoverSmtpServer();

} // namespace quillet
