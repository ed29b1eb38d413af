#include "app/cli/CliCommand.h"
#include "app/cli/CliPrompter.h"
#include "net/PreviewSite.h"
#include "project/ProjectDocument.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace quillet::cli {

namespace {

int RunPreview(const Args& given);

} // namespace

extern const Command kPreviewCommand = {
    "preview", "preview PROJECT.prj [--port N] [--keep]",
    "Builds a copy of the project, publishes it by direct copy into a private site\n"
    "folder, creates its tables, and serves it with lighttpd on 127.0.0.1 so that\n"
    "the form can be tried in a browser. Prints the page's address (and opens it\n"
    "where a desktop is present), then serves until Ctrl-C. Mail that the form\n"
    "sends goes to a local catcher and is kept in the site's \"mail\" folder\n"
    "(with Python's aiosmtpd). The project's own\n"
    "files are not changed. --port N serves on port N (default: a free port);\n"
    "--keep leaves the site folder in place afterwards.",
    RunPreview};

namespace {

void OpenInBrowser(const std::string& url)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        return;
    if (fork() == 0) {
        execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

// Serves until SIGINT or SIGTERM arrives, or until the server stops by itself.
void WaitForStop(PreviewSite& site)
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    timespec second{1, 0};
    while (site.ServerRunning())
        if (sigtimedwait(&stop, nullptr, &second) > 0)
            break;
}

int Serve(const std::string& projectFile, int port, bool keep, CliPrompter& prompter)
{
    ProjectDocument doc(prompter);
    if (!doc.LoadProject(projectFile))
        return 1;
    std::string pattern = (std::filesystem::temp_directory_path() / "quillet-preview-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("quillet-cli preview");
        return 1;
    }
    int status = 1;
    {
        PreviewSite site(pattern, port);
        bool catchesMail = site.StartMailSink();
        if (site.Prepare(doc.Content(), doc.Path(), prompter) && site.BuildAndPublish(prompter) &&
            site.StartServer(prompter) && site.CreateTables(prompter)) {
            std::fprintf(stderr, "quillet-cli preview: serving %s from %s; Ctrl-C stops\n", site.PageUrl().c_str(),
                         site.DocumentRoot().c_str());
            if (catchesMail)
                std::fprintf(stderr, "quillet-cli preview: mail the form sends is kept in %s\n",
                             site.MailFolder().c_str());
            std::printf("%s\n", site.PageUrl().c_str());
            std::fflush(stdout);
            OpenInBrowser(site.PageUrl());
            WaitForStop(site);
            status = 0;
        }
    }
    std::error_code ec;
    if (keep)
        std::fprintf(stderr, "quillet-cli preview: the site stays in %s\n", pattern.c_str());
    else
        std::filesystem::remove_all(pattern, ec);
    return status;
}

int RunPreview(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    std::string path;
    int port = 0;
    bool keep = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--port") {
            port = i + 1 < args.size() ? std::atoi(args[++i].c_str()) : 0;
            if (port <= 0 || port > 65535)
                return UsageError(kPreviewCommand, "--port expects a number from 1 to 65535");
        } else if (args[i] == "--keep") {
            keep = true;
        } else if (path.empty() && !args[i].starts_with("--")) {
            path = args[i];
        } else {
            return UsageError(kPreviewCommand, "unexpected argument " + args[i]);
        }
    }
    if (path.empty())
        return UsageError(kPreviewCommand, "expects one project file");
    return Serve(path, port ? port : PreviewSite::FreePort(), keep, prompter);
}

} // namespace

} // namespace quillet::cli
