#include "net/SftpClient.h"

#include "net/NetSocket.h"
#include "net/PublishSteps.h"

namespace quillet {

std::unique_ptr<SftpConnection> SftpConnection::Open(const RemoteLogin& login, const HostKeyCheck& checkHostKey,
                                                     ConnectResult* result)
{
    std::unique_ptr<SftpConnection> connection(new SftpConnection(login));
    connection->m_checkHostKey = &checkHostKey;
    bool connected = connection->Connect();
    connection->m_checkHostKey = nullptr;
    if (result)
        *result = connected                      ? ConnectResult::Connected
                  : connection->m_hostKeyRefused ? ConnectResult::Declined
                  : connection->m_timedOut       ? ConnectResult::TimedOut
                                                 : ConnectResult::Failed;
    return connected ? std::move(connection) : nullptr;
}

int SftpConnection::OnHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* self)
{
    auto* connection = static_cast<SftpConnection*>(self);
    HostKeyMatch known = match == CURLKHMATCH_OK         ? HostKeyMatch::Known
                         : match == CURLKHMATCH_MISMATCH ? HostKeyMatch::Changed
                                                         : HostKeyMatch::Unknown;
    // libssh2 hands over the key as it came, never as base64.
    std::string_view key = found && found->len ? std::string_view(found->key, found->len) : std::string_view();
    HostPort address = SplitHostPort(connection->m_login.host, "22");
    std::string name = KnownHostsName(address.host, address.service);
    bool accepted = known == HostKeyMatch::Known ||
                    (connection->m_checkHostKey && !key.empty() && (*connection->m_checkHostKey)(name, known, key));
    connection->m_hostKeyRefused = !accepted;
    return accepted ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT;
}

void SftpConnection::SetProtocolOptions(CURL* curl)
{
    curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, KnownHostsPath().c_str());
    curl_easy_setopt(curl, CURLOPT_SSH_KEYFUNCTION, &SftpConnection::OnHostKey);
    curl_easy_setopt(curl, CURLOPT_SSH_KEYDATA, this);
    if (!m_login.keyFile.empty()) {
        // The password unlocks the key here and is never sent.
        curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PUBLICKEY));
        curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, m_login.keyFile.c_str());
        curl_easy_setopt(curl, CURLOPT_SSH_PUBLIC_KEYFILE, "");
        curl_easy_setopt(curl, CURLOPT_KEYPASSWD, m_login.password.c_str());
    } else if (!m_login.password.empty()) {
        curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES,
                         static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_login.password.c_str());
    } else {
        // No password: the keys the user's agent holds.
        curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_AGENT));
    }
}

std::string SftpConnection::Quoted(const std::string& path) const
{
    std::string out = "\"";
    for (char c : AbsolutePath(path)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

bool SftpConnection::SetMode(const std::string& path, const std::string& mode)
{
    return IsModeText(mode) && RunCommands({"chmod " + mode + " " + Quoted(path)});
}

bool SftpConnection::Replace(const std::string& from, const std::string& to)
{
    // Hidden and keeping its extension, so that the server never shows a
    // script's text while it stands aside, and a leftover the next publish removes.
    std::string backup = TemporaryUploadPath(TemporaryUploadPath(to));
    if (RunCommands({"*rm " + Quoted(backup), "*rename " + Quoted(to) + " " + Quoted(backup),
                     "rename " + Quoted(from) + " " + Quoted(to), "*rm " + Quoted(backup)}))
        return true;
    unsigned long error = m_lastError;
    if (!m_cancelled && !m_timedOut)
        RunCommands({"*rename " + Quoted(backup) + " " + Quoted(to)});
    m_lastError = error;
    return false;
}

bool SftpConnection::IsFolder(const std::string& path)
{
    std::string listing;
    return List(path, listing);
}

bool SftpConnection::List(const std::string& folder, std::string& listing)
{
    listing.clear();
    return !Fails(folder) && Perform(FolderUrl(folder), {}, false, &listing);
}

bool SftpConnection::MakeFolder(const std::string& path)
{
    return RunCommands({"mkdir " + Quoted(path)});
}

bool SftpConnection::RemoveFolder(const std::string& path)
{
    return RunCommands({"rmdir " + Quoted(path)});
}

bool SftpConnection::DeleteFile(const std::string& path)
{
    return RunCommands({"rm " + Quoted(path)});
}

bool SftpConnection::Rename(const std::string& from, const std::string& to)
{
    return RunCommands({"rename " + Quoted(from) + " " + Quoted(to)});
}

} // namespace quillet
