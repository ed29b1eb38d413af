#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The category of a file to publish; the values are bits so that a set of
// them can say what a publish lists.
enum class UploadKind : unsigned {
    Html = 1,
    CgiScript = 2,
    Data = 4,
    Template = 8,
    DbAdmin = 16,
    CgiLib = 32,
    Image = 64,
};

constexpr unsigned operator|(UploadKind a, UploadKind b)
{
    return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}
constexpr unsigned operator|(unsigned a, UploadKind b)
{
    return a | static_cast<unsigned>(b);
}
constexpr bool HasKind(unsigned flags, UploadKind kind)
{
    return (flags & static_cast<unsigned>(kind)) != 0;
}

// What each caller lists: a publish sends everything; "Set Up Server-Side"
// the shared files; the table designer the administration script alone.
constexpr unsigned kPublishKinds = UploadKind::Html | UploadKind::CgiScript | UploadKind::Template |
                                   UploadKind::DbAdmin | UploadKind::CgiLib | UploadKind::Image;
constexpr unsigned kServerSetupKinds = UploadKind::Image | UploadKind::CgiLib | UploadKind::DbAdmin;

// "HTML", "CGI Script", ...: the name of the lowest bit set in kinds, "" for none.
std::string_view UploadKindName(unsigned kinds);

// One file to publish.
struct UploadEntry {
    // Empty for a file that is created empty on the server.
    std::string localPath;
    // With "/" or "\" separators, as the server names it.
    std::string remotePath;
    std::string permission;
    UploadKind kind = UploadKind::Html;
    bool upload = false;
    bool createEmpty = false;
    // Templates only: send in binary mode.
    bool binary = false;

    bool operator==(const UploadEntry&) const = default;

    // Images, data and templates marked binary go without line-end translation.
    bool TransfersBinary() const;
};

using UploadList = std::vector<UploadEntry>;

} // namespace quillet
