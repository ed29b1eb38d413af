#include "db/AdminRequests.h"

#include "db/CreateTable.h"
#include "net/Cancel.h"
#include "net/CurlTransfer.h"
#include "net/Publisher.h"
#include "project/DataSource.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/Project.h"
#include "project/Prompter.h"
#include "project/UploadList.h"
#include "project/WebText.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace quillet {

namespace {

size_t AppendChunk(char* data, size_t size, size_t count, void* userData)
{
    static_cast<std::string*>(userData)->append(data, size * count);
    return size * count;
}

bool IsWebAddress(const std::string& url)
{
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parts(curl_url(), &curl_url_cleanup);
    char* scheme = nullptr;
    if (!parts || curl_url_set(parts.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
        curl_url_get(parts.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK)
        return false;
    std::string name = scheme;
    curl_free(scheme);
    return name == "http" || name == "https";
}

int AskCallback(void* keepGoing, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const KeepGoing& ask = *static_cast<const KeepGoing*>(keepGoing);
    return ask && !ask() ? 1 : 0;
}

std::string TrimRight(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || (text.back() >= '\t' && text.back() <= '\r')))
        text.pop_back();
    return text;
}

std::string DatabaseLabel(const DataSource& dataSource)
{
    return dataSource.database.empty() ? dataSource.name : dataSource.database;
}

std::string JoinTables(const std::vector<TableSyncReport::Table>& tables)
{
    if (tables.empty())
        return std::string(MessageText(Msg::NoneListed));
    std::string text;
    for (const TableSyncReport::Table& table : tables)
        text += (text.empty() ? "" : ", ") + table.name + " (" + table.database + ")";
    return text;
}

struct AdminTarget {
    std::string url;
    std::string secret;
};

// Create, and on the user's word drop and create again; false stops the sequence.
bool CreateOneTable(const AdminTarget& target, const std::string& prefix, const TableDef& table, SqlDialect dialect,
                    Prompter& prompter, const KeepGoing& keepGoing)
{
    std::string createBody = AdminBody(prefix, BuildCreateTable(table, dialect), target.secret);
    int result = PostAdminRequest(target.url, createBody, true, prompter, keepGoing);
    if (result != 1)
        return result == 0;
    if (PostAdminRequest(target.url, AdminBody(prefix, BuildDropTable(table), target.secret), false, prompter,
                         keepGoing) != 0)
        return false;
    return PostAdminRequest(target.url, createBody, false, prompter, keepGoing) == 0;
}

} // namespace

std::string AdminBodyPrefix(const DataSource& dataSource)
{
    return "driver=" + UrlEncode(dataSource.driver) + "&database=" + UrlEncode(dataSource.database) +
           "&host=" + UrlEncode(dataSource.host) + "&port=" + std::to_string(dataSource.port) +
           "&user=" + UrlEncode(dataSource.user) + "&passwd=" + UrlEncode(dataSource.password);
}

std::string AdminBody(const std::string& prefix, const std::string& statement, const std::string& secret)
{
    return prefix + "&sqlstr=" + UrlEncode(statement) + (secret.empty() ? "" : "&secret=" + secret);
}

int HttpPostForm(const std::string& url, const std::string& body, std::string& answer, Prompter& prompter,
                 const KeepGoing& keepGoing)
{
    answer.clear();
    if (!IsWebAddress(url)) {
        prompter.Show(std::string(MessageText(Msg::InvalidAdminUrl)));
        return -1;
    }
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl)
        return 0;
    // Without this header curl would wait for a "100 Continue" before larger bodies.
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(curl_slist_append(nullptr, "Expect:"),
                                                                        &curl_slist_free_all);
    std::string received;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, "Quillet/" QUILLET_VERSION);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    SetStallTimeouts(curl.get());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &AppendChunk);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &AskCallback);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &keepGoing);
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(), &curl_multi_cleanup);
    CURLcode result = multi ? RunTransfer(multi.get(), curl.get()) : CURLE_FAILED_INIT;
    if (result == CURLE_ABORTED_BY_CALLBACK)
        return kRequestCancelled;
    if (result == CURLE_OPERATION_TIMEDOUT) {
        answer = FormatMessage(Msg::ServerStalled, {url, std::to_string(kStalledServerSeconds)});
        return 0;
    }
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    std::erase(received, '\n');
    answer = std::move(received);
    return static_cast<int>(status);
}

