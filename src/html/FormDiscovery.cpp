#include "html/FormDiscovery.h"

#include "html/FormFields.h"
#include "project/Action.h"
#include "project/Form.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"

#include <algorithm>
#include <unordered_set>

namespace quillet {

namespace {

std::optional<std::filesystem::file_time_type> ModificationTime(const std::string& path)
{
    std::error_code error;
    auto time = std::filesystem::last_write_time(path, error);
    if (error)
        return std::nullopt;
    return time;
}

void GiveName(const FormEntry& entry)
{
    if (entry.unnamed)
        SetAttr(*entry.node, "NAME", entry.name, '"');
}

std::string TrimRight(std::string_view text)
{
    size_t end = text.find_last_not_of(" \t\r\n\v\f");
    return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

} // namespace

std::string PagePath(const Form& form, const LoadedPage& page)
{
    PathContext context;
    context.projectFile = page.projectFile;
    std::string path = form.pageFile;
    if (ResolveFile(context, path))
        return path;
    return context.Absolute(form.pageFile);
}

std::vector<FormEntry> PageForms(HtmlPage& page)
{
    std::vector<FormEntry> entries;
    for (HtmlIter it = FindNextNamed(page, page.begin(), {"form"}); it != page.end();
         it = FindNextNamed(page, std::next(it), {"form"})) {
        std::string_view name = AttrValue(*it, "NAME");
        entries.push_back({std::string(name), it, name.empty()});
    }
    // A set, so that a page of many unnamed forms is named in linear time.
    std::unordered_set<std::string> taken;
    for (const FormEntry& entry : entries)
        taken.insert(entry.name);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].unnamed)
            continue;
        std::string base = "form" + std::to_string(i + 1);
        std::string name = base;
        for (int suffix = 2; taken.count(name); ++suffix)
            name = base + "_" + std::to_string(suffix);
        entries[i].name = name;
        taken.insert(name);
    }
    return entries;
}

FindFormResult FindForm(Form& form, LoadedPage& page)
{
    if (!page.file) {
        PageFile file(PagePath(form, page));
        if (!file.Read())
            return FindFormResult::Unreadable;
        page.file = std::move(file);
        page.formNode.reset();
    } else if (page.formNode) {
        return FindFormResult::Found;
    }
    std::vector<FormEntry> entries = PageForms(page.file->Nodes());
    if (entries.empty())
        return FindFormResult::NoForm;
    auto taken = std::find_if(entries.begin(), entries.end(), [&form](const FormEntry& e) {
        return form.formName.empty() ? e.unnamed : e.name == form.formName;
    });
    if (taken == entries.end())
        taken = entries.begin();
    GiveName(*taken);
    form.formName = taken->name;
    page.formNode = taken->node;
    return FindFormResult::Found;
}

FormListing ListForms(Form& form, LoadedPage& page)
{
    FormListing listing;
    HtmlPage* nodes = page.Nodes();
    if (!nodes)
        return listing;
    listing.entries = PageForms(*nodes);
    for (const FormEntry& entry : listing.entries)
        GiveName(entry);
    auto own = std::find_if(listing.entries.begin(), listing.entries.end(),
                            [&form](const FormEntry& e) { return e.name == form.formName; });
    if (own == listing.entries.end() && listing.entries.empty())
        return listing;
    if (own == listing.entries.end()) {
        own = listing.entries.begin();
        form.formName = own->name;
    }
    listing.selected = static_cast<size_t>(own - listing.entries.begin());
    page.formNode = own->node;
    return listing;
}

bool ReloadPage(Form& form, LoadedPage& page, Prompter& prompter)
{
    page.Clear();
    if (form.pageFile.empty())
        return false;
    if (FindForm(form, page) == FindFormResult::Unreadable) {
        prompter.Show(UnreadableFileMessage(PagePath(form, page)));
        return false;
    }
    page.pageTime = ModificationTime(page.file->Path());
    return true;
}

bool SavePage(const Form& form, LoadedPage& page)
{
    if (!page.file || form.pageFile.empty())
        return false;
    PageFile& file = *page.file;
    std::string previous = file.Path();
    file.SetPath(PagePath(form, page));
    if (!WriteHtmlFile(file)) {
        file.SetPath(previous);
        return false;
    }
    page.pageTime = ModificationTime(file.Path());
    return true;
}

bool PageChangedOnDisk(const Form& form, const LoadedPage& page)
{
    if (form.pageFile.empty() || !page.pageTime)
        return false;
    auto time = ModificationTime(PagePath(form, page));
    return time && *time > *page.pageTime;
}

bool CheckPageChanged(Form& form, LoadedPage& page, Prompter& prompter)
{
    if (!PageChangedOnDisk(form, page) || !prompter.AskYesNo(std::string(MessageText(Msg::FileChangedReload))))
        return false;
    ReloadPage(form, page, prompter);
    return true;
}

Handler* HandlerForField(Form& form, const HtmlNode& field)
{
    std::string_view name = AttrValue(field, "NAME");
    if (!IsHandlerButton(field) || name.empty())
        return nullptr;
    if (Handler* existing = form.FindHandler(std::string(name)))
        return existing;
    Handler& added = form.handlers.emplace_back();
    added.name = name;
    return &added;
}

bool RenameField(Form& form, HtmlNode& field, std::string& rowHandler, const std::vector<std::string>& otherRowHandlers,
                 std::string_view newName, Prompter& prompter)
{
    std::string name = TrimRight(newName);
    if (IsHandlerButton(field) && name != rowHandler) {
        Handler* existing = form.FindHandler(name);
        Handler* own = rowHandler.empty() ? nullptr : form.FindHandler(rowHandler);
        if (existing && std::find(otherRowHandlers.begin(), otherRowHandlers.end(), name) != otherRowHandlers.end()) {
            prompter.Show(FormatMessage(Msg::NameAlreadyUsed, {name}));
            return false;
        }
        if (name.empty()) {
            // A button without a name submits nothing the script can dispatch on;
            // its handler keeps its actions for a later name.
        } else if (existing) {
            // An empty action list is all a handler left behind would hold.
            if (own && own->actions.empty())
                form.handlers.erase(form.handlers.begin() + (own - form.handlers.data()));
        } else if (own) {
            own->name = name;
        } else {
            form.handlers.emplace_back().name = name;
        }
        rowHandler = name;
    }
    SetAttr(field, "NAME", name, '"');
    return true;
}

} // namespace quillet
