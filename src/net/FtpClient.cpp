#include "net/FtpClient.h"

#include "net/CurlTransfer.h"
#include "net/FtpListing.h"
#include "net/NetSocket.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {

constexpr int kStoreAttempts = 3;

struct ReadCursor {
    std::string_view bytes;
    size_t offset = 0;
};

size_t ReadChunk(char* buffer, size_t size, size_t count, void* userData)
{
    auto* cursor = static_cast<ReadCursor*>(userData);
    size_t n = std::min(size * count, cursor->bytes.size() - cursor->offset);
    std::memcpy(buffer, cursor->bytes.data() + cursor->offset, n);
    cursor->offset += n;
    return n;
}

size_t AppendChunk(char* data, size_t size, size_t count, void* userData)
{
    static_cast<std::string*>(userData)->append(data, size * count);
    return size * count;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Each folder name is percent-encoded so that blanks, "#" or "?" in it reach the server unchanged.
std::string EncodePathComponent(std::string_view part)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : part) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

} // namespace

struct FtpConnection::Handle {
    CURLM* multi = nullptr;
    CURL* curl = nullptr;
    ~Handle()
    {
        if (curl)
            curl_easy_cleanup(curl);
        if (multi)
            curl_multi_cleanup(multi);
    }

    CURLcode Run() { return RunTransfer(multi, curl); }
};

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

FtpConnection::FtpConnection(const FtpLogin& login) : m_login(login), m_handle(std::make_unique<Handle>()) {}

FtpConnection::~FtpConnection() = default;

std::unique_ptr<FtpConnection> FtpConnection::Open(const FtpLogin& login, bool* timedOut)
{
    if (login.host.empty() || login.user.empty() || HasLineBreak(login.user) || HasLineBreak(login.password))
        return nullptr;
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        return nullptr;
    std::unique_ptr<FtpConnection> connection(new FtpConnection(login));
    connection->m_handle->multi = curl_multi_init();
    connection->m_handle->curl = curl_easy_init();
    if (!connection->m_handle->multi || !connection->m_handle->curl ||
        !connection->Perform(connection->Url("/"), {}, true)) {
        if (timedOut)
            *timedOut = connection->m_timedOut;
        return nullptr;
    }
    char* entry = nullptr;
    if (curl_easy_getinfo(connection->m_handle->curl, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry &&
        *entry == '/')
        connection->m_loginFolder = entry;
    return connection;
}

std::string FtpConnection::AbsolutePath(std::string_view path) const
{
    std::string slashed = SlashPath(path);
    if (!slashed.empty() && slashed.front() == '/')
        return slashed;
    std::string base = m_loginFolder;
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + slashed;
}

std::string FtpConnection::Url(std::string_view path) const
{
    HostPort address = SplitHostPort(m_login.host, "21");
    std::string host = address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host;
    // "%2F" makes the first folder the server's root rather than the login folder.
    std::string url = "ftp://" + host + ":" + address.service + "/%2F";
    std::string absolute = AbsolutePath(path);
    size_t start = 1;
    while (start <= absolute.size()) {
        size_t end = std::min(absolute.find('/', start), absolute.size());
        if (start > 1)
            url += '/';
        url += EncodePathComponent(std::string_view(absolute).substr(start, end - start));
        start = end + 1;
    }
    return url;
}

int FtpConnection::OnProgress(void* self, int64_t total, int64_t now, int64_t upTotal, int64_t upNow)
{
    auto* connection = static_cast<FtpConnection*>(self);
    if (!connection->m_progress)
        return 0;
    bool goOn = upTotal > 0 ? connection->m_progress(static_cast<uint64_t>(upNow), static_cast<uint64_t>(upTotal))
                            : connection->m_progress(static_cast<uint64_t>(now), static_cast<uint64_t>(total));
    connection->m_cancelled = connection->m_cancelled || !goOn;
    return goOn ? 0 : 1;
}

bool FtpConnection::Perform(const std::string& url, const std::vector<std::string>& quote, bool noBody,
                            std::string* received)
{
    std::string discarded;
    CURL* curl = m_handle->curl;
    curl_slist* commands = nullptr;
    for (const std::string& command : quote)
        commands = curl_slist_append(commands, command.c_str());
    SetCommonOptions(url);
    curl_easy_setopt(curl, CURLOPT_NOBODY, noBody ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_QUOTE, commands);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendChunk);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, received ? received : &discarded);
    CURLcode result = m_handle->Run();
    long reply = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply);
    curl_easy_reset(curl);
    curl_slist_free_all(commands);
    if (result == CURLE_OK)
        return true;
    m_cancelled = m_cancelled || result == CURLE_ABORTED_BY_CALLBACK;
    m_timedOut = result == CURLE_OPERATION_TIMEDOUT;
    m_lastError = reply >= 400 ? static_cast<unsigned long>(reply) : static_cast<unsigned long>(result);
    return false;
}

