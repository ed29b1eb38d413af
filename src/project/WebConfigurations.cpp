#include "project/WebConfigurations.h"

#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"

#include <algorithm>
#include <filesystem>
#include <strings.h>

namespace quillet {

namespace fs = std::filesystem;

std::string WebConfigurations::FilePath(std::string_view name) const
{
    return m_folder + "/" + std::string(name) + ".dat";
}

std::vector<std::string> WebConfigurations::Names() const
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string file = it->path().filename().string();
        if (file.size() <= 4 || strcasecmp(file.c_str() + file.size() - 4, ".dat") != 0)
            continue;
        std::string name = file.substr(0, file.find('.'));
        if (!name.empty())
            names.push_back(name);
    }
    auto lessNoCase = [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; };
    auto sameNoCase = [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; };
    std::sort(names.begin(), names.end(), lessNoCase);
    names.erase(std::unique(names.begin(), names.end(), sameNoCase), names.end());
    return names;
}

bool WebConfigurations::Load(std::string_view name, ServerSettings& settings) const
{
    if (!IsValidName(name))
        return false;
    auto in = ProjectReader::FromFile(FilePath(name));
    if (!in)
        return false;
    ServerSettings read;
    if (!ReadSettings(*in, read))
        return false;
    settings = read;
    return true;
}

bool WebConfigurations::Add(std::string_view name, ServerSettings& settings, Prompter& prompter) const
{
    if (!IsValidName(name)) {
        prompter.Show(FormatMessage(Msg::BadWebConfigurationName));
        return false;
    }
    std::vector<std::string> names = Names();
    auto same = [name](const std::string& listed) {
        return strcasecmp(listed.c_str(), std::string(name).c_str()) == 0;
    };
    std::error_code ec;
    if (std::any_of(names.begin(), names.end(), same) || fs::exists(FilePath(name), ec)) {
        prompter.Show(FormatMessage(Msg::DuplicateWebConfiguration));
        return false;
    }
    ServerSettings cleared = settings;
    ClearTextSettings(cleared);
    if (!Write(name, cleared)) {
        prompter.Show(FormatMessage(Msg::DuplicateWebConfiguration));
        return false;
    }
    settings = cleared;
    return true;
}

bool WebConfigurations::Save(std::string_view name, const ServerSettings& settings, Prompter& prompter) const
{
    if (!IsValidName(name)) {
        prompter.Show(FormatMessage(Msg::BadWebConfigurationName));
        return false;
    }
    if (!Write(name, settings)) {
        prompter.Show(FormatMessage(Msg::CantCreateFile, {FilePath(name)}));
        return false;
    }
    return true;
}

bool WebConfigurations::Remove(std::string_view name) const
{
    std::error_code ec;
    return IsValidName(name) && fs::remove(FilePath(name), ec);
}

bool WebConfigurations::IsValidName(std::string_view name)
{
    return !name.empty() && name.find_first_of("/\\.") == std::string_view::npos;
}

bool WebConfigurations::Write(std::string_view name, const ServerSettings& settings) const
{
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    ProjectWriter out;
    WriteSettings(out, settings);
    return out.Commit(FilePath(name));
}

void ClearTextSettings(ServerSettings& settings)
{
    for (std::string* text :
         {&settings.serverType, &settings.perlPath, &settings.tablixAddress, &settings.scriptPattern,
          &settings.ftpServer, &settings.ftpUser, &settings.ftpPassword, &settings.homePagePath, &settings.homePageUrl,
          &settings.cgiPath, &settings.cgiUrl, &settings.tablixUser, &settings.tablixPassword, &settings.htmlEditor,
          &settings.uploadMethod, &settings.textEditor, &settings.cgiWrapper, &settings.dnsServers})
        text->clear();
}

} // namespace quillet
