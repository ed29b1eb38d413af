#include "net/Publisher.h"

#include "net/Cancel.h"
#include "net/FtpListing.h"
#include "net/PublishSteps.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quillet {

namespace {

void ReportUploadFailure(Prompter& prompter, const std::string& localPath, const std::string& remotePath,
                         unsigned long code)
{
    prompter.Show(FormatMessage(Msg::CantUploadFile, {localPath, remotePath, std::to_string(code)}));
}

size_t CountMarked(const UploadList& list)
{
    size_t count = 0;
    for (const UploadEntry& entry : list)
        count += entry.upload ? 1 : 0;
    return count;
}

// The transport of a caller that holds its own connection: that connection,
// or the server's folders.
RemoteTransport* CallersTransport(const std::string& method, RemoteConnection* connection, FolderTransport& folders)
{
    return IsRemoteMethod(method) ? static_cast<RemoteTransport*>(connection) : &folders;
}

// Says why a step failed, unless the user stopped the work.
void ReportStep(const StepOutcome& outcome, const RemoteTransport& transport, const UploadEntry& entry,
                Prompter& prompter)
{
    if (transport.Cancelled() || CancelRequested())
        return;
    if (transport.TimedOut())
        prompter.Show(StalledServerText(transport.Server()));
    else if (outcome.result == StepResult::PermissionFailed)
        prompter.Show(FormatMessage(Msg::CantSetPermission, {entry.remotePath}));
    else if (entry.createEmpty)
        prompter.Show(FormatMessage(Msg::CantCreateFile, {entry.remotePath}));
    else
        ReportUploadFailure(prompter, entry.localPath, entry.remotePath, outcome.error);
}

// A file already in place (direct copy onto itself) only gets its mode.
StepOutcome SendEntry(RemoteTransport& transport, const UploadEntry& entry, TransferType type, bool folderMethod)
{
    if (entry.createEmpty)
        return PutPlaceholder(transport, entry.remotePath, entry.permission);
    if (folderMethod && SlashPath(entry.localPath) == SlashPath(entry.remotePath))
        return PutPlaceholder(transport, entry.remotePath, entry.permission);
    std::optional<std::string> bytes = ReadWholeFile(entry.localPath);
    if (!bytes)
        return {StepResult::TransferFailed, ENOENT};
    return PutWholeFile(transport, entry.remotePath, *bytes, type, entry.permission);
}

PublishOutcome SendMarkedFiles(const UploadList& list, RemoteTransport& transport, bool folderMethod,
                               Prompter& prompter, const PublishProgressFn& progress, size_t& sentCount)
{
    PublishProgress state;
    state.count = CountMarked(list);
    if (progress)
        transport.SetProgress([&](uint64_t done, uint64_t total) {
            state.bytesDone = done;
            state.bytesTotal = total;
            state.starting = false;
            return progress(state);
        });
    for (const UploadEntry& entry : list) {
        if (!entry.upload)
            continue;
        state.entry = &entry;
        state.bytesDone = state.bytesTotal = 0;
        state.starting = true;
        if (progress && !progress(state))
            return PublishOutcome::Cancelled;
        StepOutcome outcome = SendEntry(transport, entry, TransferTypeOf(entry), folderMethod);
        if (transport.Cancelled() || CancelRequested())
            return PublishOutcome::Cancelled;
        if (outcome.result != StepResult::Done) {
            ReportStep(outcome, transport, entry, prompter);
            return outcome.result == StepResult::PermissionFailed ? PublishOutcome::PermissionFailed
                                                                  : PublishOutcome::TransferFailed;
        }
        sentCount = ++state.index;
    }
    return PublishOutcome::Done;
}

} // namespace

PublishOutcome UploadNow(const UploadList& list, const ServerSettings& settings, Prompter& prompter,
                         const PublishProgressFn& progress, size_t* sentCount)
{
    size_t sentFiles = 0;
    if (sentCount)
        *sentCount = 0;
    ConnectResult connected = ConnectResult::Failed;
    std::unique_ptr<RemoteTransport> transport = OpenTransport(settings, prompter, &connected);
    if (!transport && CancelRequested())
        return PublishOutcome::Cancelled;
    if (!transport) {
        ReportConnectFailure(connected, settings.ftpServer, prompter);
        return PublishOutcome::ConnectionFailed;
    }
    std::vector<std::string> paths;
    for (const UploadEntry& entry : list)
        paths.push_back(entry.remotePath);
    RemoveLeftovers(*transport, paths);
    PublishOutcome sent = SendMarkedFiles(list, *transport, !settings.UsesRemoteLogin(), prompter, progress, sentFiles);
    if (sentCount)
        *sentCount = sentFiles;
    return sent;
}

int PutRemoteFile(const std::string& method, RemoteConnection* connection, const std::string& remotePath,
                  const std::string& localPath, TransferType type, bool report, Prompter& prompter)
{
    FolderTransport folders(false);
    RemoteTransport* transport = CallersTransport(method, connection, folders);
    if (remotePath.empty() || localPath.empty() || !transport)
        return 0;
    UploadEntry entry{localPath, remotePath, "", UploadKind::Html, true};
    StepOutcome outcome = SendEntry(*transport, entry, type, transport == &folders);
    if (outcome.result != StepResult::Done && report)
        ReportStep(outcome, *transport, entry, prompter);
    return outcome.result == StepResult::Done ? 1 : 0;
}

