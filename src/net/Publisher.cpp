#include "net/Publisher.h"

#include "net/Cancel.h"
#include "net/FtpControl.h"
#include "net/FtpListing.h"
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

bool UsesFtp(const std::string& method)
{
    return method == "Using FTP";
}

void ReportUploadFailure(Prompter& prompter, const std::string& localPath, const std::string& remotePath,
                         unsigned long code)
{
    prompter.Show(FormatMessage(Msg::CantUploadFile, {localPath, remotePath, std::to_string(code)}));
}

// Writes beside the target and renames over it, so that the web server never
// serves a half-copied script.
unsigned long CopyIntoFolder(const std::string& target, std::string_view bytes)
{
    std::error_code ec;
    fs::path path(target);
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);
    fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".upload");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush())
            return errno ? static_cast<unsigned long>(errno) : EIO;
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary);
        return static_cast<unsigned long>(ec.value());
    }
    return 0;
}

// 0 on success, else the error number to report.
unsigned long StoreBytes(const std::string& method, FtpConnection* connection, const std::string& remotePath,
                         std::string_view bytes, TransferType type)
{
    if (UsesFtp(method))
        return connection->Store(remotePath, bytes, type) ? 0 : std::max(connection->LastError(), 1UL);
    return CopyIntoFolder(SlashPath(remotePath), bytes);
}

bool SetFolderPermission(const std::string& permission, const std::string& path)
{
    char* end = nullptr;
    unsigned long mode = std::strtoul(permission.c_str(), &end, 8);
    if (permission.empty() || *end != '\0' || mode > 07777)
        return false;
    return ::chmod(SlashPath(path).c_str(), static_cast<mode_t>(mode)) == 0;
}

size_t CountMarked(const UploadList& list)
{
    size_t count = 0;
    for (const UploadEntry& entry : list)
        count += entry.upload ? 1 : 0;
    return count;
}

PublishOutcome SendMarkedFiles(const UploadList& list, const std::string& method, FtpConnection* connection,
                               Prompter& prompter, const PublishProgressFn& progress, size_t& sentCount)
{
    PublishProgress state;
    state.count = CountMarked(list);
    if (connection && progress)
        connection->SetProgress([&](uint64_t done, uint64_t total) {
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
        int sent = entry.createEmpty ? CreateRemoteEmptyFile(method, connection, entry.remotePath, prompter)
                                     : PutRemoteFile(method, connection, entry.remotePath, entry.localPath,
                                                     TransferTypeOf(entry), true, prompter);
        if ((connection && connection->Cancelled()) || CancelRequested())
            return PublishOutcome::Cancelled;
        if (!sent)
            return PublishOutcome::TransferFailed;
        sentCount = ++state.index;
    }
    return PublishOutcome::Done;
}

PublishOutcome SetPermissions(const UploadList& list, const ServerSettings& settings, Prompter& prompter)
{
    if (IsWindowsServer(settings.serverType))
        return PublishOutcome::Done;
    LineSession session;
    if (settings.UsesFtp())
        session = FtpControlLogin(settings.ftpServer, settings.ftpUser, settings.ftpPassword);
    PublishOutcome outcome = PublishOutcome::Done;
    for (const UploadEntry& entry : list) {
        if (!entry.upload)
            continue;
        bool set = settings.UsesFtp() ? FtpSiteChmod(session, entry.permission, entry.remotePath) == 0
                                      : SetFolderPermission(entry.permission, entry.remotePath);
        if (!set && CancelRequested()) {
            outcome = PublishOutcome::Cancelled;
            break;
        }
        if (!set) {
            prompter.Show(FormatMessage(Msg::CantSetPermission, {entry.remotePath}));
            outcome = PublishOutcome::PermissionFailed;
            break;
        }
    }
    if (settings.UsesFtp())
        FtpQuit(session);
    return outcome;
}

} // namespace

