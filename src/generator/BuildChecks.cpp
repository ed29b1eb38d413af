#include "generator/BuildChecks.h"

#include "generator/ScriptGenerator.h"
#include "generator/ScriptPrinter.h"
#include "generator/SqlBuilder.h"
#include "html/FormDiscovery.h"
#include "html/FormFields.h"
#include "project/Messages.h"
#include "project/NameRules.h"
#include "project/Project.h"
#include "project/Prompter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <strings.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillet {

namespace {

// Gathered once per form: a form of many handlers would otherwise walk its fields for each.
std::vector<std::string_view> ButtonNames(HtmlPage& nodes, HtmlIter formNode)
{
    std::vector<std::string_view> names;
    for (HtmlIter field : FormFields(nodes, formNode))
        if (IsHandlerButton(*field))
            names.push_back(AttrValue(*field, "NAME"));
    return names;
}

// Multi-table UPDATE and DELETE are MySQL's own; SQLite and PostgreSQL refuse them.
bool ChangesSeveralTablesAtOnce(std::string_view driver)
{
    return strcasecmp(std::string(driver).c_str(), "mysql") == 0 ||
           strcasecmp(std::string(driver).c_str(), "MariaDB") == 0;
}

template <typename Names>
std::string JoinNames(const Names& names)
{
    std::string text;
    for (std::string_view name : names) {
        if (!text.empty())
            text += ", ";
        text += name;
    }
    return text;
}

bool CheckRecordAction(const Action& action, const Project& project, Prompter& prompter)
{
    const RecordAction& record = action.Record();
    const DataSource* source = project.FindDataSource(record.dataSource);
    if (!source) {
        prompter.Show(FormatMessage(Msg::DataSourceMissing, {action.name, record.dataSource}));
        return false;
    }
    if (action.type != ActionType::DeleteRecords && action.type != ActionType::UpdateRecords)
        return true;
    std::vector<std::string_view> tables = RecordTables(record);
    std::string condition;
    BuildCriteriaExpression(record.criteria, condition, false, record.dataSource);
    if (condition.empty()) {
        prompter.Show(FormatMessage(Msg::CriterionMissing, {action.name, JoinNames(tables)}));
        return false;
    }
    if (tables.size() > 1 && !ChangesSeveralTablesAtOnce(source->driver)) {
        prompter.Show(FormatMessage(Msg::SeveralTablesOnDriver, {action.name, JoinNames(tables), source->driver}));
        return false;
    }
    return true;
}

bool CheckActions(const ActionList& actions, const Project& project, Prompter& prompter)
{
    for (const Action& action : actions) {
        if (action.IsRecord() && !CheckRecordAction(action, project, prompter))
            return false;
        if (action.type == ActionType::ConditionalStatement &&
            !CheckActions(action.Condition().actions, project, prompter))
            return false;
    }
    return true;
}

bool CheckServedForm(const Form& form, const Project& project, const std::string& projectFile, Prompter& prompter,
                     PageFileCache* pages)
{
    LoadedPage page;
    // Finding the form needs its page and name only, not a copy of every action.
    Form named;
    named.pageFile = form.pageFile;
    named.formName = form.formName;
    if (!LoadServedForm(named, projectFile, page, prompter, pages))
        return false;
    std::vector<std::string_view> buttons = ButtonNames(page.file->Nodes(), *page.formNode);
    for (const Handler& handler : form.handlers) {
        // A handler left without actions runs nothing either way.
        if (handler.actions.empty())
            continue;
        if (std::find(buttons.begin(), buttons.end(), handler.name) == buttons.end()) {
            prompter.Show(FormatMessage(Msg::HandlerWithoutButton, {named.formName, page.file->Path(), handler.name}));
            return false;
        }
        if (!CheckActions(handler.actions, project, prompter))
            return false;
    }
    return true;
}

std::string FindPerl()
{
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    std::stringstream folders(path + ":/usr/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        std::string candidate = folder + "/perl";
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

struct PerlResult {
    bool compiled = false;
    std::string output;
};

// Put before the script: modules that are not installed here read as empty
// ones, and line numbers count from the script's first line.
std::string CompileCheckHead(const std::string& name)
{
    return "BEGIN { push @INC, sub { my $none = \"1;\"; open(my $fh, '<', \\$none); return $fh; }; }\n"
           "# line 1 \"" +
           name + "\"\n";
}

constexpr auto kCompileTimeLimit = std::chrono::seconds(60);

// posix_spawn rather than fork: a large project's memory map is not copied for
// a child that only runs perl.
pid_t SpawnPerl(const std::string& perl, const std::string& source, const std::string& log)
{
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return -1;
    bool ready = posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
                 posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                                  0600) == 0 &&
                 posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO) == 0;
    const char* argv[] = {perl.c_str(), "-c", source.c_str(), nullptr};
    pid_t pid = -1;
    if (ready && posix_spawn(&pid, perl.c_str(), &actions, nullptr, const_cast<char* const*>(argv), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// False when pid is still running at the deadline. Sleeps until the child ends
// where the kernel can say so, else looks every 20 ms.
bool WaitUntil(pid_t pid, int& status, std::chrono::steady_clock::time_point deadline)
{
    // The system call itself: the header of glibc 2.36 declares it without C linkage.
    int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    bool done = true;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            done = false;
            break;
        }
        if (ended >= 0) {
            pollfd watch{ended, POLLIN, 0};
            poll(&watch, 1, static_cast<int>(left.count()));
        } else {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(20)));
        }
    }
    if (ended >= 0)
        close(ended);
    return done;
}

