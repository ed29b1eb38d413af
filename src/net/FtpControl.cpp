#include "net/FtpControl.h"

namespace quillet {

namespace {

// A line break inside an argument would smuggle a second command onto the connection.
bool IsSafeArgument(const std::string& text)
{
    return text.find_first_of("\r\n") == std::string::npos;
}

} // namespace

LineSession FtpControlLogin(const std::string& host, const std::string& user, const std::string& password)
{
    if (host.empty() || !IsSafeArgument(user) || !IsSafeArgument(password))
        return LineSession();
    LineSession session(NetConnect(host, "ftp", "tcp"));
    if (!session.Connected() || session.ReadReply() != 220 || session.Command("USER " + user) != 331 ||
        session.Command("PASS " + password) != 230) {
        session.Close();
    }
    return session;
}

int FtpSiteChmod(LineSession& session, const std::string& permission, const std::string& path)
{
    if (!IsSafeArgument(permission) || !IsSafeArgument(path))
        return -1;
    int code = session.Command("SITE chmod " + permission + " " + path);
    return code == 200 || code == 250 ? 0 : -1;
}

void FtpQuit(LineSession& session)
{
    session.Send("QUIT");
    session.Close();
}

} // namespace quillet
