#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class Prompter;
struct ServerSettings;

// Named copies of the server settings, one "<name>.dat" file each in the
// program's settings folder, in the format of the settings block.
class WebConfigurations {
public:
    static constexpr const char* kDefaultName = "Default";

    explicit WebConfigurations(std::string folder) : m_folder(std::move(folder)) {}

    const std::string& Folder() const { return m_folder; }
    std::string FilePath(std::string_view name) const;

    // Every "*.dat" file named up to its first ".", sorted ignoring case, each once.
    std::vector<std::string> Names() const;
    // A missing or unreadable file leaves settings as they were.
    bool Load(std::string_view name, ServerSettings& settings) const;
    // Clears the text settings and writes them to a new file; an existing name
    // or a file that cannot be created is refused with a message.
    bool Add(std::string_view name, ServerSettings& settings, Prompter& prompter) const;
    bool Save(std::string_view name, const ServerSettings& settings, Prompter& prompter) const;
    bool Remove(std::string_view name) const;

    // The name becomes a file name: no separators, and no "." since the list
    // shows names only up to the first one.
    static bool IsValidName(std::string_view name);

private:
    bool Write(std::string_view name, const ServerSettings& settings) const;

    std::string m_folder;
};

// Empties every text of the settings; numbers and switches keep their values.
void ClearTextSettings(ServerSettings& settings);

} // namespace quillet
