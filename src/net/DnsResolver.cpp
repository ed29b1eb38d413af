#include "net/DnsResolver.h"

#include "project/ProjectFile.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>

namespace quillet {

namespace {

constexpr size_t kMaxTcpMessage = 65535;

uint16_t NewQueryId()
{
    std::random_device random;
    return static_cast<uint16_t>(std::uniform_int_distribution<unsigned>(0, 0xFFFF)(random));
}

bool SendQuery(const Socket& socket, const std::vector<uint8_t>& query)
{
    std::string framed;
    framed += static_cast<char>(query.size() >> 8);
    framed += static_cast<char>(query.size() & 0xFF);
    framed.append(query.begin(), query.end());
    return SendAll(socket, framed);
}

// The whole answer within deadlineMs: a server may not keep the program
// waiting by sending a byte now and then.
bool ReceiveAnswer(const Socket& socket, std::vector<uint8_t>& answer, int deadlineMs)
{
    auto start = std::chrono::steady_clock::now();
    unsigned char prefix[2];
    if (!ReceiveExact(socket, reinterpret_cast<char*>(prefix), sizeof prefix, deadlineMs))
        return false;
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    int left = std::max(0, deadlineMs - static_cast<int>(spent.count()));
    size_t length = static_cast<size_t>(prefix[0]) << 8 | prefix[1];
    if (length == 0 || length > kMaxTcpMessage)
        return false;
    answer.resize(length);
    return left > 0 && ReceiveExact(socket, reinterpret_cast<char*>(answer.data()), length, left);
}

int Fail(DnsError reason, DnsError& error)
{
    error = reason;
    return -1;
}

} // namespace

int DnsQuery(const Socket& socket, std::string_view name, std::string_view type, std::string_view dnsClass,
             DnsMessage& answer, DnsError& error, int deadlineMs)
{
    answer = DnsMessage{};
    DnsQuestion question{"", DnsTypeCode(type), DnsClassCode(dnsClass)};
    if (question.type == 0)
        return Fail(DnsError::UnknownType, error);
    if (question.dnsClass == 0)
        return Fail(DnsError::UnknownClass, error);
    if (!socket)
        return Fail(DnsError::NoConnection, error);
    question.name = DnsQueryName(name, question.type);
    uint16_t id = NewQueryId();
    std::vector<uint8_t> query = EncodeDnsQuery(id, question, error);
    if (query.empty())
        return -1;
    if (!SendQuery(socket, query))
        return Fail(DnsError::SendFailed, error);
    std::vector<uint8_t> bytes;
    if (!ReceiveAnswer(socket, bytes, deadlineMs))
        return Fail(DnsError::ReceiveFailed, error);
    error = DecodeDnsMessage(bytes, answer);
    if (error == DnsError::None && answer.header.id != id)
        error = DnsError::WrongId;
    if (error != DnsError::None) {
        answer = DnsMessage{};
        return -1;
    }
    return answer.header.ResponseCode();
}

std::string FirstNameServer(std::string_view resolvConf)
{
    while (!resolvConf.empty()) {
        size_t end = resolvConf.find('\n');
        std::string_view line = resolvConf.substr(0, end);
        resolvConf = end == std::string_view::npos ? std::string_view() : resolvConf.substr(end + 1);
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos || line.compare(start, 10, "nameserver") != 0)
            continue;
        line.remove_prefix(start + 10);
        size_t addressStart = line.find_first_not_of(" \t");
        if (addressStart == 0 || addressStart == std::string_view::npos)
            continue;
        line.remove_prefix(addressStart);
        return std::string(line.substr(0, line.find_first_of(" \t\r#;")));
    }
    return {};
}

std::string DiscoverNameServers()
{
    const char* path = std::getenv("QUILLET_RESOLV_CONF");
    std::optional<std::string> text = ReadWholeFile(path && *path ? path : "/etc/resolv.conf");
    return text ? FirstNameServer(*text) : std::string();
}

std::string DiscoverSmtpServer()
{
    return {};
}

} // namespace quillet