int PostAdminRequest(const std::string& url, const std::string& body, bool askDrop, Prompter& prompter,
                     const KeepGoing& keepGoing)
{
    std::string answer;
    int status = HttpPostForm(url, body, answer, prompter, keepGoing);
    if (status == kRequestCancelled)
        return -1;
    if (status == 403) {
        prompter.Show(FormatMessage(Msg::AdminScriptRefused, {url}));
        return -1;
    }
    if (status != 200) {
        prompter.Show(FormatMessage(Msg::CantOpenUrl, {url, answer}));
        return -1;
    }
    answer = TrimRight(std::move(answer));
    if (answer.empty())
        return 0;
    if (askDrop)
        return prompter.AskYesNo(FormatMessage(Msg::DbAdminDropQuestion, {answer})) ? 1 : -1;
    prompter.Show(FormatMessage(Msg::DbAdminError, {answer}));
    return -1;
}

UploadList AdminUploadList(const Project& project, const PathContext& context, Prompter& prompter)
{
    UploadList list;
    static const Form kNoForm;
    const Form* form = project.CurrentForm();
    BuildUploadList(list, context, project.settings, form ? *form : kNoForm, static_cast<unsigned>(UploadKind::DbAdmin),
                    false, prompter);
    return list;
}

TableSyncReport CreateTablesOnServer(const Project& project, Prompter& prompter, const KeepGoing& keepGoing)
{
    TableSyncReport report;
    AdminTarget target{AdminEndpointUrl(project.settings), {}};
    target.secret = AdminSecrets().Find(target.url);
    bool stopped = false;
    for (const DataSource& dataSource : project.dataSources) {
        std::string prefix = AdminBodyPrefix(dataSource);
        SqlDialect dialect = DialectOfDriver(dataSource.driver);
        for (const TableDef& table : dataSource.tables) {
            TableSyncReport::Table done{DatabaseLabel(dataSource), table.name};
            if (!stopped && CreateOneTable(target, prefix, table, dialect, prompter, keepGoing)) {
                report.created.push_back(std::move(done));
                continue;
            }
            if (!stopped)
                report.cancelled = CancelRequested() || (keepGoing && !keepGoing());
            stopped = true;
            report.notCreated.push_back(std::move(done));
        }
    }
    return report;
}

std::string TableSyncSummary(const TableSyncReport& report)
{
    if (!report.AllCreated())
        return FormatMessage(Msg::TablesStopped, {JoinTables(report.created), JoinTables(report.notCreated)});
    std::string text;
    for (size_t i = 0; i < report.created.size();) {
        size_t count = 0;
        const std::string& database = report.created[i].database;
        for (; i < report.created.size() && report.created[i].database == database; ++i)
            ++count;
        text += (text.empty() ? "" : "\r\n") +
                (count == 1 ? FormatMessage(Msg::OneTableCreated, {database})
                            : FormatMessage(Msg::TablesCreated, {std::to_string(count), database}));
    }
    return text;
}

bool RemoveAdminScript(const ServerSettings& settings, Prompter& prompter, AdminScriptRemoval removal)
{
    if (removal == AdminScriptRemoval::Keep ||
        (removal == AdminScriptRemoval::Ask && !prompter.AskYesNo(std::string(MessageText(Msg::DeleteAdminScript)))))
        return false;
    std::string remotePath = AdminScriptRemotePath(settings);
    if (!DeleteRemoteFile(settings, remotePath)) {
        prompter.Show(FormatMessage(Msg::CantDeleteAdminScript, {remotePath}));
        return false;
    }
    AdminSecrets().Forget(AdminEndpointUrl(settings));
    return true;
}

bool SyncTablesToServer(const Project& project, const PathContext& context, Prompter& prompter,
                        const AdminUploadStep& uploadStep, const KeepGoing& keepGoing, AdminScriptRemoval removal)
{
    UploadList list = AdminUploadList(project, context, prompter);
    if (!list.empty() && uploadStep)
        uploadStep(list);
    if (!CreateTablesOnServer(project, prompter, keepGoing).AllCreated())
        return false;
    RemoveAdminScript(project.settings, prompter, removal);
    return true;
}

} // namespace quillet
