// Folder listings come from whatever FTP server the user points at.
#include "net/FtpListing.h"
#include "net/RemoteBrowser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<quillet::RemoteItem> items = quillet::ParseFtpListing(text);
    quillet::SortRemoteItems(items, quillet::SortColumn::Modified);
    for (const quillet::RemoteItem& item : items) {
        quillet::MatchesFileType("*.html;*.htm;*.shtml", item.name);
        quillet::FormatModified(item.modified);
    }
    quillet::ParseFileFilter(text);
    return 0;
}
