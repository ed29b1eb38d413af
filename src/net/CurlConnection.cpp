#include "net/CurlConnection.h"

#include "net/CurlTransfer.h"
#include "net/FtpListing.h"
#include "net/NetSocket.h"

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
    // An empty upload may have no bytes at all to point at.
    if (n > 0)
        std::memcpy(buffer, cursor->bytes.data() + cursor->offset, n);
    cursor->offset += n;
    return n;
}

size_t AppendChunk(char* data, size_t size, size_t count, void* userData)
{
    static_cast<std::string*>(userData)->append(data, size * count);
    return size * count;
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

struct CurlConnection::Handle {
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

CurlConnection::CurlConnection(const RemoteLogin& login) : m_login(login), m_handle(std::make_unique<Handle>()) {}

CurlConnection::~CurlConnection() = default;

bool CurlConnection::Connect()
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised || m_login.host.empty() || m_login.user.empty() || Fails(m_login.user) || Fails(m_login.password))
        return false;
    m_handle->multi = curl_multi_init();
    m_handle->curl = curl_easy_init();
    if (!m_handle->multi || !m_handle->curl || !Perform(Url("/"), {}, true))
        return false;
    char* entry = nullptr;
    if (curl_easy_getinfo(m_handle->curl, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry && *entry == '/')
        m_loginFolder = entry;
    return true;
}

bool CurlConnection::Fails(const std::string& text) const
{
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string CurlConnection::AbsolutePath(std::string_view path) const
{
    std::string slashed = SlashPath(path);
    if (!slashed.empty() && slashed.front() == '/')
        return slashed;
    std::string base = m_loginFolder;
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + slashed;
}

std::string CurlConnection::Url(std::string_view path) const
{
    HostPort address = SplitHostPort(m_login.host, DefaultPort());
    std::string host = address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host;
    std::string url = std::string(Scheme()) + "://" + host + ":" + address.service + std::string(RootInUrl());
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

std::string CurlConnection::FolderUrl(std::string_view path) const
{
    std::string absolute = AbsolutePath(path);
    return Url(absolute) + (absolute == "/" ? "" : "/");
}

int CurlConnection::OnProgress(void* self, int64_t total, int64_t now, int64_t upTotal, int64_t upNow)
{
    auto* connection = static_cast<CurlConnection*>(self);
    if (!connection->m_progress)
        return 0;
    bool goOn = upTotal > 0 ? connection->m_progress(static_cast<uint64_t>(upNow), static_cast<uint64_t>(upTotal))
                            : connection->m_progress(static_cast<uint64_t>(now), static_cast<uint64_t>(total));
    connection->m_cancelled = connection->m_cancelled || !goOn;
    return goOn ? 0 : 1;
}

bool CurlConnection::Perform(const std::string& url, const std::vector<std::string>& quote, bool noBody,
                             std::string* received, const std::function<void(CURL*)>& extra)
{
    std::string discarded;
    CURL* curl = m_handle->curl;
    curl_slist* commands = nullptr;
    for (const std::string& command : quote)
        commands = curl_slist_append(commands, command.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_login.user.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    SetStallTimeouts(curl);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CurlConnection::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    SetProtocolOptions(curl);
    curl_easy_setopt(curl, CURLOPT_NOBODY, noBody ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_QUOTE, commands);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendChunk);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, received ? received : &discarded);
    if (extra)
        extra(curl);
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

bool CurlConnection::RunCommands(const std::vector<std::string>& commands, std::string_view near)
{
    if (std::any_of(commands.begin(), commands.end(), [this](const std::string& c) { return Fails(c); }))
        return false;
    std::string folder = AbsolutePath(near);
    folder.resize(folder.rfind('/'));
    return Perform(FolderUrl(folder.empty() ? "/" : folder), commands, true);
}

bool CurlConnection::Upload(const std::string& url, std::string_view bytes, bool append, bool oneCwd)
{
    ReadCursor cursor{bytes, 0};
    return Perform(url, {}, false, nullptr, [&](CURL* curl) {
        curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD,
                         static_cast<long>(oneCwd ? CURLFTPMETHOD_SINGLECWD : CURLFTPMETHOD_MULTICWD));
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_APPEND, append ? 1L : 0L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadChunk);
        curl_easy_setopt(curl, CURLOPT_READDATA, &cursor);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
        curl_easy_setopt(curl, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
        curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, TextMode() && !append ? 1L : 0L);
    });
}

bool CurlConnection::Put(const std::string& path, std::string_view bytes, TransferType type)
{
    std::string target = AbsolutePath(path);
    if (RemoteBaseName(target).empty() || Fails(target))
        return false;
    // Many Unix servers store ASCII uploads as they come; a CR left after
    // "#!/usr/bin/perl" would stop the script from running.
    std::string text;
    if (type == TransferType::Ascii)
        text = m_login.windowsServer ? ToNetworkText(bytes) : FromNetworkText(bytes);
    std::string_view payload = type == TransferType::Ascii ? std::string_view(text) : bytes;
    // The first attempt reaches the folder in one step; the others create what is missing on the way.
    for (int attempt = 0; attempt < kStoreAttempts && !m_cancelled && !m_timedOut; ++attempt)
        if (Upload(Url(target), payload, false, attempt == 0))
            return true;
    return false;
}

bool CurlConnection::CreateIfMissing(const std::string& path)
{
    std::string target = AbsolutePath(path);
    if (RemoteBaseName(target).empty() || Fails(target))
        return false;
    return Upload(Url(target), {}, true, true) || (!m_cancelled && !m_timedOut && Upload(Url(target), {}, true, false));
}

bool CurlConnection::ListNames(const std::string& folder, std::vector<std::string>& names)
{
    std::string listing;
    names.clear();
    if (!List(folder, listing))
        return false;
    for (const RemoteItem& item : ParseFtpListing(listing))
        names.push_back(item.name);
    return true;
}

bool CurlConnection::Fetch(const std::string& remotePath, std::string& bytes, TransferType type)
{
    std::string received;
    bool text = type == TransferType::Ascii;
    if (Fails(remotePath) || !Perform(Url(remotePath), {}, false, &received, [&](CURL* curl) {
            curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, text && TextMode() ? 1L : 0L);
        }))
        return false;
    bytes = text ? FromNetworkText(received) : std::move(received);
    return true;
}

} // namespace quillet
