#include "generator/ScriptGenerator.h"

#include "generator/ActionEmitters.h"
#include "generator/HandlerGuards.h"
#include "generator/PerlLiteral.h"
#include "html/FormDiscovery.h"
#include "html/HtmlText.h"
#include "project/EmbeddedFile.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/WebText.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace quillet {

namespace {

constexpr std::string_view kAppName = "Quillet";
constexpr std::string_view kIncludePathFile = "include-path.pl";

void CollectForms(const Form& form, std::vector<const Form*>& list);

// A posted form may sit inside conditions at any depth.
void CollectForms(const ActionList& actions, std::vector<const Form*>& list)
{
    for (const Action& action : actions)
        if (action.type == ActionType::PostHtmlForm) {
            list.push_back(&action.FormBody().form);
            CollectForms(action.FormBody().form, list);
        } else if (action.type == ActionType::ConditionalStatement) {
            CollectForms(action.Condition().actions, list);
        }
}

void CollectForms(const Form& form, std::vector<const Form*>& list)
{
    for (const Handler& handler : form.handlers)
        CollectForms(handler.actions, list);
}

// True when an action of the list, at any depth, satisfies test.
template <typename Test>
bool AnyAction(const ActionList& actions, const Test& test)
{
    for (const Action& action : actions) {
        if (test(action))
            return true;
        if (action.type == ActionType::ConditionalStatement && AnyAction(action.Condition().actions, test))
            return true;
    }
    return false;
}

template <typename Test>
bool AnyAction(const Project& project, const Test& test)
{
    for (const Form* form : ScriptFormList(project))
        for (const Handler& handler : form->handlers)
            if (AnyAction(handler.actions, test))
                return true;
    return false;
}

bool CodeMentions(const Action& action, std::string_view word)
{
    if (action.type != ActionType::PerlCodeBlock)
        return false;
    // word is lower case; the code is searched as it stands rather than lowered in a copy.
    const std::string& code = action.Code().code;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::search(code.begin(), code.end(), word.begin(), word.end(),
                       [&](char a, char b) { return lower(a) == b; }) != code.end();
}

// A script loads only the modules its actions use: each costs every request
// the time to compile it.
bool UsesMail(const Project& project)
{
    return AnyAction(project, [](const Action& action) { return action.IsMail() || CodeMentions(action, "sendmail"); });
}

size_t CountActions(const ActionList& actions)
{
    size_t count = actions.size();
    for (const Action& action : actions)
        if (action.type == ActionType::ConditionalStatement)
            count += CountActions(action.Condition().actions);
    return count;
}

bool UsesCwd(const Project& project)
{
    return AnyAction(project, [](const Action& action) { return CodeMentions(action, "cwd"); });
}

bool IsRelativeServerPath(std::string_view path)
{
    return !path.empty() && path.front() != '/' && path.front() != '\\' && !(path.size() > 1 && path[1] == ':');
}

// "&", "=" and "%" would split the rules text; the runtime decodes %XX.
std::string RulePart(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '%' || c == '&' || c == '=')
            out += c == '%' ? "%25" : c == '&' ? "%26" : "%3D";
        else
            out += c;
    }
    return EscapePerlDouble(out);
}

void WriteLocationBlock(ScriptPrinter& out, const GenerateInput& input)
{
    if (input.portable)
        out.Print("$cgipath=GetCGIPath();\n$ftproot=\"\";\n");
    else
        out.Print("$cgipath='`p`';\n$ftproot=GetFTPRoot($cgipath);\n",
                  {{"p", EscapePerlSingle(input.project.settings.cgiPath)}});
}

void WriteHead(ScriptPrinter& out, const GenerateInput& input)
{
    const Project& project = input.project;
    WriteLocationBlock(out, input);
    out.Print("@nameservers = (\"`d`\");\n", {{"d", EscapePerlDouble(project.settings.dnsServers)}});
    out.Print("SetIncludePath($cgipath);\n");
    // What "use lib" would do, without compiling lib.pm and Config.pm on every request.
    out.Print("unshift(@INC, \"$ftproot/$cgipath\") if ($cgipath =~ /^\\//);\n");
    out.Print("eval(\"use ZentraCGI;\");\n");
    if (UsesMail(project))
        out.Print("eval(\"use Sendmail qw(sendmail SendMail);\");\n");
    if (!project.dataSources.empty()) {
        out.Print("use DBI;\n");
        std::string snippet;
        WriteOpenSnippet(snippet, project.dataSources);
        out.Raw(snippet);
    }
    out.Print("$scripturl=\"http://$ENV{'SERVER_NAME'}$ENV{'SCRIPT_NAME'}\";\n");
    out.Print("$m_pos=rindex($scripturl, \"/\");\n$cgiurl=substr($scripturl, 0, $m_pos);\n");
    WriteLocationBlock(out, input);
    out.Print("$cgipath=FTP2System($cgipath);\n");
    // A relative CGI folder lies under the FTP root that GetFTPRoot found.
    if (!input.portable && IsRelativeServerPath(project.settings.cgiPath))
        out.Print("$cgipath=\"$ftproot$cgipath\" unless $cgipath =~ m{^(?:/|[A-Za-z]:)};\n");
    out.Print("$WWW_APPNAME=\"`a`\";\n", {{"a", kAppName}});
    out.Print("read_urlencoded($ENV{'QUERY_STRING'});\n");
}