void FtpConnection::SetCommonOptions(const std::string& url)
{
    CURL* curl = m_handle->curl;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_login.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_login.password.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    SetStallTimeouts(curl);
    curl_easy_setopt(curl, CURLOPT_FTPPORT, m_login.passive ? nullptr : "-");
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &FtpConnection::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
}

bool FtpConnection::RunCommands(const std::vector<std::string>& commands)
{
    if (std::any_of(commands.begin(), commands.end(), [](const std::string& c) { return HasLineBreak(c); }))
        return false;
    return Perform(Url("/"), commands, true);
}

bool FtpConnection::StoreOnce(const std::string& url, std::string_view bytes, bool append)
{
    CURL* curl = m_handle->curl;
    ReadCursor cursor{bytes, 0};
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_APPEND, append ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadChunk);
    curl_easy_setopt(curl, CURLOPT_READDATA, &cursor);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
    curl_easy_setopt(curl, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
    return Perform(url, {}, false);
}

bool FtpConnection::Put(const std::string& path, std::string_view bytes, TransferType type)
{
    std::string target = AbsolutePath(path);
    if (RemoteBaseName(target).empty() || HasLineBreak(target))
        return false;
    // Many Unix servers store ASCII uploads as they come; a CR left after
    // "#!/usr/bin/perl" would stop the script from running.
    std::string text;
    if (type == TransferType::Ascii)
        text = m_login.windowsServer ? ToNetworkText(bytes) : FromNetworkText(bytes);
    std::string_view payload = type == TransferType::Ascii ? std::string_view(text) : bytes;
    for (int attempt = 0; attempt < kStoreAttempts && !m_cancelled && !m_timedOut; ++attempt) {
        if (type == TransferType::Ascii)
            curl_easy_setopt(m_handle->curl, CURLOPT_TRANSFERTEXT, 1L);
        if (StoreOnce(Url(target), payload, false))
            return true;
    }
    return false;
}

bool FtpConnection::CreateIfMissing(const std::string& path)
{
    std::string target = AbsolutePath(path);
    return !RemoteBaseName(target).empty() && !HasLineBreak(target) && StoreOnce(Url(target), {}, true);
}

bool FtpConnection::SetMode(const std::string& path, const std::string& mode)
{
    return IsModeText(mode) && RunCommands({"SITE CHMOD " + mode + " " + AbsolutePath(path)});
}

bool FtpConnection::Replace(const std::string& from, const std::string& to)
{
    std::vector<std::string> commands;
    if (m_login.windowsServer)
        commands.push_back("*DELE " + AbsolutePath(to));
    commands.push_back("RNFR " + AbsolutePath(from));
    commands.push_back("RNTO " + AbsolutePath(to));
    return RunCommands(commands);
}

bool FtpConnection::ListNames(const std::string& folder, std::vector<std::string>& names)
{
    std::string listing;
    names.clear();
    if (!List(folder, listing))
        return false;
    for (const RemoteItem& item : ParseFtpListing(listing))
        names.push_back(item.name);
    return true;
}

bool FtpConnection::Fetch(const std::string& remotePath, std::string& bytes, TransferType type)
{
    std::string received;
    if (type == TransferType::Ascii)
        curl_easy_setopt(m_handle->curl, CURLOPT_TRANSFERTEXT, 1L);
    if (HasLineBreak(remotePath) || !Perform(Url(remotePath), {}, false, &received))
        return false;
    bytes = type == TransferType::Ascii ? FromNetworkText(received) : std::move(received);
    return true;
}

bool FtpConnection::IsFolder(const std::string& path)
{
    std::string absolute = AbsolutePath(path);
    return !HasLineBreak(absolute) && Perform(Url(absolute) + (absolute == "/" ? "" : "/"), {}, true);
}

bool FtpConnection::List(const std::string& folder, std::string& listing)
{
    std::string absolute = AbsolutePath(folder);
    if (HasLineBreak(absolute))
        return false;
    std::string url = Url(absolute) + (absolute == "/" ? "" : "/");
    for (const char* command : {"MLSD", "LIST"}) {
        listing.clear();
        curl_easy_setopt(m_handle->curl, CURLOPT_CUSTOMREQUEST, command);
        if (Perform(url, {}, false, &listing))
            return true;
    }
    return false;
}

bool FtpConnection::MakeFolder(const std::string& path)
{
    return RunCommands({"MKD " + AbsolutePath(path)});
}

bool FtpConnection::RemoveFolder(const std::string& path)
{
    return RunCommands({"RMD " + AbsolutePath(path)});
}

bool FtpConnection::DeleteFile(const std::string& path)
{
    return RunCommands({"DELE " + AbsolutePath(path)});
}

bool FtpConnection::Rename(const std::string& from, const std::string& to)
{
    return RunCommands({"RNFR " + AbsolutePath(from), "RNTO " + AbsolutePath(to)});
}

} // namespace quillet
