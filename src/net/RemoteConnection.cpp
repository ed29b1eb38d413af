#include "net/RemoteConnection.h"

#include "net/FtpClient.h"
#include "net/NetSocket.h"
#include "net/ServerTrust.h"
#include "net/SftpClient.h"
#include "project/Messages.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"

namespace quillet {

RemoteLogin LoginFor(const ServerSettings& settings)
{
    RemoteLogin login;
    login.protocol = ProtocolOf(settings.uploadMethod).value_or(RemoteProtocol::Ftp);
    login.host = settings.ftpServer;
    login.user = settings.ftpUser;
    login.password = settings.ftpPassword;
    login.passive = settings.ftpPassive != 0;
    login.windowsServer = IsWindowsServer(settings.serverType);
    if (login.protocol == RemoteProtocol::Sftp)
        login.keyFile = SshKeyFor(login.user, login.host).value_or("");
    return login;
}

namespace {

std::unique_ptr<RemoteConnection> OpenFtps(const RemoteLogin& login, Prompter& prompter, ConnectResult& result)
{
    CertificateInfo info;
    if (!ProbeFtpsCertificate(login.host, info, result)) {
        if (result == ConnectResult::Declined && !CancelRequested())
            prompter.Show(FormatMessage(Msg::FtpsNotOffered, {login.host}));
        return nullptr;
    }
    HostPort address = SplitHostPort(login.host, "21");
    if (!CheckCertificate(address.host + ":" + address.service, info, prompter)) {
        result = ConnectResult::Declined;
        return nullptr;
    }
    return FtpConnection::Open(login, info.publicKeyPin, &result);
}

} // namespace

std::unique_ptr<RemoteConnection> OpenRemoteConnection(const RemoteLogin& login, Prompter& prompter,
                                                       ConnectResult* result)
{
    ConnectResult ignored;
    ConnectResult& outcome = result ? *result : ignored;
    outcome = ConnectResult::Failed;
    if (login.host.empty() || login.user.empty())
        return nullptr;
    switch (login.protocol) {
    case RemoteProtocol::Ftp:
        return FtpConnection::Open(login, "", &outcome);
    case RemoteProtocol::Ftps:
        return OpenFtps(login, prompter, outcome);
    case RemoteProtocol::Sftp:
        break;
    }
    HostKeyCheck check = [&prompter](const std::string& name, HostKeyMatch match, std::string_view key) {
        return AcceptHostKey(name, match, key, prompter);
    };
    return SftpConnection::Open(login, check, &outcome);
}

} // namespace quillet
