#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// RFC 1035 4.1: the parts of a DNS message this program asks and reads.
enum DnsType : uint16_t {
    kDnsA = 1,
    kDnsNs = 2,
    kDnsCname = 5,
    kDnsSoa = 6,
    kDnsPtr = 12,
    kDnsMx = 15,
    kDnsAaaa = 28,
};

struct DnsHeader {
    uint16_t id = 0;
    uint16_t flags = 0;
    uint16_t questionCount = 0;
    uint16_t answerCount = 0;
    uint16_t authorityCount = 0;
    uint16_t additionalCount = 0;

    int ResponseCode() const { return flags & 0x000F; }
};

struct DnsQuestion {
    std::string name;
    uint16_t type = 0;
    uint16_t dnsClass = 0;
};

// One resource record with its data decoded for the types below; other types
// keep only the header fields.
struct DnsRecord {
    std::string name;
    uint16_t type = 0;
    uint16_t dnsClass = 0;
    uint32_t ttl = 0;
    uint16_t dataLength = 0;
    std::vector<uint8_t> address; // A: 4 bytes, AAAA: 16 bytes
    std::string host;             // NS, CNAME, PTR: the name; MX: the exchange; SOA: the primary server
    uint16_t preference = 0;      // MX
    std::string mailbox;          // SOA
};

struct DnsMessage {
    DnsHeader header;
    std::vector<DnsQuestion> questions;
    std::vector<DnsRecord> answers;
    std::vector<DnsRecord> authority;
    std::vector<DnsRecord> additional;
};

// Every reason a query or an answer can fail; the closed set of this module.
enum class DnsError {
    None,
    UnknownType,   // the type name is none of A, NS, CNAME, SOA, PTR, MX, AAAA
    UnknownClass,  // the class name is none of IN, CS, CH, HS
    BadQueryName,  // a label over 63 bytes, an empty label or a name over 255 bytes
    NoConnection,  // no socket to the server
    SendFailed,    // the query did not go out whole
    ReceiveFailed, // the answer did not come whole
    WrongId,       // the answer is not for this query
    Truncated,     // the answer ends inside a header, question, record or data
    BadLabel,      // a label type other than a length or a pointer
    BadPointer,    // a compression pointer outside the message
    PointerLoop,   // compression pointers that never reach the end of a name
    NameTooLong,   // a decoded name over 255 bytes
    BadData,       // record data whose length does not fit its type
};

std::string_view DnsErrorText(DnsError error);
std::string_view DnsResponseCodeText(int code);

// "A", "MX", "NS", "PTR" (and CNAME, SOA, AAAA) ignoring case; 0 for any other.
uint16_t DnsTypeCode(std::string_view name);
// "IN", "CS", "CH", "HS" ignoring case; 0 for any other.
uint16_t DnsClassCode(std::string_view name);
std::string DnsTypeName(uint16_t type);
std::string DnsClassName(uint16_t dnsClass);

// The name a query of type asks for: for PTR, lower case, and a dotted IPv4
// address a.b.c.d becomes d.c.b.a.in-addr.arpa.
std::string DnsQueryName(std::string_view name, uint16_t type);

// A standard query with recursion desired for one question; empty when the
// name cannot be encoded (error says why).
std::vector<uint8_t> EncodeDnsQuery(uint16_t id, const DnsQuestion& question, DnsError& error);

// Decodes a whole answer. With a response code other than 0 only the header is
// decoded. Never reads outside message.
DnsError DecodeDnsMessage(const std::vector<uint8_t>& message, DnsMessage& out);

// The record's data as text: an address, a name, "10 mail.example.com", ...
std::string DnsRecordData(const DnsRecord& record);

} // namespace quillet