// The nodes of the form, from its start up to its end tag.
struct FormNodes {
    HtmlPage* page = nullptr;
    std::optional<HtmlIter> start;

    template <typename Visit>
    void Walk(NameSet names, Visit visit) const
    {
        if (!page || !start)
            return;
        for (HtmlIter it = FindNextNamed(*page, *start, names); it != page->end();
             it = FindNextNamed(*page, std::next(it), names)) {
            if (EqualsNoCase(it->Name(), "/form"))
                return;
            visit(it);
        }
    }
};

void WriteValidationString(ScriptPrinter& out, const FormNodes& form)
{
    out.Print("  $_str_valid=\"");
    form.Walk({"input", "textarea", "select", "/form"}, [&](HtmlIter field) {
        std::string_view name = AttrValue(*field, "NAME");
        std::string_view rule = AttrValue(*field, "CONTENT");
        if (!name.empty() && !rule.empty())
            out.Raw(RulePart(DecodeEntities(name)) + "=" + RulePart(rule) + "&");
    });
    out.Raw("\";\n");
}

std::string ChoiceValue(const HtmlNode& node)
{
    const HtmlAttr* value = FindAttr(node, "VALUE");
    if (!value || !value->value)
        return "' ', ";
    // Appended rather than joined with operator+, which GCC 12 misreads here as an overlapping copy.
    std::string text = "'";
    text += EscapePerlSingle(DecodeEntities(*value->value));
    text += "', ";
    return text;
}

void WriteSelectStates(ScriptPrinter& out, const FormNodes& form)
{
    out.Print("  %_str_sel_state=(");
    form.Walk({"input", "select", "/form"}, [&](HtmlIter field) {
        std::string_view name = AttrValue(*field, "NAME");
        if (name.empty() || !EqualsNoCase(field->Name(), "select"))
            return;
        out.Print("'`n`' =>[", {{"n", EscapePerlSingle(DecodeEntities(name))}});
        for (HtmlIter it = std::next(field); it != form.page->end(); ++it) {
            if (EqualsNoCase(it->Name(), "/select"))
                break;
            if (EqualsNoCase(it->Name(), "option"))
                out.Raw(ChoiceValue(*it));
        }
        out.Raw("],\n    ");
    });
    out.Raw("  );\n");
}

void WriteCheckStates(ScriptPrinter& out, const FormNodes& form)
{
    out.Print("  %_str_chk_state=(");
    std::optional<std::string> group;
    form.Walk({"input", "select", "/form"}, [&](HtmlIter field) {
        std::string_view name = AttrValue(*field, "NAME");
        std::string_view type = AttrValue(*field, "TYPE");
        if (name.empty() || !(EqualsNoCase(type, "CHECKBOX") || EqualsNoCase(type, "RADIO")))
            return;
        if (!group || *group != name) {
            if (group)
                out.Raw("],\n");
            out.Print("'`n`' => [", {{"n", EscapePerlSingle(DecodeEntities(name))}});
            group = std::string(name);
        }
        out.Raw(ChoiceValue(*field));
    });
    if (group)
        out.Raw("],\n    ");
    out.Raw("  );\n");
}

struct DispatchState {
    bool failed = false;
};

bool WriteDispatchBlock(ScriptPrinter& out, const GenerateInput& input, const Form& form, const EmitContext& context,
                        Prompter& prompter, DispatchState& state)
{
    // Finding the form may name it; the handlers are not needed for that.
    Form copy{form.pageFile, form.formName, {}};
    LoadedPage page(input.projectFile);
    if (input.pages)
        page.file = input.pages->Read(PagePath(form, page));
    if (FindForm(copy, page) == FindFormResult::Unreadable) {
        prompter.Show(UnreadableFileMessage(PagePath(form, page)));
        return false;
    }
    if (&form == input.project.CurrentForm())
        out.Print("if (!defined($FORM{'page'}) || !defined($FORM{'form'})) {\n");
    else
        out.Print("if (($FORM{'page'}[0] eq '`p`') && ($FORM{'form'}[0] eq '`f`')) {\n",
                  {{"p", EscapePerlSingle(PageBaseName(form.pageFile))}, {"f", EscapePerlSingle(form.formName)}});
    FormNodes nodes{page.Nodes(), page.formNode};
    WriteValidationString(out, nodes);
    WriteSelectStates(out, nodes);
    WriteCheckStates(out, nodes);
    out.Print("  ParseForm();\n");
    for (const Handler& handler : form.handlers) {
        if (state.failed)
            break;
        out.Print("  if (defined($FORM{'`h`'}))\n  {\n", {{"h", EscapePerlSingle(handler.name)}});
        if (ChangesAnything(handler.actions))
            WriteRequestGuard(out, handler.name, input.project.settings.homePageUrl);
        if (!EqualsNoCase(handler.name, "Reset"))
            out.Print("    ValidateForm($_str_valid);\n");
        WriteMailChecks(out, handler.actions);
        state.failed = !WriteActionList(out, handler.actions, context);
        out.Print("  }\n");
    }
    out.Print("}\n");
    return true;
}

