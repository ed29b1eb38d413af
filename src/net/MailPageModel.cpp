#include "net/MailPageModel.h"

#include "generator/CriteriaGrid.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/WebText.h"

#include <filesystem>

namespace quillet {

void StoreMailFields(const MailFields& fields, MailAction& mail)
{
    mail.smtpAuth = fields.smtpAuth ? 1 : 0;
    mail.popServer = TrimCell(fields.popServer);
    // The script escapes the POP credentials for their literal itself; a
    // backslash added here would become part of the user name or password.
    mail.popUser = TrimCell(fields.popUser);
    mail.popPassword = TrimCell(fields.popPassword);
    mail.server = TrimCell(fields.server);
    mail.sender = TrimCell(fields.sender);
    mail.from = EscapeAt(TrimCell(fields.from));
    mail.to = EscapeAt(TrimCell(fields.to));
    mail.cc = EscapeAt(TrimCell(fields.cc));
    mail.subject = TrimCell(fields.subject);
    mail.templateFile = TrimCell(fields.templateFile);
    mail.mailMode = 1;
}

MailFields LoadMailFields(const MailAction& mail)
{
    return {mail.smtpAuth != 0, mail.popServer, mail.popUser, mail.popPassword, mail.server,      mail.sender,
            mail.from,          mail.to,        mail.cc,      mail.subject,     mail.templateFile};
}

bool MailLeaveCheck(const MailAction& mail, Prompter& prompter)
{
    if (mail.templateFile.empty() && !prompter.AskYesNo(FormatMessage(Msg::NoMessageTemplate)))
        return false;
    if (mail.to.empty()) {
        prompter.Show(FormatMessage(Msg::NoEmailRecipient));
        return false;
    }
    return true;
}

std::optional<int> SelectionAfterDelete(int index, int remaining)
{
    if (remaining <= 0)
        return std::nullopt;
    return index < remaining ? index : remaining - 1;
}

void StoreResponse(bool postMode, const std::string& templateFile, const std::string& url, ResponseAction& response)
{
    response.postMode = postMode ? 1 : 0;
    response.file = postMode ? TrimCell(templateFile) : std::string();
    response.url = postMode ? std::string() : TrimCell(url);
}

bool ResponseLeaveCheck(const ResponseAction& response, Prompter& prompter)
{
    if (response.postMode == 1)
        return !response.file.empty() || prompter.AskYesNo(FormatMessage(Msg::NoMessageToPost));
    if (response.url.empty()) {
        prompter.Show(FormatMessage(Msg::NoRedirectUrl));
        return false;
    }
    return true;
}

void StoreFileAction(const std::string& templateFile, const std::string& serverFile, FileMode mode, FileAction& file)
{
    file.file = TrimCell(templateFile);
    file.dataFile = TrimCell(serverFile);
    file.mode = static_cast<int>(mode);
}

std::string TemplateFilePath(const std::string& templateFile, const std::string& projectFile)
{
    std::filesystem::path path(templateFile);
    if (templateFile.empty() || path.is_absolute() || projectFile.empty())
        return templateFile;
    return (std::filesystem::path(projectFile).parent_path() / path).string();
}

std::string PathForProject(const std::string& chosen, const std::string& projectFile)
{
    if (projectFile.empty() || chosen.empty())
        return chosen;
    std::filesystem::path folder = std::filesystem::path(projectFile).parent_path();
    std::filesystem::path relative = std::filesystem::path(chosen).lexically_relative(folder);
    if (relative.empty() || *relative.begin() == "..")
        return chosen;
    return relative.generic_string();
}

bool CreateTemplateFile(const std::string& path)
{
    return WriteFileAtomically(path, "\n");
}

} // namespace quillet
