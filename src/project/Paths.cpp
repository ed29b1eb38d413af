#include "project/Paths.h"

#include "project/Messages.h"
#include "project/Project.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

size_t LastSeparator(std::string_view path)
{
    return path.find_last_of("/\\");
}

// The folder a file lies in: "" for a bare name, "/" for a file in the root.
std::string FolderOf(std::string_view path)
{
    size_t cut = LastSeparator(path);
    if (cut == std::string_view::npos)
        return {};
    return std::string(path.substr(0, cut == 0 ? 1 : cut));
}

std::string JoinLocal(std::string_view folder, std::string_view name)
{
    std::string out(folder);
    if (name.empty())
        return out;
    if (!out.empty() && out.back() != '/')
        out += '/';
    out += name;
    return out;
}

std::string EnvOrEmpty(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsPageName(std::string_view text)
{
    static constexpr std::array kPageExtensions = {".htm", ".html", ".shtml", ".dhtml", ".asp", ".cfm", ".mhtml"};
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* extension : kPageExtensions)
        if (lower.find(extension) != std::string::npos)
            return true;
    return false;
}

// A setting may name the home folder or a page in it; either way the folder is meant.
std::string ApplyPageRule(std::string_view text)
{
    if (!IsPageName(text))
        return std::string(text);
    size_t cut = text.rfind('/');
    if (cut == std::string_view::npos)
        cut = text.rfind('\\');
    if (cut == std::string_view::npos)
        return {};
    return std::string(text.substr(0, cut == 0 ? 1 : cut));
}

// Server paths take "\" from a base that has one, so a Windows server keeps its own form.
class RemoteText {
public:
    explicit RemoteText(std::string base)
        : m_text(std::move(base)), m_separator(m_text.find('\\') != std::string::npos ? '\\' : '/')
    {
    }

    RemoteText& Join(std::string_view part)
    {
        if (part.empty())
            return *this;
        if (m_text.empty() || m_text.back() != m_separator)
            m_text += m_separator;
        m_text += part;
        return *this;
    }

    // An absolute or drive path stands for itself; anything else lies below the data folder.
    RemoteText& JoinData(std::string_view name)
    {
        if (IsAbsolutePath(name))
            m_text = std::string(name);
        else
            Join(name);
        return *this;
    }

    std::string Take() { return std::move(m_text); }

private:
    std::string m_text;
    char m_separator;
};

std::string ScriptName(const ServerSettings& settings, std::string_view name)
{
    std::string file = SplitPath(name, PathPart::File);
    return file.empty() ? file : file + settings.ScriptExtension();
}

} // namespace

std::string ProgramFolder()
{
    std::string home = EnvOrEmpty("QUILLET_HOME");
    if (!home.empty())
        return home;
    std::string data = EnvOrEmpty("XDG_DATA_HOME");
    if (!data.empty())
        return data + "/quillet";
    std::string user = EnvOrEmpty("HOME");
    return (user.empty() ? std::string(".") : user) + "/.local/share/quillet";
}

PathContext PathContext::ForProject(const Project& project, const std::string& projectFile)
{
    PathContext context;
    context.programFolder = ProgramFolder();
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(projectFile, error);
    context.projectFile = error || projectFile.empty() ? projectFile : absolute.lexically_normal().string();
    if (const Form* form = project.CurrentForm())
        context.pageFile = form->pageFile;
    context.scriptExtension = project.settings.ScriptExtension();
    for (const DataSource& dataSource : project.dataSources)
        if (strcasecmp(dataSource.driver.c_str(), "SQLite") != 0 &&
            std::find(context.databaseHosts.begin(), context.databaseHosts.end(), dataSource.host) ==
                context.databaseHosts.end())
            context.databaseHosts.push_back(dataSource.host);
    return context;
}

std::string PathContext::ProjectFolder() const
{
    return FolderOf(projectFile);
}

std::string PathContext::PageFolder() const
{
    if (pageFile.empty())
        return ProjectFolder();
    // A page moved together with the project keeps its scripts, data and templates beside it.
    std::string page = pageFile;
    if (!ResolveFile(*this, page))
        page = Absolute(pageFile);
    return FolderOf(page);
}

std::string PathContext::Absolute(std::string_view path) const
{
    if (path.empty() || IsAbsolutePath(path))
        return std::string(path);
    return JoinLocal(ProjectFolder(), path);
}

bool IsAbsolutePath(std::string_view path)
{
    if (!path.empty() && (path[0] == '/' || path[0] == '\\'))
        return true;
    return path.size() >= 2 && path[1] == ':';
}

