#include "net/RemoteBrowser.h"

#include "net/Publisher.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace quillet {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::vector<FileType> ParseFileFilter(std::string_view filter)
{
    std::vector<FileType> types;
    while (!filter.empty()) {
        size_t bar = filter.find('|');
        if (bar == 0 || bar == std::string_view::npos)
            break;
        std::string_view name = filter.substr(0, bar);
        filter.remove_prefix(bar + 1);
        bar = filter.find('|');
        types.push_back({std::string(name), std::string(filter.substr(0, bar))});
        filter = bar == std::string_view::npos ? std::string_view() : filter.substr(bar + 1);
    }
    return types;
}

bool MatchesFileType(std::string_view patterns, std::string_view fileName)
{
    size_t dot = fileName.rfind('.');
    std::string_view extension = dot == std::string_view::npos ? std::string_view() : fileName.substr(dot + 1);
    while (!patterns.empty()) {
        size_t semicolon = patterns.find(';');
        std::string_view pattern = Trim(patterns.substr(0, semicolon));
        patterns = semicolon == std::string_view::npos ? std::string_view() : patterns.substr(semicolon + 1);
        if (pattern == "*.*")
            return true;
        if (pattern.empty() || pattern.front() != '*')
            return false;
        if (pattern.size() > 2 && dot != std::string_view::npos && EqualsNoCase(pattern.substr(2), extension))
            return true;
    }
    return false;
}

void SortRemoteItems(std::vector<RemoteItem>& items, SortColumn column)
{
    std::stable_sort(items.begin(), items.end(), [column](const RemoteItem& a, const RemoteItem& b) {
        uint64_t keyA = column == SortColumn::Size ? a.size : static_cast<uint64_t>(a.modified);
        uint64_t keyB = column == SortColumn::Size ? b.size : static_cast<uint64_t>(b.modified);
        if (column == SortColumn::Name)
            keyA = keyB = 0;
        return std::tie(a.kind, keyA, a.name) < std::tie(b.kind, keyB, b.name);
    });
}

std::string ParentRemotePath(std::string_view path)
{
    size_t cut = path.rfind('/');
    if (cut == std::string_view::npos)
        cut = path.rfind('\\');
    if (cut == std::string_view::npos)
        return std::string(path);
    // A folder right under the root goes up to the root itself.
    return std::string(path.substr(0, cut == 0 ? 1 : cut));
}

RemoteBrowser::RemoteBrowser(RemoteConnection& connection, BrowseMode mode, int flags, std::string_view filter)
    : m_connection(connection), m_mode(mode), m_flags(flags), m_fileTypes(ParseFileFilter(filter))
{
}

void RemoteBrowser::SetFileType(size_t index)
{
    m_fileType = index < m_fileTypes.size() ? index : 0;
}

void RemoteBrowser::SetCurrentPath(std::string path)
{
    m_currentPath = std::move(path);
}

bool RemoteBrowser::Refresh()
{
    if (m_currentPath.empty())
        m_currentPath = m_connection.LoginFolder();
    m_items.clear();
    std::string listing;
    if (!m_connection.List(m_currentPath, listing))
        return false;
    bool listFiles = (m_flags & kListFiles) != 0;
    std::string patterns = m_fileType < m_fileTypes.size() ? m_fileTypes[m_fileType].patterns : "*.*";
    for (RemoteItem& item : ParseFtpListing(listing))
        if (item.kind == RemoteItem::Folder || (listFiles && MatchesFileType(patterns, item.name)))
            m_items.push_back(std::move(item));
    SortRemoteItems(m_items, SortColumn::Name);
    return true;
}

std::string RemoteBrowser::ItemPath(std::string_view name) const
{
    std::string path = m_currentPath;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + std::string(name);
}

std::optional<std::string> RemoteBrowser::Activate(const RemoteItem& item)
{
    fileName = item.name;
    std::string path = ItemPath(item.name);
    if (m_connection.IsFolder(path)) {
        m_currentPath = path;
        fileName.clear();
        Refresh();
        return std::nullopt;
    }
    return Choose(nullptr);
}

void RemoteBrowser::Up()
{
    m_currentPath = ParentRemotePath(m_currentPath);
    Refresh();
}

const RemoteItem* RemoteBrowser::LeaveFileName()
{
    for (const RemoteItem& item : m_items)
        if (item.name == fileName)
            return &item;
    if (m_mode != BrowseMode::Create)
        fileName.clear();
    return nullptr;
}

std::optional<std::string> RemoteBrowser::NewFolder()
{
    // Bounded so that a server refusing every name cannot keep the loop going.
    for (int n = 1; n <= 1000; ++n) {
        std::string name = "NewFile" + std::to_string(n);
        if (std::any_of(m_items.begin(), m_items.end(), [&](const RemoteItem& i) { return i.name == name; }))
            continue;
        if (m_connection.MakeFolder(ItemPath(name))) {
            m_items.push_back({RemoteItem::Folder, name, 0, std::time(nullptr)});
            return name;
        }
    }
    return std::nullopt;
}

bool RemoteBrowser::Delete(const std::vector<RemoteItem>& items, Prompter& prompter)
{
    for (const RemoteItem& item : items) {
        std::string path = ItemPath(item.name);
        bool deleted =
            item.kind == RemoteItem::Folder ? m_connection.RemoveFolder(path) : m_connection.DeleteFile(path);
        if (!deleted) {
            prompter.Show(FormatMessage(Msg::CantDeleteRemoteFile, {item.name}));
            return false;
        }
        std::erase_if(m_items, [&](const RemoteItem& i) { return i.name == item.name; });
    }
    return true;
}

bool RemoteBrowser::Rename(const std::string& from, const std::string& to, Prompter& prompter)
{
    if (to.empty() || to.find_first_of("/\\") != std::string::npos ||
        !m_connection.Rename(ItemPath(from), ItemPath(to))) {
        prompter.Show(std::string(MessageText(Msg::RenameNeedsAlphanumeric)));
        return false;
    }
    for (RemoteItem& item : m_items)
        if (item.name == from)
            item.name = to;
    return true;
}

bool RemoteBrowser::Upload(const std::vector<std::string>& localFiles, Prompter& prompter)
{
    for (const std::string& local : localFiles) {
        std::string name = std::filesystem::path(local).filename().string();
        if (!PutRemoteFile("Using FTP", &m_connection, ItemPath(name), local, transferType, true, prompter))
            return false;
    }
    Refresh();
    return true;
}

bool RemoteBrowser::Download(const std::vector<RemoteItem>& items, const std::string& localFolder)
{
    for (const RemoteItem& item : items) {
        std::filesystem::path target = std::filesystem::path(localFolder) / item.name;
        std::string bytes;
        if (item.kind != RemoteItem::File || std::filesystem::exists(target) ||
            !m_connection.Fetch(ItemPath(item.name), bytes, transferType))
            return false;
        std::ofstream out(target, std::ios::binary);
        if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
            return false;
    }
    return true;
}

std::optional<std::string> RemoteBrowser::Choose(const RemoteItem* selected)
{
    if (m_mode == BrowseMode::Create && fileName.empty() && !selected)
        return std::nullopt;
    bool listFiles = (m_flags & kListFiles) != 0;
    if (selected) {
        if (listFiles && selected->kind == RemoteItem::Folder)
            return std::nullopt;
        fileName = selected->name;
    }
    if (fileName.empty())
        return listFiles ? std::nullopt : std::optional<std::string>(m_currentPath);
    std::string path = ItemPath(fileName);
    if (!listFiles && !m_connection.IsFolder(path))
        return m_currentPath;
    return path;
}

} // namespace quillet