PublishOutcome UploadNow(const UploadList& list, const ServerSettings& settings, Prompter& prompter,
                         const PublishProgressFn& progress, size_t* sentCount)
{
    std::unique_ptr<FtpConnection> connection;
    size_t sentFiles = 0;
    if (sentCount)
        *sentCount = 0;
    if (settings.UsesFtp()) {
        bool timedOut = false;
        if (!settings.ftpServer.empty() && !settings.ftpUser.empty())
            connection = FtpConnection::Open({settings.ftpServer, settings.ftpUser, settings.ftpPassword,
                                              settings.ftpPassive != 0, IsWindowsServer(settings.serverType)},
                                             &timedOut);
        if (!connection && CancelRequested())
            return PublishOutcome::Cancelled;
        if (!connection) {
            prompter.Show(timedOut ? StalledServerText(settings.ftpServer)
                                   : std::string(MessageText(Msg::CheckFtpSettings)));
            return PublishOutcome::ConnectionFailed;
        }
    }
    PublishOutcome sent = SendMarkedFiles(list, settings.uploadMethod, connection.get(), prompter, progress, sentFiles);
    if (sentCount)
        *sentCount = sentFiles;
    connection.reset();
    // A failed or stopped transfer sets no permissions: the files on the server are not all new.
    if (sent != PublishOutcome::Done)
        return sent;
    return SetPermissions(list, settings, prompter);
}

std::unique_ptr<FtpConnection> OpenFtpConnection(const std::string& host, const std::string& user,
                                                 const std::string& password, bool passive)
{
    if (host.empty() || user.empty())
        return nullptr;
    return FtpConnection::Open({host, user, password, passive, false});
}

int PutRemoteFile(const std::string& method, FtpConnection* connection, const std::string& remotePath,
                  const std::string& localPath, TransferType type, bool report, Prompter& prompter)
{
    if (remotePath.empty() || localPath.empty() || (UsesFtp(method) && !connection))
        return 0;
    if (!UsesFtp(method) && SlashPath(localPath) == SlashPath(remotePath))
        return 1;
    std::optional<std::string> bytes = ReadWholeFile(localPath);
    unsigned long error = bytes ? StoreBytes(method, connection, remotePath, *bytes, type) : ENOENT;
    if (error == 0)
        return 1;
    if (report && connection && connection->TimedOut())
        prompter.Show(StalledServerText(connection->Host()));
    else if (report && !(connection && connection->Cancelled()) && !CancelRequested())
        ReportUploadFailure(prompter, localPath, remotePath, error);
    return 0;
}

int CreateRemoteEmptyFile(const std::string& method, FtpConnection* connection, const std::string& remotePath,
                          Prompter& prompter)
{
    if (remotePath.empty() || (UsesFtp(method) && !connection))
        return 0;
    // When the server cannot say whether the file is there, it is left alone.
    bool missing = UsesFtp(method) ? connection->Probe(remotePath) == FtpConnection::Presence::Missing
                                   : !fs::exists(SlashPath(remotePath));
    if (!missing)
        return 1;
    if (StoreBytes(method, connection, remotePath, "\n", TransferType::Ascii) == 0)
        return 1;
    if (connection && connection->TimedOut())
        prompter.Show(StalledServerText(connection->Host()));
    else if (!(connection && connection->Cancelled()) && !CancelRequested())
        prompter.Show(FormatMessage(Msg::CantCreateFile, {remotePath}));
    return 0;
}

int CreateServerSideFile(const std::string& method, FtpConnection* connection, const std::string& path,
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
    if (!settings.UsesFtp()) {
        for (UploadEntry* entry : unmarked)
            entry->upload = !fs::exists(SlashPath(entry->remotePath));
        return;
    }
    std::unique_ptr<FtpConnection> connection =
        OpenFtpConnection(settings.ftpServer, settings.ftpUser, settings.ftpPassword, settings.ftpPassive != 0);
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

std::string StalledServerText(const std::string& server)
{
    return FormatMessage(Msg::ServerStalled, {server, std::to_string(kStalledServerSeconds)});
}

std::string PublishResultText(PublishOutcome outcome, size_t sent, const UploadList& list,
                              const ServerSettings& settings)
{
    const std::string& server = settings.UsesFtp() ? settings.ftpServer : settings.cgiPath;
    if (outcome == PublishOutcome::Cancelled)
        return FormatMessage(Msg::PublishStopped, {std::to_string(sent), std::to_string(CountMarked(list))});
    if (outcome != PublishOutcome::Done)
        return {};
    return sent == 1 ? FormatMessage(Msg::OneFileSent, {server})
                     : FormatMessage(Msg::FilesSent, {std::to_string(sent), server});
}

bool DeleteRemoteFile(const ServerSettings& settings, const std::string& remotePath)
{
    if (!settings.UsesFtp()) {
        std::error_code ec;
        fs::remove(SlashPath(remotePath), ec);
        return !ec && !fs::exists(SlashPath(remotePath), ec);
    }
    auto connection = FtpConnection::Open({settings.ftpServer, settings.ftpUser, settings.ftpPassword,
                                           settings.ftpPassive != 0, IsWindowsServer(settings.serverType)});
    return connection && connection->DeleteFile(remotePath);
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