std::string LocalPath(const PathContext& context, LocalKind kind, std::string_view name)
{
    std::string full = SplitPath(name, PathPart::FileExt);
    bool noFile = SplitPath(name, PathPart::File).empty();
    auto inFolder = [&](const std::string& folder, std::string_view sub) {
        std::string path = JoinLocal(folder, sub);
        return noFile ? path : JoinLocal(path, full);
    };
    switch (kind) {
    case LocalKind::Script: {
        std::string folder = JoinLocal(context.PageFolder(), "scripts");
        return noFile ? folder : JoinLocal(folder, SplitPath(name, PathPart::File) + context.scriptExtension);
    }
    case LocalKind::Data:
        return inFolder(context.PageFolder(), "data");
    case LocalKind::Template:
        return inFolder(context.PageFolder(), "templates");
    case LocalKind::ImageSource:
        return inFolder(context.programFolder, "images");
    case LocalKind::LibrarySource:
        return inFolder(context.programFolder, "scripts");
    case LocalKind::ProgramFolder:
        return context.programFolder;
    case LocalKind::PageFolder:
        return context.PageFolder();
    case LocalKind::Settings:
        return inFolder(context.programFolder, "settings");
    case LocalKind::BesideProject:
        return JoinLocal(context.ProjectFolder(), full);
    }
    return {};
}

std::string RemotePath(const ServerSettings& settings, RemoteKind kind, std::string_view name)
{
    std::string full = SplitPath(name, PathPart::FileExt);
    switch (kind) {
    case RemoteKind::ServerPage:
        return RemoteText(ApplyPageRule(settings.homePagePath)).Join(full).Take();
    case RemoteKind::ServerScript:
        return RemoteText(settings.cgiPath).Join(ScriptName(settings, name)).Take();
    case RemoteKind::ServerData:
        return RemoteText(settings.cgiPath).Join("data").JoinData(name).Take();
    case RemoteKind::ServerTemplate:
        return RemoteText(settings.cgiPath).Join("templates").Join(full).Take();
    case RemoteKind::PageAddress:
        return RemoteText(ApplyPageRule(settings.homePageUrl)).Join(full).Take();
    case RemoteKind::ScriptAddress:
        return RemoteText(settings.cgiUrl).Join(ScriptName(settings, name)).Take();
    case RemoteKind::ServerHomeFolder:
        return ApplyPageRule(settings.homePagePath);
    case RemoteKind::ServerCgiFile:
        return RemoteText(settings.cgiPath).Join(full).Take();
    case RemoteKind::ServerImage:
        return RemoteText(ApplyPageRule(settings.homePagePath)).Join("images").Join("quillet").Join(full).Take();
    case RemoteKind::ImageAddressPath:
        return RemoteText("/images/quillet").Join(full).Take();
    case RemoteKind::HomeAddress:
        return ApplyPageRule(settings.homePageUrl);
    case RemoteKind::ScriptData:
        return RemoteText("$cgipath").Join("data").JoinData(name).Take();
    case RemoteKind::ScriptTemplate:
        return RemoteText("$cgipath").Join("templates").Join(full).Take();
    }
    return {};
}

namespace {

bool Readable(const PathContext& context, const std::string& candidate)
{
    if (candidate.empty())
        return false;
    if (context.knownFiles) {
        auto known = context.knownFiles->find(candidate);
        if (known != context.knownFiles->end())
            return known->second;
    }
    struct stat st;
    bool readable = stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), R_OK) == 0;
    if (context.knownFiles)
        context.knownFiles->emplace(candidate, readable);
    return readable;
}

} // namespace

bool InsideProjectFolder(const std::string& projectFile, const std::string& path, Prompter& prompter)
{
    if (projectFile.empty())
        return true;
    std::error_code ignored, folderError, targetError;
    auto folder =
        std::filesystem::weakly_canonical(std::filesystem::absolute(projectFile, ignored).parent_path(), folderError);
    auto target = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), targetError);
    auto [end, at] = std::mismatch(folder.begin(), folder.end(), target.begin(), target.end());
    if (!folderError && !targetError && end == folder.end() && at != target.end())
        return true;
    prompter.Show(FormatMessage(Msg::OutsideProjectFolder, {target.string(), folder.string()}));
    return false;
}

bool ResolveFile(const PathContext& context, std::string& path)
{
    auto readable = [&context](const std::string& candidate) { return Readable(context, candidate); };
    std::string asGiven = context.Absolute(path);
    if (readable(asGiven)) {
        path = asGiven;
        return true;
    }
    std::string beside = LocalPath(context, LocalKind::BesideProject, path);
    if (SplitPath(path, PathPart::FileExt).empty() || !readable(beside))
        return false;
    path = beside;
    return true;
}

std::string SplitPath(std::string_view path, PathPart part)
{
    size_t cut = LastSeparator(path);
    std::string_view fileExt = cut == std::string_view::npos ? path : path.substr(cut + 1);
    switch (part) {
    case PathPart::Folder:
        return std::string(cut == std::string_view::npos ? path : path.substr(0, cut));
    case PathPart::FileExt:
        return std::string(fileExt);
    case PathPart::File:
        return std::string(fileExt.substr(0, fileExt.find('.')));
    case PathPart::Ext: {
        size_t dot = fileExt.find('.');
        return dot == std::string_view::npos ? std::string() : std::string(fileExt.substr(dot + 1));
    }
    }
    return {};
}

} // namespace quillet
