#include "net/DnsMessage.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <strings.h>
#include <utility>

namespace quillet {

namespace {

constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxLabel = 63;
constexpr size_t kMaxName = 255;
// A name has at most 127 labels, so more jumps than that can only be a loop.
constexpr int kMaxPointerHops = 127;

constexpr std::array<std::pair<std::string_view, uint16_t>, 7> kTypes = {{
    {"A", kDnsA},
    {"NS", kDnsNs},
    {"CNAME", kDnsCname},
    {"SOA", kDnsSoa},
    {"PTR", kDnsPtr},
    {"MX", kDnsMx},
    {"AAAA", kDnsAaaa},
}};
constexpr std::array<std::pair<std::string_view, uint16_t>, 4> kClasses = {
    {{"IN", 1}, {"CS", 2}, {"CH", 3}, {"HS", 4}}};

template <size_t N>
uint16_t CodeOf(const std::array<std::pair<std::string_view, uint16_t>, N>& table, std::string_view name)
{
    for (const auto& [text, code] : table)
        if (text.size() == name.size() && strncasecmp(text.data(), name.data(), name.size()) == 0)
            return code;
    return 0;
}

template <size_t N>
std::string NameOf(const std::array<std::pair<std::string_view, uint16_t>, N>& table, uint16_t code,
                   const char* fallback)
{
    for (const auto& [text, value] : table)
        if (value == code)
            return std::string(text);
    return fallback + std::to_string(code);
}

void PutU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

// Presentation form (RFC 4343 2.1): a dot or backslash inside a label and bytes
// that are not printable are escaped, so one label cannot pass for two.
void AppendLabel(std::string& out, const uint8_t* label, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        uint8_t c = label[i];
        if (c == '.' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c > 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\%03u", c);
            out += escaped;
        }
    }
}

// Reads the message from a position on, never past its end.
class DnsReader {
public:
    explicit DnsReader(const std::vector<uint8_t>& message) : m_message(message) {}

    size_t Position() const { return m_pos; }
    void MoveTo(size_t pos) { m_pos = pos; }
    bool Has(size_t count) const { return m_pos <= m_message.size() && count <= m_message.size() - m_pos; }

    bool U16(uint16_t& value)
    {
        if (!Has(2))
            return false;
        value = static_cast<uint16_t>(m_message[m_pos] << 8 | m_message[m_pos + 1]);
        m_pos += 2;
        return true;
    }
    bool U32(uint32_t& value)
    {
        uint16_t high, low;
        if (!U16(high) || !U16(low))
            return false;
        value = static_cast<uint32_t>(high) << 16 | low;
        return true;
    }
    bool Bytes(std::vector<uint8_t>& out, size_t count)
    {
        if (!Has(count))
            return false;
        out.assign(m_message.begin() + static_cast<std::ptrdiff_t>(m_pos),
                   m_message.begin() + static_cast<std::ptrdiff_t>(m_pos + count));
        m_pos += count;
        return true;
    }

