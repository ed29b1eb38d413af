#include "project/UploadEntry.h"

#include <array>

namespace quillet {

std::string_view UploadKindName(unsigned kinds)
{
    static constexpr std::array<std::string_view, 7> kNames = {"HTML",    "CGI Script", "Data", "Template",
                                                               "DBAdmin", "CGI Lib",    "Image"};
    for (size_t bit = 0; bit < kNames.size(); ++bit)
        if (kinds & (1u << bit))
            return kNames[bit];
    return {};
}

bool UploadEntry::TransfersBinary() const
{
    switch (kind) {
    case UploadKind::Data:
    case UploadKind::Image:
        return true;
    case UploadKind::Template:
        return binary;
    default:
        return false;
    }
}

} // namespace quillet
