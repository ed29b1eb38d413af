#include "net/RemoteTransport.h"

#include "net/RemoteConnection.h"
#include "project/ProjectFile.h"
#include "project/ServerSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quillet {

namespace {

void MakeFolderOf(const std::string& path)
{
    std::error_code ec;
    fs::path parent = fs::path(path).parent_path();
    if (!parent.empty())
        fs::create_directories(parent, ec);
}

} // namespace

bool IsModeText(std::string_view mode)
{
    return !mode.empty() && mode.size() <= 4 &&
           std::all_of(mode.begin(), mode.end(), [](char c) { return c >= '0' && c <= '7'; });
}

bool FolderTransport::Failed()
{
    m_lastError = errno ? static_cast<unsigned long>(errno) : EIO;
    return false;
}

// A link planted under the name is replaced, never written through.
bool FolderTransport::Put(const std::string& path, std::string_view bytes, TransferType)
{
    std::string target = SlashPath(path);
    MakeFolderOf(target);
    if (unlink(target.c_str()) != 0 && errno != ENOENT)
        return Failed();
    int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return Failed();
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        int error = errno;
        close(fd);
        errno = error;
        return Failed();
    }
    return close(fd) == 0 || Failed();
}

bool FolderTransport::CreateIfMissing(const std::string& path)
{
    std::string target = SlashPath(path);
    MakeFolderOf(target);
    int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0)
        return close(fd) == 0 || Failed();
    return errno == EEXIST || Failed();
}

// A link planted under the name keeps its target's mode: that file is not ours.
bool FolderTransport::SetMode(const std::string& path, const std::string& mode)
{
    if (!IsModeText(mode)) {
        errno = EINVAL;
        return Failed();
    }
    mode_t bits = static_cast<mode_t>(std::stoul(mode, nullptr, 8));
    if (fchmodat(AT_FDCWD, SlashPath(path).c_str(), bits, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    return errno == EOPNOTSUPP || Failed();
}

bool FolderTransport::Replace(const std::string& from, const std::string& to)
{
    return std::rename(SlashPath(from).c_str(), SlashPath(to).c_str()) == 0 || Failed();
}

bool FolderTransport::Remove(const std::string& path)
{
    return unlink(SlashPath(path).c_str()) == 0 || Failed();
}

bool FolderTransport::ListNames(const std::string& folder, std::vector<std::string>& names)
{
    std::error_code ec;
    names.clear();
    for (auto it = fs::directory_iterator(SlashPath(folder), ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        names.push_back(it->path().filename().string());
    return !ec;
}

std::string SlashPath(std::string_view path)
{
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string ToNetworkText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

std::string FromNetworkText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

std::string RemoteBaseName(std::string_view path)
{
    size_t cut = path.rfind('/');
    if (cut == std::string_view::npos)
        cut = path.rfind('\\');
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::unique_ptr<RemoteTransport> OpenTransport(const ServerSettings& settings, Prompter& prompter,
                                               ConnectResult* result)
{
    if (!settings.UsesRemoteLogin())
        return std::make_unique<FolderTransport>(IsWindowsServer(settings.serverType));
    return OpenRemoteConnection(LoginFor(settings), prompter, result);
}

} // namespace quillet
