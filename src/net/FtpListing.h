#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct RemoteItem {
    enum Kind { Folder = 0, File = 1 };
    Kind kind = File;
    std::string name;
    uint64_t size = 0;
    std::time_t modified = 0;

    bool operator==(const RemoteItem&) const = default;
};

// Reads a folder listing as servers send it: MLSD facts (RFC 3659 7.2), Unix
// "ls -l" lines or DOS/IIS lines. Lines it cannot read, and "." and "..",
// are left out.
std::vector<RemoteItem> ParseFtpListing(std::string_view listing);

// "13/06/26 04:05 PM": day/month/year, 12-hour clock, in the local time zone.
std::string FormatModified(std::time_t time);

} // namespace quillet
