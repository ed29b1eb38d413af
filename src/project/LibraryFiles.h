#pragma once

#include "project/UploadEntry.h"

#include <array>
#include <string>
#include <string_view>

namespace quillet {

class Prompter;

// A runtime file that a publish deploys beside the generated script.
struct LibraryFile {
    std::string_view name;
    // Published under the script's extension instead of its own ("dbadmin" + ".cgi").
    bool takesScriptExtension;
    std::string_view permission;
    UploadKind kind;
    // Published under this name in the data folder instead of beside the scripts.
    std::string_view dataName = {};
};

inline constexpr std::array<LibraryFile, 14> kLibraryFiles = {{
    {"dbadmin.cgi", true, "755", UploadKind::DbAdmin},
    {"ZentraCGI.pm", false, "644", UploadKind::CgiLib},
    {"Validator.pm", false, "644", UploadKind::CgiLib},
    {"ZentraMsg.pm", false, "644", UploadKind::CgiLib},
    {"Sendmail.pm", false, "644", UploadKind::CgiLib},
    {"mNet.pm", false, "644", UploadKind::CgiLib},
    // Compiled only by the requests that need them.
    {"ZentraPages.pm", false, "644", UploadKind::CgiLib},
    {"ZentraUpload.pm", false, "644", UploadKind::CgiLib},
    {"ZentraFiles.pm", false, "644", UploadKind::CgiLib},
    {"ZentraCookies.pm", false, "644", UploadKind::CgiLib},
    {"ZentraRows.pm", false, "644", UploadKind::CgiLib},
    {"ZentraUtil.pm", false, "644", UploadKind::CgiLib},
    {"SiteGuard.pm", false, "644", UploadKind::CgiLib},
    // Apache's deny rule for the data folder.
    {"data.htaccess", false, "644", UploadKind::CgiLib, ".htaccess"},
}};

// The include-path functions that the generator appends to every script.
inline constexpr std::string_view kIncludePathFile = "include-path.pl";

inline constexpr std::array<std::string_view, 4> kPagingImages = {"first.gif", "prev.gif", "next.gif", "last.gif"};

// Writes the embedded file called name to localPath, creating its folder when
// missing. A file the build did not carry, or one that cannot be written,
// shows "Can't create file %s" and fails.
bool WriteLibraryFile(const std::string& localPath, std::string_view name, Prompter& prompter);

} // namespace quillet
