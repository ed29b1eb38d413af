#pragma once

#include "net/FtpListing.h"
#include "net/RemoteConnection.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Prompter;

// The file types offered for server files, as display name and pattern pairs.
inline constexpr std::string_view kServerFileFilter =
    "All File(*.*)|*.*|HTML File (*.html;*.htm;*.shtml)|*.html;*.htm;*.shtml|CGI File (*.cgi;*.pl)|*.cgi;*.pl|"
    "Graphics File (*.gif;*.jpg)|*.gif;*.jpg|Tessera File(*.tsx)|*.tsx|Text File(*.txt)|*.txt|"
    "LOG FILE(*.log; *.dat)|*.log;*.dat||";

struct FileType {
    std::string name;
    std::string patterns;
};
// Splits "name|patterns|name|patterns||" into its pairs.
std::vector<FileType> ParseFileFilter(std::string_view filter);
// True when a "*.ext" pattern of the ";"-separated list names the file's
// extension (ignoring case) or the list holds "*.*". A pattern that does not
// start with "*" ends the check.
bool MatchesFileType(std::string_view patterns, std::string_view fileName);

enum class BrowseMode { Open = 0, Select = 1, Create = 2 };
enum class SortColumn { Name, Size, Modified };
// Flag of the browser: files are listed as well as folders.
constexpr int kListFiles = 8;

// Folders first; within each group by the column, equal keys by name.
void SortRemoteItems(std::vector<RemoteItem>& items, SortColumn column);
// "Up": the path cut at its last "/" (or "\"), unless that is its first character.
std::string ParentRemotePath(std::string_view path);

// What the server file dialog does, without its widgets: a current folder on
// an FTP connection, its filtered listing, and the rules that pick the path
// the dialog hands back.
class RemoteBrowser {
public:
    RemoteBrowser(RemoteConnection& connection, BrowseMode mode, int flags,
                  std::string_view filter = kServerFileFilter);

    // Lists the current folder afresh (the login folder when none is set yet).
    bool Refresh();
    const std::vector<RemoteItem>& Items() const { return m_items; }
    void Sort(SortColumn column) { SortRemoteItems(m_items, column); }
    const std::vector<FileType>& FileTypes() const { return m_fileTypes; }
    void SetFileType(size_t index);
    void SetCurrentPath(std::string path);
    const std::string& CurrentPath() const { return m_currentPath; }
    std::string fileName;
    TransferType transferType = TransferType::Ascii;

    // Double-click: enters a folder and gives none, or gives the chosen path of a file.
    std::optional<std::string> Activate(const RemoteItem& item);
    void Up();
    // Leaving "File Name:": the item of that name to select, or none; without
    // one the name is cleared, except in Create mode.
    const RemoteItem* LeaveFileName();
    // Creates the first of "NewFile1", "NewFile2", ... that the server accepts.
    std::optional<std::string> NewFolder();
    // Deletes the items in order; the first failure is shown and ends it.
    bool Delete(const std::vector<RemoteItem>& items, Prompter& prompter);
    bool Rename(const std::string& from, const std::string& to, Prompter& prompter);
    // Stores each local file in the current folder under its own name.
    bool Upload(const std::vector<std::string>& localFiles, Prompter& prompter);
    // Fetches each file into localFolder, never over an existing local file.
    bool Download(const std::vector<RemoteItem>& items, const std::string& localFolder);
    // OK: the path to hand back, or none when the dialog stays open.
    std::optional<std::string> Choose(const RemoteItem* selected);

private:
    std::string ItemPath(std::string_view name) const;

    RemoteConnection& m_connection;
    BrowseMode m_mode;
    int m_flags;
    std::vector<FileType> m_fileTypes;
    size_t m_fileType = 0;
    std::string m_currentPath;
    std::vector<RemoteItem> m_items;
};

} // namespace quillet
