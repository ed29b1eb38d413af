#include "project/ProjectDocument.h"

#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/UnsavedFiles.h"

#include <sys/stat.h>
#include <xxhash.h>

namespace quillet {

namespace {

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

} // namespace

ProjectDocument::ProjectDocument(Prompter& prompter) : m_prompter(prompter)
{
    MarkUnmodified();
}

namespace {

// A 128-bit hash of a project's file text, fed in pieces; nothing when it could not be made.
class TextDigest {
public:
    TextDigest() : m_state(XXH3_createState()) { m_ok = m_state && XXH3_128bits_reset(m_state) == XXH_OK; }
    ~TextDigest() { XXH3_freeState(m_state); }
    TextDigest(const TextDigest&) = delete;
    TextDigest& operator=(const TextDigest&) = delete;

    void Add(std::string_view piece)
    {
        m_ok = m_ok && XXH3_128bits_update(m_state, piece.data(), piece.size()) == XXH_OK;
    }
    std::optional<ProjectDocument::Digest> Finish() const
    {
        if (!m_ok)
            return std::nullopt;
        XXH128_hash_t hash = XXH3_128bits_digest(m_state);
        return ProjectDocument::Digest{hash.low64, hash.high64};
    }

private:
    XXH3_state_t* m_state;
    bool m_ok = false;
};

// The text itself is never held: a large project would need its size again.
std::optional<ProjectDocument::Digest> ProjectDigest(const Project& project, const ServerSettings& settings)
{
    TextDigest digest;
    ProjectWriter out([&digest](std::string_view piece) { digest.Add(piece); });
    WriteProject(out, project, &settings);
    out.Flush();
    return digest.Finish();
}

} // namespace

bool ProjectDocument::IsModified(const ServerSettings& shownSettings) const
{
    // A digest that could not be made counts as a change, so nothing is closed unsaved.
    auto now = ProjectDigest(m_project, shownSettings);
    return !now || !m_savedDigest || *now != *m_savedDigest;
}

void ProjectDocument::MarkUnmodified()
{
    m_savedDigest = ProjectDigest(m_project, m_project.settings);
}

std::string ProjectDocument::ProjectFilePath(const std::string& path)
{
    // Stored paths may come from Windows, so both separators end a folder.
    size_t nameStart = path.find_last_of("/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return path;
    return path.substr(0, dot) + kExtension;
}

std::string ProjectDocument::FirstFreeProjectPath(const std::string& folder)
{
    std::string base = folder.empty() ? std::string() : folder + "/";
    std::string candidate = base + kDefaultTitle + kExtension;
    for (int n = 1; Exists(candidate); ++n)
        candidate = base + kDefaultTitle + std::to_string(n) + kExtension;
    return candidate;
}

bool ProjectDocument::NewProject(const std::string& folder)
{
    NewUntitled();
    m_path = FirstFreeProjectPath(folder);
    return SaveProject(m_path);
}

void ProjectDocument::NewUntitled()
{
    m_project = Project();
    LoadPreferences(m_project.settings);
    m_project.forms.emplace_back();
    m_path.clear();
    MarkUnmodified();
}

namespace {

// bytes, when given, gets the size of the text read.
std::optional<Project> ReadFile(const std::string& path, Prompter& prompter, size_t* bytes = nullptr)
{
    auto in = ProjectReader::FromFile(path);
    if (!in) {
        prompter.Show(FormatMessage(Msg::CantOpenFile, {path}));
        return std::nullopt;
    }
    Project loaded;
    if (!ReadProject(*in, loaded)) {
        std::string message = FormatMessage(Msg::CantReadBadProject, {path});
        if (in->Error())
            message += "\r\n" + in->Error()->message;
        prompter.Show(message);
        return std::nullopt;
    }
    if (bytes)
        *bytes = in->Size();
    return loaded;
}

} // namespace

std::optional<Project> ProjectDocument::ReadProjectFile(const std::string& path, Prompter& prompter)
{
    return ReadFile(path, prompter);
}

bool ProjectDocument::LoadProject(const std::string& path)
{
    // The text read is released before the record of it is made.
    size_t bytes = 0;
    std::optional<Project> loaded = ReadFile(path, m_prompter, &bytes);
    if (!loaded)
        return false;
    m_project = std::move(*loaded);
    m_path = path;
    m_loadedBytes = bytes;
    MarkUnmodified();
    return true;
}

bool ProjectDocument::SaveProject(const std::string& path)
{
    std::string target = ProjectFilePath(path);
    if (target.empty())
        return false;
    ProjectWriter out;
    out.Reserve(m_loadedBytes + m_loadedBytes / 8);
    WriteProject(out, m_project);
    if (!out.Commit(target)) {
        m_prompter.Show(FormatMessage(Msg::CantCreateFile, {target}));
        return false;
    }
    TextDigest digest;
    digest.Add(out.DiskText());
    m_savedDigest = digest.Finish();
    return true;
}

bool ProjectDocument::CloseProject()
{
    if (m_storeEdits)
        m_storeEdits();
    std::vector<UnsavedFile> unsaved;
    if (IsModified())
        unsaved.push_back({DisplayName(), [this] { return SaveProject(m_path); }, true});
    if (AskToSaveAll(unsaved, m_prompter) == SaveAnswer::Cancelled)
        return false;
    m_project = Project();
    MarkUnmodified();
    return true;
}

} // namespace quillet