int CreateRemoteEmptyFile(const std::string& method, RemoteConnection* connection, const std::string& remotePath,
                          Prompter& prompter)
{
    FolderTransport folders(false);
    RemoteTransport* transport = CallersTransport(method, connection, folders);
    if (remotePath.empty() || !transport)
        return 0;
    UploadEntry entry{"", remotePath, "", UploadKind::Template, true};
    entry.createEmpty = true;
    StepOutcome outcome = PutPlaceholder(*transport, remotePath, "");
    if (outcome.result != StepResult::Done)
        ReportStep(outcome, *transport, entry, prompter);
    return outcome.result == StepResult::Done ? 1 : 0;
}

int CreateServerSideFile(const std::string& method, RemoteConnection* connection, const std::string& path,
                         Prompter& prompter)
{
    if (path.find("$FORM{") != std::string::npos)
        return 1;
    return CreateRemoteEmptyFile(method, connection, path, prompter);
}

void MarkMissingServerFiles(UploadList& list, const ServerSettings& settings, unsigned kinds)
{
    std::vector<UploadEntry*> unmarked;
    for (UploadEntry& entry : list)
        if (!entry.upload && HasKind(kinds, entry.kind) && !entry.remotePath.empty())
            unmarked.push_back(&entry);
    if (unmarked.empty())
        return;
    if (!settings.UsesRemoteLogin()) {
        for (UploadEntry* entry : unmarked)
            entry->upload = !fs::exists(SlashPath(entry->remotePath));
        return;
    }
    // Nobody is asked here: a server whose identity is not settled yet is
    // asked about by the publish itself.
    SilentPrompter quiet;
    std::unique_ptr<RemoteConnection> connection = OpenRemoteConnection(LoginFor(settings), quiet);
    // One listing per folder; a folder that cannot be listed has none of the files.
    std::map<std::string, std::set<std::string>> folders;
    for (UploadEntry* entry : unmarked) {
        if (!connection) {
            entry->upload = true;
            continue;
        }
        std::string target = connection->AbsolutePath(entry->remotePath);
        std::string folder = target.substr(0, std::max<size_t>(target.rfind('/'), 1));
        auto [names, added] = folders.try_emplace(folder);
        std::string listing;
        if (added && connection->List(folder, listing))
            for (const RemoteItem& item : ParseFtpListing(listing))
                names->second.insert(item.name);
        entry->upload = names->second.count(RemoteBaseName(target)) == 0;
    }
}

void ReportConnectFailure(ConnectResult result, const std::string& server, Prompter& prompter)
{
    if (result == ConnectResult::TimedOut)
        prompter.Show(StalledServerText(server));
    else if (result == ConnectResult::Failed)
        prompter.Show(std::string(MessageText(Msg::CheckFtpSettings)));
}

std::string StalledServerText(const std::string& server)
{
    return FormatMessage(Msg::ServerStalled, {server, std::to_string(kStalledServerSeconds)});
}

std::string PublishResultText(PublishOutcome outcome, size_t sent, const UploadList& list,
                              const ServerSettings& settings)
{
    const std::string& server = settings.UsesRemoteLogin() ? settings.ftpServer : settings.cgiPath;
    if (outcome == PublishOutcome::Cancelled)
        return FormatMessage(Msg::PublishStopped, {std::to_string(sent), std::to_string(CountMarked(list))});
    if (outcome != PublishOutcome::Done)
        return {};
    return sent == 1 ? FormatMessage(Msg::OneFileSent, {server})
                     : FormatMessage(Msg::FilesSent, {std::to_string(sent), server});
}

bool DeleteRemoteFile(const ServerSettings& settings, const std::string& remotePath)
{
    SilentPrompter quiet;
    std::unique_ptr<RemoteTransport> transport = OpenTransport(settings, quiet);
    return transport && transport->Remove(remotePath);
}

TransferType TransferTypeOf(const UploadEntry& entry)
{
    return entry.TransfersBinary() ? TransferType::Binary : TransferType::Ascii;
}

std::vector<PublishRow> PublishRows(const UploadList& list)
{
    std::vector<PublishRow> rows;
    for (const UploadEntry& entry : list)
        rows.push_back({entry.upload ? "Upload" : "", std::string(UploadKindName(static_cast<unsigned>(entry.kind))),
                        entry.permission, entry.localPath, entry.remotePath});
    return rows;
}

void ApplyUploadCells(UploadList& list, const std::vector<std::string>& uploadCells)
{
    for (size_t i = 0; i < list.size(); ++i)
        list[i].upload = i < uploadCells.size() && uploadCells[i] == "Upload";
}

std::string UploadPrintoutPath()
{
    // A folder of this user's own: a fixed name in the shared temporary folder
    // could be a link that someone else planted.
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    fs::path folder = (ec ? fs::path("/tmp") : temp) / ("quillet-" + std::to_string(getuid()));
    struct stat st;
    if (mkdir(folder.c_str(), 0700) != 0 &&
        (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())) {
        std::string pattern = ((ec ? fs::path("/tmp") : temp) / "quillet-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            folder = pattern;
    }
    return (folder / "upload.txt").string();
}

bool WriteUploadPrintout(const UploadList& list, const std::string& path)
{
    std::string text;
    for (const UploadEntry& entry : list)
        if (entry.upload)
            text += "Local:  " + entry.localPath + "\nRemote: " + entry.remotePath + "\n\n";
    return WriteFileAtomically(path, text);
}

} // namespace quillet