    DnsError Name(std::string& out);

private:
    const std::vector<uint8_t>& m_message;
    size_t m_pos = 0;
};

// RFC 1035 4.1.4: labels joined with ".", a pointer (top two bits set) naming
// where the rest of the name lies; reading goes on after the first pointer.
DnsError DnsReader::Name(std::string& out)
{
    out.clear();
    size_t cursor = m_pos;
    size_t encoded = 1; // the closing zero byte
    int hops = 0;
    bool jumped = false;
    for (;;) {
        if (cursor >= m_message.size())
            return DnsError::Truncated;
        uint8_t length = m_message[cursor];
        if ((length & 0xC0) == 0xC0) {
            if (cursor + 1 >= m_message.size())
                return DnsError::Truncated;
            size_t target = static_cast<size_t>(length & 0x3F) << 8 | m_message[cursor + 1];
            if (!jumped)
                m_pos = cursor + 2;
            jumped = true;
            if (target >= m_message.size())
                return DnsError::BadPointer;
            if (++hops > kMaxPointerHops)
                return DnsError::PointerLoop;
            cursor = target;
            continue;
        }
        if (length & 0xC0)
            return DnsError::BadLabel;
        if (length == 0)
            break;
        if (cursor + 1 + length > m_message.size())
            return DnsError::Truncated;
        encoded += length + 1u;
        if (encoded > kMaxName)
            return DnsError::NameTooLong;
        if (!out.empty())
            out += '.';
        AppendLabel(out, m_message.data() + cursor + 1, length);
        cursor += 1 + length;
    }
    if (!jumped)
        m_pos = cursor + 1;
    if (out.empty())
        out = ".";
    return DnsError::None;
}

DnsError ReadQuestion(DnsReader& reader, DnsQuestion& question)
{
    if (DnsError error = reader.Name(question.name); error != DnsError::None)
        return error;
    if (!reader.U16(question.type) || !reader.U16(question.dnsClass))
        return DnsError::Truncated;
    return DnsError::None;
}

DnsError ReadRecordData(DnsReader& reader, DnsRecord& record)
{
    switch (record.type) {
    case kDnsA:
    case kDnsAaaa: {
        size_t size = record.type == kDnsA ? 4 : 16;
        if (record.dataLength != size)
            return DnsError::BadData;
        return reader.Bytes(record.address, size) ? DnsError::None : DnsError::Truncated;
    }
    case kDnsNs:
    case kDnsCname:
    case kDnsPtr:
        return reader.Name(record.host);
    case kDnsMx:
        if (!reader.U16(record.preference))
            return DnsError::Truncated;
        return reader.Name(record.host);
    case kDnsSoa:
        if (DnsError error = reader.Name(record.host); error != DnsError::None)
            return error;
        return reader.Name(record.mailbox);
    default:
        return DnsError::None;
    }
}

DnsError ReadRecord(DnsReader& reader, DnsRecord& record)
{
    if (DnsError error = reader.Name(record.name); error != DnsError::None)
        return error;
    if (!reader.U16(record.type) || !reader.U16(record.dnsClass) || !reader.U32(record.ttl) ||
        !reader.U16(record.dataLength))
        return DnsError::Truncated;
    if (!reader.Has(record.dataLength))
        return DnsError::Truncated;
    size_t dataEnd = reader.Position() + record.dataLength;
    DnsError error = ReadRecordData(reader, record);
    if (error == DnsError::None && reader.Position() > dataEnd)
        error = DnsError::BadData; // the data's names run past its stated length
    reader.MoveTo(dataEnd);
    return error;
}

DnsError ReadRecords(DnsReader& reader, uint16_t count, std::vector<DnsRecord>& out)
{
    for (uint16_t i = 0; i < count; ++i) {
        DnsRecord record;
        if (DnsError error = ReadRecord(reader, record); error != DnsError::None)
            return error;
        out.push_back(std::move(record));
    }
    return DnsError::None;
}

DnsError ReadHeader(DnsReader& reader, DnsHeader& header)
{
    bool whole = reader.U16(header.id) && reader.U16(header.flags) && reader.U16(header.questionCount) &&
                 reader.U16(header.answerCount) && reader.U16(header.authorityCount) &&
                 reader.U16(header.additionalCount);
    return whole ? DnsError::None : DnsError::Truncated;
}

std::string ReverseIpv6Name(const uint8_t (&bytes)[16])
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name;
    for (int i = 15; i >= 0; --i) {
        name += kHex[bytes[i] & 0x0F];
        name += '.';
        name += kHex[bytes[i] >> 4];
        name += '.';
    }
    return name + "ip6.arpa";
}

} // namespace

uint16_t DnsTypeCode(std::string_view name)
{
    return CodeOf(kTypes, name);
}

uint16_t DnsClassCode(std::string_view name)
{
    return CodeOf(kClasses, name);
}

std::string DnsTypeName(uint16_t type)
{
    return NameOf(kTypes, type, "TYPE");
}

std::string DnsClassName(uint16_t dnsClass)
{
    return NameOf(kClasses, dnsClass, "CLASS");
}

