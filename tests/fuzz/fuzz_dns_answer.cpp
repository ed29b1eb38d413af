// Any bytes given as a DNS answer must decode or fail cleanly; what decodes
// must print, and every decoded name must stay within the 255-byte limit once
// its escapes are undone.
#include "net/DnsMessage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quillet;
    std::vector<uint8_t> message(data, data + size);
    DnsMessage decoded;
    if (DecodeDnsMessage(message, decoded) != DnsError::None)
        return 0;
    for (const auto* section : {&decoded.answers, &decoded.authority, &decoded.additional})
        for (const DnsRecord& record : *section) {
            // Escaped as \DDD a name can grow to four times its 255 bytes, never more.
            if (record.name.size() > 4 * 255 || record.host.size() > 4 * 255)
                std::abort();
            (void)DnsRecordData(record);
        }
    return 0;
}
