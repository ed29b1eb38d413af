#pragma once

#include "db/AdminScript.h"
#include "project/UploadEntry.h"

#include <functional>
#include <string>
#include <vector>

namespace quillet {

class Prompter;
struct DataSource;
struct PathContext;
struct Project;
struct ServerSettings;

// "driver=...&database=...&host=...&port=N&user=...&passwd=...", every value
// but the port URL-encoded; each statement follows as "&sqlstr=...", then the
// script's secret as "&secret=...".
std::string AdminBodyPrefix(const DataSource& dataSource);
std::string AdminBody(const std::string& prefix, const std::string& statement, const std::string& secret = {});

// Asked now and then while a request waits; false cancels it.
using KeepGoing = std::function<bool()>;

constexpr int kRequestCancelled = -2;

// POSTs body to url (http or https) and gives back the answer with its line
// feeds dropped. Returns the HTTP status, 0 when no status was read, -1 (after
// showing why) when the URL is not a web address, kRequestCancelled when
// keepGoing said no.
int HttpPostForm(const std::string& url, const std::string& body, std::string& answer, Prompter& prompter,
                 const KeepGoing& keepGoing = {});

// 0 when the statement succeeded; 1 when it failed and the user chose to drop
// and create the table again (only offered with askDrop); -1 otherwise. A
// cancelled request shows nothing; one the script refuses for its secret says
// that a fresh copy must be uploaded.
int PostAdminRequest(const std::string& url, const std::string& body, bool askDrop, Prompter& prompter,
                     const KeepGoing& keepGoing = {});

// The administration script written out of the program and listed, marked,
// for the server's CGI folder.
UploadList AdminUploadList(const Project& project, const PathContext& context, Prompter& prompter);

// What a table creation did, database by database in project order.
struct TableSyncReport {
    struct Table {
        std::string database;
        std::string name;
    };
    std::vector<Table> created;
    std::vector<Table> notCreated;
    bool cancelled = false;
    bool AllCreated() const { return notCreated.empty(); }
};

// Creates every table of every data source on the server through the
// administration script, with the secret kept for it, offering to drop and
// re-create a table the database refuses. Stops at the first failure or a
// stop request; tables made before it stay.
TableSyncReport CreateTablesOnServer(const Project& project, Prompter& prompter, const KeepGoing& keepGoing = {});
// "3 tables created on guestdb", one line per database, when every table was
// made; else which tables were and were not created.
std::string TableSyncSummary(const TableSyncReport& report);

// Shows the upload list of the administration script so that the user can
// deploy it first; what the user chooses there does not stop the sequence.
using AdminUploadStep = std::function<void(UploadList& list)>;

// What becomes of the administration script once the tables stand: a script
// left on the server is one more door, so the default is to offer to delete it.
enum class AdminScriptRemoval { Ask, Remove, Keep };

// Deletes the script from the server as removal says, and forgets its secret
// with it; a failed deletion is shown. True when the script is gone.
bool RemoveAdminScript(const ServerSettings& settings, Prompter& prompter, AdminScriptRemoval removal);

// The upload step, then CreateTablesOnServer, then RemoveAdminScript when
// every table was created. True when every table was created.
bool SyncTablesToServer(const Project& project, const PathContext& context, Prompter& prompter,
                        const AdminUploadStep& uploadStep, const KeepGoing& keepGoing = {},
                        AdminScriptRemoval removal = AdminScriptRemoval::Ask);

} // namespace quillet
