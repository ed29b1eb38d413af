#include "net/PublishSteps.h"

#include <algorithm>
#include <set>

namespace quillet {

namespace {

constexpr std::string_view kMark = ".quillet-upload";

size_t NameStart(std::string_view path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

StepOutcome Failure(RemoteTransport& transport, StepResult result)
{
    return {result, std::max(transport.LastError(), 1UL)};
}

bool SetModeIfKept(RemoteTransport& transport, const std::string& path, const std::string& mode)
{
    return mode.empty() || !transport.KeepsModes() || transport.SetMode(path, mode);
}

} // namespace

std::string TemporaryUploadPath(std::string_view remotePath)
{
    size_t start = NameStart(remotePath);
    std::string_view name = remotePath.substr(start);
    size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string_view::npos)
        dot = name.size();
    std::string path(remotePath.substr(0, start));
    return path.append(".").append(name.substr(0, dot)).append(kMark).append(name.substr(dot));
}

bool IsTemporaryUploadName(std::string_view name)
{
    size_t mark = name.rfind(kMark);
    if (name.empty() || name.front() != '.' || mark == std::string_view::npos || mark == 0)
        return false;
    std::string_view rest = name.substr(mark + kMark.size());
    return rest.empty() || (rest.front() == '.' && rest.find('.', 1) == std::string_view::npos);
}

StepOutcome PutWholeFile(RemoteTransport& transport, const std::string& path, std::string_view bytes, TransferType type,
                         const std::string& mode)
{
    std::string temporary = TemporaryUploadPath(path);
    StepOutcome outcome;
    if (!transport.Put(temporary, bytes, type))
        outcome = Failure(transport, StepResult::TransferFailed);
    else if (!SetModeIfKept(transport, temporary, mode))
        outcome = Failure(transport, StepResult::PermissionFailed);
    else if (!transport.Replace(temporary, path))
        outcome = Failure(transport, StepResult::TransferFailed);
    if (outcome.result != StepResult::Done && !transport.Cancelled() && !transport.TimedOut())
        transport.Remove(temporary);
    return outcome;
}

StepOutcome PutPlaceholder(RemoteTransport& transport, const std::string& path, const std::string& mode)
{
    if (!transport.CreateIfMissing(path))
        return Failure(transport, StepResult::TransferFailed);
    if (!SetModeIfKept(transport, path, mode))
        return Failure(transport, StepResult::PermissionFailed);
    return {};
}

void RemoveLeftovers(RemoteTransport& transport, const std::vector<std::string>& paths)
{
    std::set<std::string> folders;
    for (const std::string& path : paths)
        if (NameStart(path) > 0)
            folders.insert(path.substr(0, NameStart(path)));
    std::vector<std::string> names;
    for (const std::string& folder : folders)
        if (transport.ListNames(folder, names))
            for (const std::string& name : names)
                if (IsTemporaryUploadName(name))
                    transport.Remove(folder + name);
}

} // namespace quillet
