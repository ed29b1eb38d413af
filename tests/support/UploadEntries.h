#pragma once

#include "project/UploadEntry.h"

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace quillet::test {

inline unsigned ModeOf(const std::filesystem::path& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// An entry marked for upload.
inline UploadEntry Entry(std::string local, std::string remote, UploadKind kind, std::string permission = "644")
{
    UploadEntry entry;
    entry.localPath = std::move(local);
    entry.remotePath = std::move(remote);
    entry.kind = kind;
    entry.permission = std::move(permission);
    entry.upload = true;
    return entry;
}

} // namespace quillet::test