std::string DnsQueryName(std::string_view name, uint16_t type)
{
    std::string query(name);
    if (type != kDnsPtr)
        return query;
    std::transform(query.begin(), query.end(), query.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    if (query.find("in-addr.arpa") != std::string::npos || query.find("ip6.arpa") != std::string::npos)
        return query;
    uint8_t v4[4];
    if (inet_pton(AF_INET, query.c_str(), v4) == 1)
        return std::to_string(v4[3]) + "." + std::to_string(v4[2]) + "." + std::to_string(v4[1]) + "." +
               std::to_string(v4[0]) + ".in-addr.arpa";
    uint8_t v6[16];
    if (inet_pton(AF_INET6, query.c_str(), v6) == 1)
        return ReverseIpv6Name(v6);
    return query;
}

std::vector<uint8_t> EncodeDnsQuery(uint16_t id, const DnsQuestion& question, DnsError& error)
{
    std::vector<uint8_t> out;
    for (uint16_t word : {id, uint16_t{0x0100}, uint16_t{1}, uint16_t{0}, uint16_t{0}, uint16_t{0}})
        PutU16(out, word);
    std::string_view name = question.name;
    // A trailing dot names the root, which the closing zero byte already stands for.
    if (!name.empty() && name.back() == '.')
        name.remove_suffix(1);
    error = DnsError::BadQueryName;
    while (!name.empty()) {
        size_t dot = name.find('.');
        std::string_view label = name.substr(0, dot);
        if (label.empty() || label.size() > kMaxLabel)
            return {};
        out.push_back(static_cast<uint8_t>(label.size()));
        out.insert(out.end(), label.begin(), label.end());
        name = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
        if (dot != std::string_view::npos && name.empty())
            return {}; // "a..b" or a name ending in two dots
    }
    out.push_back(0);
    if (out.size() - kHeaderSize > kMaxName)
        return {};
    PutU16(out, question.type);
    PutU16(out, question.dnsClass);
    error = DnsError::None;
    return out;
}

DnsError DecodeDnsMessage(const std::vector<uint8_t>& message, DnsMessage& out)
{
    out = DnsMessage{};
    DnsReader reader(message);
    if (DnsError error = ReadHeader(reader, out.header); error != DnsError::None)
        return error;
    if (out.header.ResponseCode() != 0)
        return DnsError::None;
    for (uint16_t i = 0; i < out.header.questionCount; ++i) {
        DnsQuestion question;
        if (DnsError error = ReadQuestion(reader, question); error != DnsError::None)
            return error;
        out.questions.push_back(std::move(question));
    }
    DnsError error = ReadRecords(reader, out.header.answerCount, out.answers);
    if (error == DnsError::None)
        error = ReadRecords(reader, out.header.authorityCount, out.authority);
    if (error == DnsError::None)
        error = ReadRecords(reader, out.header.additionalCount, out.additional);
    return error;
}

std::string DnsRecordData(const DnsRecord& record)
{
    char text[INET6_ADDRSTRLEN] = "";
    switch (record.type) {
    case kDnsA:
    case kDnsAaaa:
        inet_ntop(record.type == kDnsA ? AF_INET : AF_INET6, record.address.data(), text, sizeof text);
        return text;
    case kDnsNs:
    case kDnsCname:
    case kDnsPtr:
        return record.host;
    case kDnsMx:
        return std::to_string(record.preference) + " " + record.host;
    case kDnsSoa:
        return record.host + " " + record.mailbox;
    default:
        return "(" + std::to_string(record.dataLength) + " bytes)";
    }
}

std::string_view DnsErrorText(DnsError error)
{
    switch (error) {
    case DnsError::None:
        return "no error";
    case DnsError::UnknownType:
        return "unknown record type";
    case DnsError::UnknownClass:
        return "unknown record class";
    case DnsError::BadQueryName:
        return "the name cannot be asked for";
    case DnsError::NoConnection:
        return "cannot connect to the DNS server";
    case DnsError::SendFailed:
        return "the query could not be sent";
    case DnsError::ReceiveFailed:
        return "no complete answer came";
    case DnsError::WrongId:
        return "the answer is not for this query";
    case DnsError::Truncated:
        return "the answer is cut short";
    case DnsError::BadLabel:
        return "the answer holds a bad label";
    case DnsError::BadPointer:
        return "the answer holds a name pointer outside the message";
    case DnsError::PointerLoop:
        return "the answer holds a name pointer loop";
    case DnsError::NameTooLong:
        return "the answer holds a name over 255 bytes";
    case DnsError::BadData:
        return "the answer holds record data of the wrong length";
    }
    return "unknown";
}

std::string_view DnsResponseCodeText(int code)
{
    static constexpr std::array<std::string_view, 6> kCodes = {"NOERROR",  "FORMERR", "SERVFAIL",
                                                               "NXDOMAIN", "NOTIMP",  "REFUSED"};
    return code >= 0 && code < static_cast<int>(kCodes.size()) ? kCodes[static_cast<size_t>(code)] : "RCODE";
}

} // namespace quillet
