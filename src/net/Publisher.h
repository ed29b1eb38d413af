#pragma once

#include "net/RemoteConnection.h"
#include "project/UploadEntry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillet {

class Prompter;
struct ServerSettings;

// Stores the file at localPath as remotePath: over connection with a method
// that logs in (FTP, FTPS, SFTP), else by copying into the folder (creating missing folders). Either
// way the file appears under its final name only when it is complete
// (PutWholeFile). 1 on success, 0 on failure; with report, a failure is shown.
int PutRemoteFile(const std::string& method, RemoteConnection* connection, const std::string& remotePath,
                  const std::string& localPath, TransferType type, bool report, Prompter& prompter);

// Puts an empty placeholder at remotePath where no file is, in a way that can
// never cut a file that is there (PutPlaceholder): collected data must survive
// a publish. 1 or 0; a failure is shown.
int CreateRemoteEmptyFile(const std::string& method, RemoteConnection* connection, const std::string& remotePath,
                          Prompter& prompter);

// "Create a new Server-side file": the placeholder of CreateRemoteEmptyFile,
// except for a path that names a form field ("$FORM{"), which only exists
// when the script runs.
int CreateServerSideFile(const std::string& method, RemoteConnection* connection, const std::string& path,
                         Prompter& prompter);

// Deletes one file from the server the settings reach; true when it is gone.
bool DeleteRemoteFile(const ServerSettings& settings, const std::string& remotePath);

// The transfer type of an entry: ASCII for pages, scripts and modules,
// binary for data and images, templates by their binary mark.
TransferType TransferTypeOf(const UploadEntry& entry);

struct PublishProgress {
    size_t index = 0; // of the entry being sent, among those marked
    size_t count = 0;
    const UploadEntry* entry = nullptr;
    uint64_t bytesDone = 0;
    uint64_t bytesTotal = 0;
    bool starting = false; // the first call for this entry
};
// Called before each file and while it moves; returning false cancels the publish.
using PublishProgressFn = std::function<bool(const PublishProgress&)>;

enum class PublishOutcome {
    Done,             // every marked file sent and its permission set
    PermissionFailed, // a permission command refused (shown); that file stayed as it was
    ConnectionFailed, // nothing sent: the login failed (shown)
    TransferFailed,   // a file could not be sent (shown); the live one stayed as it was
    Cancelled,        // the user stopped it
};

// "Upload Now": first removes what an interrupted publish left behind, then
// sends every entry with the upload mark in list order, each given its
// permission before it replaces the live file, so the site works at every
// moment. Windows servers get no permission commands. The first failure ends
// the publish. sentCount receives the number of files that reached the server.
PublishOutcome UploadNow(const UploadList& list, const ServerSettings& settings, Prompter& prompter,
                         const PublishProgressFn& progress = {}, size_t* sentCount = nullptr);

// Marks the unmarked entries of kinds that the server does not have yet, so
// that a first publish sends the shared files a script needs. The server's
// folders are listed once each; when the server cannot be reached, every such
// entry is marked and the publish itself reports the connection.
void MarkMissingServerFiles(UploadList& list, const ServerSettings& settings, unsigned kinds);

// What a finished publish tells the user: the files sent, or how far a stopped
// one came. Empty for the failures, which showed their own message.
std::string PublishResultText(PublishOutcome outcome, size_t sent, const UploadList& list,
                              const ServerSettings& settings);
// Says why a login failed, unless the user knows already (ConnectResult::Declined).
void ReportConnectFailure(ConnectResult result, const std::string& server, Prompter& prompter);
// The message for a server that stopped answering.
std::string StalledServerText(const std::string& server);

// The "Publish" grid, one row per entry: "Upload?", "File Type", "Permission",
// "Local File", "Remote File".
struct PublishRow {
    std::string upload;
    std::string fileType;
    std::string permission;
    std::string localFile;
    std::string remoteFile;
};
std::vector<PublishRow> PublishRows(const UploadList& list);
// Sets each entry's upload mark from its "Upload?" cell: marked only when it reads exactly "Upload".
void ApplyUploadCells(UploadList& list, const std::vector<std::string>& uploadCells);

// "Print": the marked entries as "Local:" and "Remote:" lines, in the system's temporary folder.
std::string UploadPrintoutPath();
bool WriteUploadPrintout(const UploadList& list, const std::string& path);

} // namespace quillet
