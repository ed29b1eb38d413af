#include "net/PreviewSite.h"

#include "db/AdminRequests.h"
#include "generator/Build.h"
#include "generator/ScriptGenerator.h"
#include "net/Publisher.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/UploadList.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quillet {

namespace {

// Enough for a site's pages, templates and data; a project kept in a home or
// source folder would otherwise be copied whole.
constexpr uintmax_t kMaxCopyBytes = 200ull * 1024 * 1024;
constexpr size_t kMaxCopyFiles = 5000;

bool CopyProjectFolder(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    uintmax_t bytes = 0;
    size_t files = 0;
    fs::create_directories(to, ec);
    for (auto it = fs::recursive_directory_iterator(from, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.filename().string().starts_with(".")) {
            if (it->is_directory(ec))
                it.disable_recursion_pending();
            continue;
        }
        fs::path target = to / fs::relative(path, from, ec);
        if (it->is_directory(ec)) {
            fs::create_directories(target, ec);
        } else if (it->is_regular_file(ec)) {
            bytes += it->file_size(ec);
            if (++files > kMaxCopyFiles || bytes > kMaxCopyBytes)
                return false;
            fs::copy_file(path, target, fs::copy_options::overwrite_existing, ec);
        }
    }
    return true;
}

// A page named by an absolute path outside the project folder is copied in, so
// that preparing its form tag never touches the user's own file.
void RebasePages(Form& form, const fs::path& from, const fs::path& to)
{
    if (!form.pageFile.empty() && IsAbsolutePath(form.pageFile)) {
        fs::path page(form.pageFile);
        std::error_code ec;
        fs::path relative = fs::relative(page, from, ec);
        if (!ec && !relative.empty() && !relative.string().starts_with("..")) {
            form.pageFile = (to / relative).string();
        } else {
            fs::path copy = to / ".pages" / page.filename();
            fs::create_directories(copy.parent_path(), ec);
            fs::copy_file(page, copy, fs::copy_options::overwrite_existing, ec);
            form.pageFile = copy.string();
        }
    }
    for (Handler& handler : form.handlers)
        for (Action& action : handler.actions)
            if (action.type == ActionType::PostHtmlForm)
                RebasePages(action.FormBody().form, from, to);
}

void PointMailAt(ActionList& actions, const std::string& server)
{
    for (Action& action : actions) {
        if (action.IsMail()) {
            action.Mail().server = server;
            action.Mail().smtpAuth = 0;
        } else if (action.type == ActionType::ConditionalStatement) {
            PointMailAt(action.Condition().actions, server);
        } else if (action.type == ActionType::PostHtmlForm) {
            for (Handler& handler : action.FormBody().form.handlers)
                PointMailAt(handler.actions, server);
        }
    }
}

bool Accepts(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    bool up = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return up;
}

void Stop(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

std::string LighttpdConfig(const std::string& root, const std::string& logFolder, int port)
{
    return "server.document-root = \"" + root +
           "\"\n"
           "server.bind = \"127.0.0.1\"\n"
           "server.port = " +
           std::to_string(port) +
           "\n"
           "server.modules = (\"mod_access\", \"mod_cgi\")\n"
           "server.errorlog = \"" +
           logFolder +
           "/error.log\"\n"
           "index-file.names = (\"index.html\", \"index.htm\")\n"
           "cgi.assign = (\".cgi\" => \"\", \".pl\" => \"\")\n"
           "mimetype.assign = (\".html\" => \"text/html\", \".htm\" => \"text/html\", \".css\" => \"text/css\",\n"
           "    \".js\" => \"text/javascript\", \".gif\" => \"image/gif\", \".png\" => \"image/png\",\n"
           "    \".jpg\" => \"image/jpeg\", \".txt\" => \"text/plain\")\n"
           // The CGI folder runs its scripts and hands out nothing else (data,
           // databases, templates, modules); no hidden file is handed out anywhere.
           "url.access-deny = (\"~\", \".db\", \".sqlite\", \".sqlite3\")\n"
           "$HTTP[\"url\"] =~ \"(^/cgi-bin/|/\\.)\" {\n"
           "    $HTTP[\"url\"] !~ \"^/cgi-bin/[^/.][^/]*\\.(cgi|pl)$\" { url.access-deny = (\"\") }\n"
           "}\n";
}

} // namespace

PreviewSite::~PreviewSite()
{
    StopServer();
}

bool PreviewSite::Prepare(const Project& project, const std::string& projectFile, Prompter& prompter)
{
    std::error_code ec;
    fs::path source = fs::absolute(projectFile, ec).parent_path();
    fs::path copy = fs::path(m_folder) / "project";
    if (!CopyProjectFolder(source, copy)) {
        prompter.Show(FormatMessage(Msg::PreviewProjectTooLarge, {source.string()}));
        return false;
    }
    m_project = project;
    m_projectFile = (copy / fs::path(projectFile).filename()).string();
    for (Form& form : m_project.forms) {
        RebasePages(form, source, copy);
        if (m_mailPort > 0)
            for (Handler& handler : form.handlers)
                PointMailAt(handler.actions, "127.0.0.1:" + std::to_string(m_mailPort));
    }

    std::string base = "http://127.0.0.1:" + std::to_string(m_port);
    ServerSettings& s = m_project.settings;
    s.serverType = "Others";
    s.uploadMethod = "Using Direct Copy";
    s.homePagePath = DocumentRoot();
    s.homePageUrl = base + "/";
    s.cgiPath = DocumentRoot() + "/cgi-bin";
    s.cgiUrl = base + "/cgi-bin";
    if (s.perlPath.empty())
        s.perlPath = "/usr/bin/perl";
    if (s.scriptPattern.empty())
        s.scriptPattern = "*.cgi";
    s.buildPortable = 0;
    fs::create_directories(DocumentRoot() + "/cgi-bin", ec);
    ProjectDocument doc(prompter);
    doc.Content() = m_project;
    return doc.SaveProject(m_projectFile);
}

bool PreviewSite::BuildAndPublish(Prompter& prompter)
{
    if (!BuildProject(m_project, m_projectFile, prompter))
        return false;
    const Form* form = m_project.CurrentForm();
    UploadList list;
    BuildUploadList(list, PathContext::ForProject(m_project, m_projectFile), m_project.settings, *form, kPublishKinds,
                    true, prompter);
    for (UploadEntry& entry : list)
        entry.upload = true;
    return UploadNow(list, m_project.settings, prompter) == PublishOutcome::Done;
}

std::string PreviewSite::FindLighttpd()
{
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/usr/local/sbin";
    size_t start = 0;
    while (start <= path.size()) {
        size_t colon = path.find(':', start);
        std::string folder = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        std::string candidate = folder + "/lighttpd";
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return {};
}

bool PreviewSite::StartServer(Prompter& prompter)
{
    std::string lighttpd = FindLighttpd();
    if (lighttpd.empty()) {
        prompter.Show(FormatMessage(Msg::PreviewNoLighttpd));
        return false;
    }
    std::string config = m_folder + "/lighttpd.conf";
    if (!WriteFileAtomically(config, LighttpdConfig(DocumentRoot(), m_folder, m_port)))
        return false;
    pid_t pid = fork();
    if (pid == 0) {
        int log = open((m_folder + "/lighttpd.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        execl(lighttpd.c_str(), lighttpd.c_str(), "-D", "-f", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        prompter.Show(FormatMessage(Msg::PreviewServerFailed, {std::to_string(m_port), std::strerror(errno)}));
        return false;
    }
    m_server = pid;
    // lighttpd binds at once or exits; give it a moment to do either.
    for (int i = 0; i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!ServerRunning())
            break;
        std::string answer;
        SilentPrompter quiet;
        if (HttpPostForm(PageUrl(), "", answer, quiet) > 0)
            return true;
    }
    std::string log =
        ReadWholeFile(m_folder + "/lighttpd.out").value_or("") + ReadWholeFile(m_folder + "/error.log").value_or("");
    StopServer();
    prompter.Show(FormatMessage(Msg::PreviewServerFailed, {std::to_string(m_port), log}));
    return false;
}

bool PreviewSite::CreateTables(Prompter& prompter)
{
    if (m_project.dataSources.empty())
        return true;
    return SyncTablesToServer(
        m_project, PathContext::ForProject(m_project, m_projectFile), prompter, [](UploadList&) {}, {},
        AdminScriptRemoval::Remove);
}

bool PreviewSite::ServerRunning()
{
    if (m_server <= 0)
        return false;
    if (waitpid(m_server, nullptr, WNOHANG) == m_server)
        m_server = -1;
    return m_server > 0;
}

void PreviewSite::StopServer()
{
    Stop(m_server);
    Stop(m_mailSink);
}

bool PreviewSite::StartMailSink()
{
    const char* python = "/usr/bin/python3";
    if (access(python, X_OK) != 0)
        return false;
    int port = FreePort();
    // The catcher makes the folder as a mailbox of its own ("new", "cur", "tmp").
    pid_t pid = fork();
    if (pid == 0) {
        int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        std::string listen = "127.0.0.1:" + std::to_string(port);
        std::string box = MailFolder();
        execl(python, python, "-m", "aiosmtpd", "-n", "-l", listen.c_str(), "-c", "aiosmtpd.handlers.Mailbox",
              box.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0)
        return false;
    m_mailSink = pid;
    for (int i = 0; i < 100; ++i) {
        if (Accepts(port)) {
            m_mailPort = port;
            return true;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_mailSink = -1;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return false;
}

int PreviewSite::FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

std::string PreviewSite::PageUrl() const
{
    const Form* form = m_project.CurrentForm();
    return RemotePath(m_project.settings, RemoteKind::PageAddress, form ? form->pageFile : "");
}

} // namespace quillet
