#pragma once

#include "net/RemoteConnection.h"

#include <QString>
#include <string>

class QWidget;

namespace quillet {

class Prompter;

// The login fields of the "Web" tab; the remote dialog hands them back changed
// when the user connected elsewhere.
struct FtpFields {
    std::string host;
    std::string user;
    std::string password;
    bool passive = false;
    // The upload method: FTP, FTPS or SFTP.
    std::string method = "Using FTP";

    // Enough to log in: SFTP can do without a password (a key, the agent).
    bool Complete() const { return !host.empty() && !user.empty() && (!password.empty() || method == "Using SFTP"); }
    RemoteLogin Login() const;
};

// A folder on the server: the remote dialog over FTP, FTPS or SFTP, else the desktop's
// folder picker. The path comes back with "/" separators; false when none was chosen.
bool BrowseServerFolder(QWidget* parent, const std::string& uploadMethod, FtpFields& ftp, std::string& folder,
                        Prompter& prompter);
// mode 1 opens an existing file, 2 names one to create.
bool BrowseServerFile(QWidget* parent, int mode, const std::string& uploadMethod, FtpFields& ftp,
                      const std::string& filter, const std::string& initialPath, std::string& file, Prompter& prompter);

} // namespace quillet
