#pragma once

#include "project/Action.h"

#include <optional>
#include <string>

namespace quillet {

class Prompter;

// The texts of the "Send Email" page as the user typed them.
struct MailFields {
    bool smtpAuth = false;
    std::string popServer;
    std::string popUser;
    std::string popPassword;
    std::string server;
    std::string sender;
    std::string from;
    std::string to;
    std::string cc;
    std::string subject;
    std::string templateFile;
};

// Trims every text, escapes "@" in the addresses for the Perl strings they land in, and marks the action as a single
// mail (mode 1). The attachments are the page's own business and stay as they are.
void StoreMailFields(const MailFields& fields, MailAction& mail);
MailFields LoadMailFields(const MailAction& mail);
// False keeps the user on the page: a template is missing and the user wants
// one, or no recipient is given.
bool MailLeaveCheck(const MailAction& mail, Prompter& prompter);

// The entry to select after the attachment at index was deleted from a list
// that now holds remaining entries: the next one, else the one before, else none.
std::optional<int> SelectionAfterDelete(int index, int remaining);

// "Respond to Browser": post mode keeps the template and drops the URL,
// redirect mode the other way round.
void StoreResponse(bool postMode, const std::string& templateFile, const std::string& url, ResponseAction& response);
bool ResponseLeaveCheck(const ResponseAction& response, Prompter& prompter);

// "Read or Write File": both paths trimmed.
void StoreFileAction(const std::string& templateFile, const std::string& serverFile, FileMode mode, FileAction& file);

// A relative template path is taken from the project's folder.
std::string TemplateFilePath(const std::string& templateFile, const std::string& projectFile);
// A chosen file as the project stores it: relative to the project's folder
// when it lies inside it, so the project can move with its templates.
std::string PathForProject(const std::string& chosen, const std::string& projectFile);
// The "New template file" of the template group: one line feed.
bool CreateTemplateFile(const std::string& path);

} // namespace quillet