void WriteIncludePathFunctions(ScriptPrinter& out)
{
    std::string text(EmbeddedFile(kIncludePathFile).value_or(""));
    for (char& c : text)
        if (c == '\r')
            c = ' ';
    out.Raw(text);
}

} // namespace

std::vector<const Form*> ScriptFormList(const Project& project)
{
    std::vector<const Form*> list;
    if (const Form* main = project.CurrentForm()) {
        list.push_back(main);
        CollectForms(*main, list);
    }
    return list;
}

std::string PageBaseName(const std::string& pageFile)
{
    size_t slash = pageFile.find_last_of("/\\");
    std::string name = slash == std::string::npos ? pageFile : pageFile.substr(slash + 1);
    return name.substr(0, name.find('.'));
}

std::string ScriptUrlForForm(const Project& project, const Form& form)
{
    const Form* main = project.CurrentForm();
    std::string url = RemotePath(project.settings, RemoteKind::ScriptAddress, main ? main->pageFile : form.pageFile);
    if (&form != main)
        url += "?page=" + UrlEncode(PageBaseName(form.pageFile)) + "&form=" + UrlEncode(form.formName);
    return url;
}

bool GenerateScriptText(const GenerateInput& input, Prompter& prompter, std::string& text)
{
    ScriptPrinter out;
    bool ok = GenerateScriptText(input, prompter, out);
    text = out.Take();
    return ok;
}

bool GenerateScriptText(const GenerateInput& input, Prompter& prompter, ScriptPrinter& out)
{
    const Project& project = input.project;
    if (!project.settings.perlPath.empty())
        out.Print("#!`p`\n", {{"p", project.settings.perlPath}});
    if (UsesCwd(project))
        out.Print("use Cwd;\n");
    if (project.settings.cgiPath.empty()) {
        prompter.Show(FormatMessage(Msg::CgiPathMissing));
        return false;
    }
    WriteHead(out, input);

    // An action takes a few hundred bytes of script; pages of the reserve left unused are never touched.
    size_t actions = 0;
    for (const Form* form : ScriptFormList(project))
        for (const Handler& handler : form->handlers)
            actions += CountActions(handler.actions);
    out.Reserve(out.Text().size() + 65536 + 512 * actions);

    PathContext paths = PathContext::ForProject(project, input.projectFile);
    paths.knownFiles = std::make_shared<std::unordered_map<std::string, bool>>();
    EmitContext context{project.settings, paths};
    DispatchState state;
    bool ok = true;
    for (const Form* form : ScriptFormList(project))
        if (!WriteDispatchBlock(out, input, *form, context, prompter, state)) {
            ok = false;
            break;
        }
    out.Print("Info();\n");
    if (!project.dataSources.empty()) {
        std::string snippet;
        WriteCloseSnippet(snippet, project.dataSources);
        out.Raw(snippet);
    }
    out.Print("CleanUp();\n");
    WriteIncludePathFunctions(out);
    return ok && !state.failed;
}

bool GenerateScript(const GenerateInput& input, Prompter& prompter, std::string* scriptPath)
{
    std::string text;
    bool ok = GenerateScriptText(input, prompter, text);
    return WriteScriptFile(input, text, prompter, scriptPath) && ok;
}

bool WriteScriptFile(const GenerateInput& input, const std::string& text, Prompter& prompter, std::string* scriptPath)
{
    const Form* main = input.project.CurrentForm();
    PathContext paths = PathContext::ForProject(input.project, input.projectFile);
    std::string path = LocalPath(paths, LocalKind::Script, main ? main->pageFile : "");
    if (scriptPath)
        *scriptPath = path;
    if (!InsideProjectFolder(input.projectFile, path, prompter))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (!WriteFileAtomically(path, text)) {
        prompter.Show(FormatMessage(Msg::CantOpenFile, {path}));
        return false;
    }
    // The server runs the script directly.
    std::filesystem::permissions(path,
                                 std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                     std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, ec);
    return true;
}

} // namespace quillet
