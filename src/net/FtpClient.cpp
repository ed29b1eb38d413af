#include "net/FtpClient.h"

#include "net/LineSession.h"

namespace quillet {

bool ProbeFtpsCertificate(const std::string& host, CertificateInfo& info, ConnectResult& result)
{
    result = ConnectResult::Failed;
    LineSession session(NetConnect(host, "ftp", "tcp"));
    if (!session.Connected() || session.ReadReply() != 220) {
        result = session.Connected() && session.LastReply().empty() ? ConnectResult::TimedOut : result;
        return false;
    }
    // RFC 4217 4: AUTH TLS is answered with 234 before the handshake.
    int code = session.Command("AUTH TLS");
    if (code != 234) {
        result = code == 0 ? ConnectResult::TimedOut : ConnectResult::Declined;
        return false;
    }
    if (!session.StartTls(SplitHostPort(host, "21").host, info))
        return false;
    session.Send("QUIT");
    result = ConnectResult::Connected;
    return true;
}

std::unique_ptr<FtpConnection> FtpConnection::Open(const RemoteLogin& login, const std::string& certificatePin,
                                                   ConnectResult* result)
{
    if (result)
        *result = ConnectResult::Failed;
    if (login.protocol == RemoteProtocol::Ftps && certificatePin.empty())
        return nullptr;
    std::unique_ptr<FtpConnection> connection(new FtpConnection(login));
    connection->m_pin = certificatePin;
    bool connected = connection->Connect();
    if (result)
        *result = connected                ? ConnectResult::Connected
                  : connection->m_timedOut ? ConnectResult::TimedOut
                                           : ConnectResult::Failed;
    return connected ? std::move(connection) : nullptr;
}

void FtpConnection::SetProtocolOptions(CURL* curl)
{
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_login.password.c_str());
    curl_easy_setopt(curl, CURLOPT_FTPPORT, m_login.passive ? nullptr : "-");
    if (m_login.protocol != RemoteProtocol::Ftps)
        return;
    // Never fall back to plain FTP. The certificate was judged before the
    // login, against the system's authorities or the user's word; every
    // connection of the session must show the same key.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_PINNEDPUBLICKEY, m_pin.c_str());
}

bool FtpConnection::SetMode(const std::string& path, const std::string& mode)
{
    return IsModeText(mode) && RunCommands({"SITE CHMOD " + mode + " " + AbsolutePath(path)}, path);
}

bool FtpConnection::Replace(const std::string& from, const std::string& to)
{
    std::vector<std::string> commands;
    if (m_login.windowsServer)
        commands.push_back("*DELE " + AbsolutePath(to));
    commands.push_back("RNFR " + AbsolutePath(from));
    commands.push_back("RNTO " + AbsolutePath(to));
    return RunCommands(commands, to);
}

bool FtpConnection::IsFolder(const std::string& path)
{
    return !Fails(path) && Perform(FolderUrl(path), {}, true);
}

bool FtpConnection::List(const std::string& folder, std::string& listing)
{
    if (Fails(folder))
        return false;
    for (const char* command : {"MLSD", "LIST"}) {
        listing.clear();
        if (Perform(FolderUrl(folder), {}, false, &listing,
                    [command](CURL* curl) { curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, command); }))
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
