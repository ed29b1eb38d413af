#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillet {

class Prompter;
struct Project;
struct ServerSettings;

// Where the program keeps its "images", "scripts" and "settings" folders:
// $QUILLET_HOME, else $XDG_DATA_HOME/quillet, else ~/.local/share/quillet.
std::string ProgramFolder();

// What the local path builder needs to know of the open project. A relative
// page file is taken relative to the folder of the project file.
struct PathContext {
    std::string programFolder;
    std::string projectFile;
    std::string pageFile;
    std::string scriptExtension;
    // The hosts of the project's MySQL and PostgreSQL databases, the only ones
    // its administration script may reach.
    std::vector<std::string> databaseHosts;
    // When set, ResolveFile looks at each path once and remembers what it found:
    // for the length of one build, whose actions name the same templates many times.
    std::shared_ptr<std::unordered_map<std::string, bool>> knownFiles;

    // The context of project's current form, with the program folder of this user.
    static PathContext ForProject(const Project& project, const std::string& projectFile);

    std::string ProjectFolder() const;
    std::string PageFolder() const;
    // path itself when absolute, else path taken relative to the project folder.
    std::string Absolute(std::string_view path) const;
};

enum class LocalKind : int {
    Script = 1,
    Data = 2,
    Template = 3,
    ImageSource = 4,
    LibrarySource = 5,
    ProgramFolder = 6,
    PageFolder = 7,
    Settings = 8,
    BesideProject = 9,
};

enum class RemoteKind : int {
    ServerPage = 0,
    ServerScript = 1,
    ServerData = 2,
    ServerTemplate = 3,
    PageAddress = 5,
    ScriptAddress = 6,
    ServerHomeFolder = 10,
    ServerCgiFile = 11,
    ServerImage = 12,
    ImageAddressPath = 13,
    HomeAddress = 14,
    ScriptData = 32,
    ScriptTemplate = 33,
};

// Local paths are joined with "/"; a kind outside the enumeration gives "".
std::string LocalPath(const PathContext& context, LocalKind kind, std::string_view name);
// Server paths keep the separator of the base they start from; addresses use "/".
std::string RemotePath(const ServerSettings& settings, RemoteKind kind, std::string_view name);

// True when path lies in the folder of projectFile or below it, links
// followed; always true for a project not yet saved, whose pages the user chose.
// A build writes nowhere else, whatever a project file names: the prompter
// shows why when it is not.
bool InsideProjectFolder(const std::string& projectFile, const std::string& path, Prompter& prompter);

// True when path (or, failing that, the file of the same name beside the
// project) is a file that can be read; path then names the file that was found.
bool ResolveFile(const PathContext& context, std::string& path);

enum class PathPart { Folder, FileExt, File, Ext };

// Accepts both "/" and "\" as separators, so paths written on Windows split too.
std::string SplitPath(std::string_view path, PathPart part);

bool IsAbsolutePath(std::string_view path);

} // namespace quillet
