#pragma once

#include "html/HtmlNode.h"
#include "html/PageFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

class Prompter;
struct Form;
struct Handler;

// The parsed page of one Form and the start node of its selected form. Owned by
// whoever shows the form (the Form tab, a build); the Form record itself stays a
// plain copyable value. Not copyable: formNode points into file's nodes.
struct LoadedPage {
    // The project file; a relative page path is taken from its folder.
    std::string projectFile;
    std::optional<PageFile> file;
    std::optional<HtmlIter> formNode;
    // The page file's modification time when it was last loaded or saved.
    std::optional<std::filesystem::file_time_type> pageTime;

    LoadedPage() = default;
    explicit LoadedPage(std::string projectFilePath) : projectFile(std::move(projectFilePath)) {}
    LoadedPage(const LoadedPage&) = delete;
    LoadedPage& operator=(const LoadedPage&) = delete;
    LoadedPage(LoadedPage&&) = default;
    LoadedPage& operator=(LoadedPage&&) = default;

    HtmlPage* Nodes() { return file ? &file->Nodes() : nullptr; }
    void Clear()
    {
        file.reset();
        formNode.reset();
    }
};

// The file a Form's page path names, relative paths taken from the project's folder.
std::string PagePath(const Form& form, const LoadedPage& page);

enum class FindFormResult { Found, NoForm, Unreadable };

// Loads the page when it is not loaded yet and selects the form named form.formName
// (by its NAME, or by the name PageForms gives it), else the first unnamed form when
// the name is empty, else the first form. An unnamed form taken gets its name in the
// nodes, and the name becomes the Form's.
FindFormResult FindForm(Form& form, LoadedPage& page);

struct FormEntry {
    std::string name;
    HtmlIter node;
    // The form has no NAME of its own; name is the one it is given.
    bool unnamed = false;
};

// Every form of the page with its NAME, or for an unnamed form "form<n>", n counting
// every form of the page from 1 ("_2", "_3", ... added should a form already have
// that name). Nothing in the page is changed.
std::vector<FormEntry> PageForms(HtmlPage& page);

struct FormListing {
    std::vector<FormEntry> entries;
    std::optional<size_t> selected;
};

// Names every unnamed form of the page ("form1", "form2", ... counting all forms),
// lists them, and selects the Form's own, else the first.
FormListing ListForms(Form& form, LoadedPage& page);

// Reads the page again; shows "Can't find file" and returns false when it cannot.
bool ReloadPage(Form& form, LoadedPage& page, Prompter& prompter);

// Writes the loaded page to the Form's page path and takes the file's new time as the
// page time; false, with nothing else changed, when the file cannot be written.
bool SavePage(const Form& form, LoadedPage& page);

// True when the page file is newer on disk than the page that was loaded.
bool PageChangedOnDisk(const Form& form, const LoadedPage& page);
// Asks whether to reload a page changed on disk and reloads it on Yes; true when
// it did, so that the caller refills what shows the page.
bool CheckPageChanged(Form& form, LoadedPage& page, Prompter& prompter);

// The handler of a submit or image button with a NAME, appended when missing; null for other fields.
Handler* HandlerForField(Form& form, const HtmlNode& field);

// Renames a field. For a submit or image button, rowHandler is the name of the
// handler its row is linked to, and otherRowHandlers those of the other rows: the
// button takes over a free handler of the new name, or its own handler is renamed.
// False, and nothing changed, when another button's handler has the name.
bool RenameField(Form& form, HtmlNode& field, std::string& rowHandler, const std::vector<std::string>& otherRowHandlers,
                 std::string_view newName, Prompter& prompter);

} // namespace quillet
