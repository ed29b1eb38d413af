#include "project/UploadList.h"

#include "db/AdminScript.h"
#include "project/Action.h"
#include "project/LibraryFiles.h"
#include "project/Paths.h"
#include "project/ServerSettings.h"

#include <algorithm>
#include <strings.h>

namespace quillet {

namespace {

class UploadListBuilder {
public:
    UploadListBuilder(UploadList& list, const PathContext& context, const ServerSettings& settings, Prompter& prompter)
        : m_list(list), m_context(context), m_settings(settings), m_prompter(prompter)
    {
    }

    void AddPage(const Form& form, bool resolve);
    void AddImages(bool upload);
    void AddScript(const Form& form);
    void AddLibrary(const LibraryFile& file, bool upload);
    void AddFormActions(const Form& form);

private:
    void AddActionFiles(const ActionList& actions);
    void AddMailFiles(const MailAction& mail);
    void AddDataFile(const FileAction& file);
    void AddTemplate(const std::string& path);
    bool Listed(const std::string& localPath) const;
    void Add(UploadEntry entry);

    UploadList& m_list;
    const PathContext& m_context;
    const ServerSettings& m_settings;
    Prompter& m_prompter;
};

bool UploadListBuilder::Listed(const std::string& localPath) const
{
    return std::any_of(m_list.begin(), m_list.end(),
                       [&](const UploadEntry& entry) { return entry.localPath == localPath; });
}

// A file reached twice (two actions with one template) is sent once; so is one
// placeholder that two actions write to.
void UploadListBuilder::Add(UploadEntry entry)
{
    bool duplicate = std::any_of(m_list.begin(), m_list.end(), [&](const UploadEntry& listed) {
        if (entry.localPath.empty())
            return listed.localPath.empty() && listed.remotePath == entry.remotePath;
        return listed.localPath == entry.localPath;
    });
    if (!duplicate)
        m_list.push_back(std::move(entry));
}

void UploadListBuilder::AddPage(const Form& form, bool resolve)
{
    if (form.pageFile.empty())
        return;
    std::string local = form.pageFile;
    if (!resolve || !ResolveFile(m_context, local))
        local = m_context.Absolute(form.pageFile);
    Add({local, RemotePath(m_settings, RemoteKind::ServerPage, form.pageFile), "644", UploadKind::Html, true});
}

void UploadListBuilder::AddImages(bool upload)
{
    for (std::string_view image : kPagingImages) {
        std::string local = LocalPath(m_context, LocalKind::ImageSource, image);
        WriteLibraryFile(local, image, m_prompter);
        Add({local, RemotePath(m_settings, RemoteKind::ServerImage, image), "644", UploadKind::Image, upload});
    }
}

void UploadListBuilder::AddScript(const Form& form)
{
    if (form.pageFile.empty())
        return;
    Add({LocalPath(m_context, LocalKind::Script, form.pageFile),
         RemotePath(m_settings, RemoteKind::ServerScript, form.pageFile), "755", UploadKind::CgiScript, true});
}

void UploadListBuilder::AddLibrary(const LibraryFile& file, bool upload)
{
    std::string local = LocalPath(m_context, LocalKind::LibrarySource, file.name);
    if (file.kind == UploadKind::DbAdmin)
        WriteAdminScript(local, m_settings, m_context.databaseHosts, m_prompter);
    else
        WriteLibraryFile(local, file.name, m_prompter);
    RemoteKind remote = file.takesScriptExtension ? RemoteKind::ServerScript : RemoteKind::ServerCgiFile;
    std::string remotePath = file.dataName.empty() ? RemotePath(m_settings, remote, file.name)
                                                   : RemotePath(m_settings, RemoteKind::ServerData, file.dataName);
    Add({local, remotePath, std::string(file.permission), file.kind, upload});
}

void UploadListBuilder::AddFormActions(const Form& form)
{
    for (const Handler& handler : form.handlers)
        AddActionFiles(handler.actions);
}

void UploadListBuilder::AddActionFiles(const ActionList& actions)
{
    for (const Action& action : actions) {
        switch (action.type) {
        case ActionType::SendEmail:
        case ActionType::SendBulkEmail:
            AddMailFiles(action.Mail());
            break;
        case ActionType::ReadWriteFile:
            AddDataFile(action.File());
            AddTemplate(action.File().file);
            break;
        case ActionType::RespondToBrowser:
            AddTemplate(action.Response().file);
            break;
        case ActionType::ConditionalStatement:
            AddActionFiles(action.Condition().actions);
            break;
        case ActionType::PostHtmlForm:
            AddFormActions(action.FormBody().form);
            AddTemplate(action.FormBody().form.pageFile);
            break;
        case ActionType::GenerateHtmlForm:
            AddTemplate(action.FormBody().form.pageFile);
            break;
        default:
            break;
        }
    }
}

void UploadListBuilder::AddMailFiles(const MailAction& mail)
{
    for (const Attachment& attachment : mail.attachments) {
        if (strcasecmp(attachment.kind.c_str(), "FILE") != 0)
            continue;
        std::string local = attachment.path;
        if (local.empty() || !ResolveFile(m_context, local) || Listed(local))
            continue;
        UploadEntry entry{local, RemotePath(m_settings, RemoteKind::ServerTemplate, attachment.path), "644",
                          UploadKind::Template, true};
        entry.binary = attachment.binaryMode != 0;
        Add(std::move(entry));
    }
    AddTemplate(mail.templateFile);
}

// The script creates and writes the data file itself; publishing only has to
// make sure that it exists, where the script will look for it (the data folder).
void UploadListBuilder::AddDataFile(const FileAction& file)
{
    if (file.mode == static_cast<int>(FileMode::Read) || file.dataFile.empty() ||
        file.dataFile.find("$FORM{") != std::string::npos)
        return;
    UploadEntry entry{{},
                      RemotePath(m_settings, RemoteKind::ServerData, file.dataFile),
                      m_settings.cgiWrapper == "None or Not Sure" ? "666" : "600",
                      UploadKind::Template,
                      true};
    entry.createEmpty = true;
    Add(std::move(entry));
}

void UploadListBuilder::AddTemplate(const std::string& path)
{
    std::string local = path;
    if (path.empty() || !ResolveFile(m_context, local) || Listed(local))
        return;
    Add({local, RemotePath(m_settings, RemoteKind::ServerTemplate, path), "644", UploadKind::Template, true});
}

} // namespace

void BuildUploadList(UploadList& list, const PathContext& context, const ServerSettings& settings, const Form& form,
                     unsigned flags, bool resolve, Prompter& prompter)
{
    UploadListBuilder builder(list, context, settings, prompter);
    bool scriptToo = HasKind(flags, UploadKind::CgiScript);
    if (HasKind(flags, UploadKind::Html))
        builder.AddPage(form, resolve);
    if (HasKind(flags, UploadKind::Image))
        builder.AddImages(!scriptToo);
    if (scriptToo)
        builder.AddScript(form);
    for (const LibraryFile& file : kLibraryFiles)
        if (HasKind(flags, file.kind))
            builder.AddLibrary(file, !scriptToo);
    if (HasKind(flags, UploadKind::Template))
        builder.AddFormActions(form);
}

} // namespace quillet