// The text is written as its pieces, so a large script is not copied to put a head on it.
std::optional<PerlResult> RunPerlCheck(const std::string& perl, std::initializer_list<std::string_view> text)
{
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "quillet-check-XXXXXX").string();
    if (!mkdtemp(folder.data()))
        return std::nullopt;
    std::string source = folder + "/script";
    std::string log = folder + "/perl.out";
    std::optional<PerlResult> result;
    std::ofstream file(source, std::ios::binary);
    for (std::string_view piece : text)
        file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    file.close();
    if (file) {
        pid_t pid = SpawnPerl(perl, source, log);
        int status = 0;
        if (pid > 0 && !WaitUntil(pid, status, std::chrono::steady_clock::now() + kCompileTimeLimit)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        std::ifstream in(log, std::ios::binary);
        std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (pid > 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 127 && output.empty()))
            result = PerlResult{WIFEXITED(status) && WEXITSTATUS(status) == 0, output};
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return result;
}

// The first line number Perl names for the script.
size_t FirstLineNamed(const std::string& output, const std::string& name)
{
    std::string marker = name + " line ";
    size_t at = output.find(marker);
    return at == std::string::npos ? 0 : std::strtoul(output.c_str() + at + marker.size(), nullptr, 10);
}

// Perl's report without its closing summary, a dozen lines at most.
std::string PerlMessage(const std::string& output)
{
    std::stringstream lines(output);
    std::string text;
    int count = 0;
    for (std::string line; std::getline(lines, line) && count < 12;) {
        if (line.empty() || line.find("had compilation errors") != std::string::npos)
            continue;
        text += (text.empty() ? "" : "\r\n") + line;
        ++count;
    }
    return text;
}

} // namespace

bool LoadServedForm(Form& form, const std::string& projectFile, LoadedPage& page, Prompter& prompter,
                    PageFileCache* pages)
{
    page = LoadedPage(projectFile);
    std::string path = PagePath(form, page);
    std::optional<PageFile> file = ReadPageFile(path, pages);
    if (!file) {
        prompter.Show(FormatMessage(Msg::CantFindFile, {path}));
        return false;
    }
    page.file = std::move(file);
    std::vector<FormEntry> forms = PageForms(page.file->Nodes());
    if (forms.empty()) {
        prompter.Show(FormatMessage(Msg::NoFormInPage, {path}));
        return false;
    }
    bool named = form.formName.empty() || std::any_of(forms.begin(), forms.end(), [&form](const FormEntry& entry) {
                     return entry.name == form.formName;
                 });
    if (!named) {
        std::vector<std::string> names;
        for (const FormEntry& entry : forms)
            names.push_back(entry.name);
        prompter.Show(FormatMessage(Msg::FormNotInPage, {form.formName, path, JoinNames(names)}));
        return false;
    }
    return FindForm(form, page) == FindFormResult::Found && page.formNode;
}

bool CheckFormPages(const Project& project, const std::string& projectFile, Prompter& prompter)
{
    for (const Form* form : ScriptFormList(project)) {
        LoadedPage page;
        Form named;
        named.pageFile = form->pageFile;
        named.formName = form->formName;
        if (!LoadServedForm(named, projectFile, page, prompter))
            return false;
    }
    return true;
}

bool CheckBuild(const Project& project, const std::string& projectFile, Prompter& prompter, PageFileCache* pages)
{
    if (std::optional<std::string> problem = CheckProjectNames(project)) {
        prompter.Show(*problem);
        return false;
    }
    for (const Form* form : ScriptFormList(project))
        if (!CheckServedForm(*form, project, projectFile, prompter, pages))
            return false;
    return true;
}

bool CheckScriptCompiles(const ScriptPrinter& script, Prompter& prompter)
{
    std::string perl = FindPerl();
    if (perl.empty())
        return true;
    const std::string name = "script";
    std::optional<PerlResult> result = RunPerlCheck(perl, {CompileCheckHead(name), script.Text()});
    if (!result || result->compiled)
        return true;
    std::string label = script.LabelOfLine(FirstLineNamed(result->output, name));
    std::string message = PerlMessage(result->output);
    if (label.empty())
        prompter.Show(FormatMessage(Msg::ScriptDoesNotCompile, {message}));
    else
        prompter.Show(FormatMessage(Msg::ActionDoesNotCompile, {label, message}));
    return false;
}

} // namespace quillet
