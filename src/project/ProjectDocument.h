#pragma once

#include "project/Project.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillet {

class Prompter;

// The document of one open project: its file's life from new to close. The
// window that shows it passes a callback that stores pending edits first.
class ProjectDocument {
public:
    static constexpr const char* kDefaultTitle = "Untitled";
    static constexpr const char* kFileType = "Quillet Project (*.prj)";
    static constexpr const char* kExtension = ".prj";
    static constexpr const char* kTypeId = "Quillet.Document";
    static constexpr const char* kTypeName = "Quillet Document";

    // What tells a changed project from the one last read or written.
    using Digest = std::array<uint64_t, 2>;

    explicit ProjectDocument(Prompter& prompter);

    bool NewProject(const std::string& folder);
    // A project with one empty form that has no file yet; its first save needs a path.
    void NewUntitled();
    bool LoadProject(const std::string& path);
    // The project in the file at path, for work that never saves it: the
    // document's record of what was read is not made. Failures are shown as
    // LoadProject shows them.
    static std::optional<Project> ReadProjectFile(const std::string& path, Prompter& prompter);
    bool SaveProject(const std::string& path);
    // Asks to save when the content differs from the file; false when the user
    // cancels or the save failed, and the project then stays open.
    bool CloseProject();

    bool IsUntitled() const { return m_path.empty(); }
    // The name the title and the questions show: the path, or "Untitled".
    std::string DisplayName() const { return m_path.empty() ? kDefaultTitle : m_path; }
    // Whether the content, with the settings a view shows in place of the
    // stored ones, differs from what was last read or written.
    bool IsModified() const { return IsModified(m_project.settings); }
    bool IsModified(const ServerSettings& shownSettings) const;
    // Takes the content as it stands as the unmodified state.
    void MarkUnmodified();

    Project& Content() { return m_project; }
    const Project& Content() const { return m_project; }
    const std::string& Path() const { return m_path; }
    void SetPath(const std::string& path) { m_path = path; }
    // Called before saving and closing so the view can store what it shows.
    void SetStoreEdits(std::function<void()> storeEdits) { m_storeEdits = std::move(storeEdits); }

    // The path a save writes to: a file name with an extension gets ".prj" instead.
    static std::string ProjectFilePath(const std::string& path);
    // "Untitled.prj" in folder, or the first of "Untitled1.prj", ... that does not exist.
    static std::string FirstFreeProjectPath(const std::string& folder);

private:
    Prompter& m_prompter;
    Project m_project;
    std::string m_path;
    // A save writes about what the load read.
    size_t m_loadedBytes = 0;
    // Of the file text last read or written.
    std::optional<Digest> m_savedDigest;
    std::function<void()> m_storeEdits;
};

} // namespace quillet
