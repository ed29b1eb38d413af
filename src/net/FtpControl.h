#pragma once

#include "net/LineSession.h"

#include <string>

namespace quillet {

// The FTP control dialogue that the transfer library cannot carry: SITE chmod
// after the files are in place.

// Connects to host (which may carry ":port") at the "ftp" service and logs in:
// the greeting must be 220, USER must be answered with 331 and PASS with 230
// (RFC 959 5.4); a server that lets the user in without a password is refused.
// Anything else closes the connection; the session is then not connected.
LineSession FtpControlLogin(const std::string& host, const std::string& user, const std::string& password);

// "SITE chmod PERMISSION PATH": 0 when the server answers 200 or 250, else -1.
int FtpSiteChmod(LineSession& session, const std::string& permission, const std::string& path);

// Sends QUIT and closes without waiting for the answer.
void FtpQuit(LineSession& session);

} // namespace quillet
