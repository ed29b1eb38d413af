#include "app/cli/CliCommand.h"
#include "app/cli/CliPrompter.h"
#include "html/FormDiscovery.h"
#include "html/FormFields.h"
#include "project/Action.h"
#include "project/Form.h"
#include "project/Messages.h"
#include "project/ProjectFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace quillet::cli {

namespace {

int RunHtml(const Args& given);
int RunForms(const Args& given);

} // namespace

extern const Command kHtmlCommand = {"html", "html [--normalise] PAGE",
                                     "Reads the HTML page PAGE into its node list and writes it to standard output.\n"
                                     "Without options the output is byte for byte the page. --normalise writes every\n"
                                     "tag from its parsed parts: one blank before each attribute, none before \">\".",
                                     RunHtml};

extern const Command kFormsCommand = {
    "forms", "forms PAGE",
    "Lists the forms of the HTML page PAGE as the Form tab would: one line per form,\n"
    "then one line per field, indented by two blanks, with the field's kind, name and\n"
    "value separated by tabs. Submit and image buttons that have a name, the ones\n"
    "that get actions, end with a \"handler\" column; a submit button without a name\n"
    "gets a warning on standard error. Unnamed forms are shown with the names that\n"
    "build gives them (form1, form2, ... by their place on the page), and that name\n"
    "picks the form in a project; the page itself is not changed. Tabs, line ends\n"
    "and backslashes in names and values are written as \\t, \\r, \\n and \\\\.",
    RunForms};

namespace {

std::string Escaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A page that ends inside a tag or comment is read whole, but what follows the
// opening is text: worth a note, since fields there are not seen.
void NoteOpenConstruct(const Command& command, const std::string& path, const PageFile& file)
{
    if (!file.OpenAtEnd())
        return;
    long line = file.OpenAtEnd()->line;
    std::string_view what = OpenConstructText(file.OpenAtEnd()->kind);
    std::fprintf(stderr, "quillet-cli %.*s: %s:%ld: the page ends inside %.*s; the rest is read as text\n",
                 static_cast<int>(command.name.size()), command.name.data(), path.c_str(), line,
                 static_cast<int>(what.size()), what.data());
}

// The page as a Form of a project in the current folder, so relative paths work as given.
bool LoadPage(const Command& command, const std::string& path, Form& form, LoadedPage& page, CliPrompter& prompter)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        std::fprintf(stderr, "quillet-cli %.*s: %s is a folder\n", static_cast<int>(command.name.size()),
                     command.name.data(), path.c_str());
        return false;
    }
    form.pageFile = path;
    page.projectFile = (std::filesystem::current_path(error) / "page.prj").string();
    return ReloadPage(form, page, prompter);
}

int RunHtml(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    TagText mode = TagText::Original;
    std::erase_if(args, [&mode](const std::string& a) {
        bool option = a == "--normalise" || a == "--normalize";
        if (option)
            mode = TagText::Normalised;
        return option;
    });
    if (args.size() != 1)
        return UsageError(kHtmlCommand, "expects one page");
    std::error_code error;
    PageFile file(args[0]);
    if (std::filesystem::is_directory(args[0], error) || !file.Read()) {
        prompter.Show(UnreadableFileMessage(args[0]));
        return 1;
    }
    NoteOpenConstruct(kHtmlCommand, args[0], file);
    // Written as it is made: a copy of a large page would double what the command holds.
    bool written = file.WriteDiskText(mode, [](std::string_view piece) {
        return std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
    });
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}

void PrintField(HtmlPage& nodes, HtmlIter field)
{
    FieldKind kind = *FieldKindOf(*field);
    std::string line = "  " + std::string(FieldKindLabel(kind)) + "\t" + Escaped(AttrValue(*field, "NAME")) + "\t" +
                       Escaped(FieldValue(nodes, field));
    if (IsHandlerButton(*field) && !AttrValue(*field, "NAME").empty())
        line += "\thandler";
    std::printf("%s\n", line.c_str());
}

int RunForms(const Args& given)
{
    Args args = given;
    CliPrompter prompter = CliPrompter::FromArgs(args);
    if (args.size() != 1)
        return UsageError(kFormsCommand, "expects one page");
    Form form;
    LoadedPage page;
    if (!LoadPage(kFormsCommand, args[0], form, page, prompter))
        return 1;
    NoteOpenConstruct(kFormsCommand, args[0], *page.file);
    FormListing listing = ListForms(form, page);
    if (listing.entries.empty()) {
        prompter.Show(FormatMessage(Msg::NoFormInPage, {args[0]}));
        return 1;
    }
    HtmlPage& nodes = page.file->Nodes();
    std::vector<HtmlIter> forms;
    for (const FormEntry& entry : listing.entries)
        forms.push_back(entry.node);
    std::vector<std::pair<size_t, HtmlIter>> unnamedButtons;
    ForEachFormsFields(nodes, forms, [&](size_t index, const std::vector<HtmlIter>& fields) {
        std::printf("%s\n", Escaped(listing.entries[index].name).c_str());
        for (HtmlIter field : fields) {
            PrintField(nodes, field);
            if (IsHandlerButton(*field) && AttrValue(*field, "NAME").empty())
                unnamedButtons.emplace_back(index, field);
        }
    });
    std::fflush(stdout);
    for (const auto& [index, button] : unnamedButtons) {
        const FormEntry& entry = listing.entries[index];
        prompter.Show(FormatMessage(Msg::UnnamedSubmitButton, {ButtonLabel(nodes, button), entry.name,
                                                               SuggestButtonName(nodes, entry.node, button)}));
    }
    return std::ferror(stdout) == 0 ? 0 : 1;
}

} // namespace

} // namespace quillet::cli
