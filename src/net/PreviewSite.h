#pragma once

#include "project/Project.h"

#include <string>
#include <sys/types.h>

namespace quillet {

class Prompter;

// A private copy of a project published by direct copy into a folder that a
// local lighttpd serves on 127.0.0.1, so that the form can be tried without a
// server of one's own. The user's files are never written: the build works on a
// copy of the project folder.
class PreviewSite {
public:
    PreviewSite(std::string folder, int port) : m_folder(std::move(folder)), m_port(port) {}
    ~PreviewSite();
    PreviewSite(const PreviewSite&) = delete;
    PreviewSite& operator=(const PreviewSite&) = delete;

    // Starts a mail catcher on 127.0.0.1 that keeps what the form sends in the
    // site's "mail" folder; Prepare then points every mail action at it. False
    // when Python's aiosmtpd is not at hand: mail actions then keep their servers.
    bool StartMailSink();
    std::string MailFolder() const { return m_folder + "/mail"; }
    // Copies the project folder and points the copy's server settings at the site.
    bool Prepare(const Project& project, const std::string& projectFile, Prompter& prompter);
    // Builds the copy's script and publishes everything by direct copy.
    bool BuildAndPublish(Prompter& prompter);
    // Starts lighttpd on the site; false (shown) when it cannot.
    bool StartServer(Prompter& prompter);
    // Creates the designed tables through the deployed administration script.
    bool CreateTables(Prompter& prompter);
    void StopServer();
    // True while the server process lives.
    bool ServerRunning();

    std::string PageUrl() const;
    const std::string& Folder() const { return m_folder; }
    std::string DocumentRoot() const { return m_folder + "/www"; }
    const Project& SiteProject() const { return m_project; }

    // The first lighttpd on the search path or in /usr/sbin; empty when none.
    static std::string FindLighttpd();
    // A loopback port that was free a moment ago.
    static int FreePort();

private:
    std::string m_folder;
    int m_port;
    Project m_project;
    std::string m_projectFile;
    pid_t m_server = -1;
    pid_t m_mailSink = -1;
    int m_mailPort = 0;
};

} // namespace quillet
