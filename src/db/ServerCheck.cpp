#include "db/ServerCheck.h"

#include "net/Publisher.h"
#include "net/RemoteTransport.h"
#include "project/EmbeddedFile.h"
#include "project/Messages.h"
#include "project/Paths.h"
#include "project/Project.h"
#include "project/WebText.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>

namespace quillet {

namespace {

// A wider gap than a slow request explains.
constexpr long long kClockToleranceSeconds = 60;

void Add(ServerCheckReport& report, bool ok, Msg id, std::initializer_list<std::string_view> args)
{
    report.lines.push_back({ok, FormatMessage(id, args)});
}

void AddUnique(std::vector<std::string>& list, const std::string& value)
{
    if (!value.empty() && std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(value);
}

void CollectMailPrograms(const ActionList& actions, std::vector<std::string>& programs)
{
    for (const Action& action : actions) {
        if (action.IsMail() && action.Mail().server.find_first_of("/\\") != std::string::npos)
            AddUnique(programs, action.Mail().server);
        else if (std::holds_alternative<ConditionAction>(action.body))
            CollectMailPrograms(action.Condition().actions, programs);
    }
}

std::string UniqueStem()
{
    std::random_device device;
    const char* digits = "0123456789abcdef";
    std::string stem = "quillet-check-";
    for (int i = 0; i < 12; ++i)
        stem += digits[device() % 16];
    return stem;
}

// A probe stored and made runnable; removed again when this goes.
class StoredProbe {
public:
    StoredProbe(RemoteTransport& transport, std::string path) : m_transport(transport), m_path(std::move(path)) {}
    ~StoredProbe()
    {
        if (m_stored)
            m_transport.Remove(m_path);
    }
    StoredProbe(const StoredProbe&) = delete;
    StoredProbe& operator=(const StoredProbe&) = delete;

    bool Store(std::string_view bytes)
    {
        m_stored = m_transport.Put(m_path, bytes, TransferType::Ascii);
        return m_stored && (bytes.empty() || !m_transport.KeepsModes() || m_transport.SetMode(m_path, "755"));
    }

private:
    RemoteTransport& m_transport;
    std::string m_path;
    bool m_stored = false;
};

std::string StatusText(int status)
{
    return status > 0 ? "HTTP " + std::to_string(status) : std::string("no answer");
}

bool IsProbeAnswer(const std::string& answer)
{
    return answer.starts_with("perl: ");
}

} // namespace

bool ServerCheckReport::AllPassed() const
{
    return std::all_of(lines.begin(), lines.end(), [](const CheckLine& line) { return line.ok; });
}

std::string ServerCheckReport::Text() const
{
    std::string text;
    for (const CheckLine& line : lines)
        text += (line.ok ? "ok      " : "FAILED  ") + line.text + "\n";
    return text;
}

ProbeQuestions ProbeQuestionsOf(const Project& project)
{
    ProbeQuestions questions;
    for (const DataSource& source : project.dataSources)
        AddUnique(questions.drivers, source.driver);
    for (const Form& form : project.forms)
        for (const Handler& handler : form.handlers)
            CollectMailPrograms(handler.actions, questions.mailPrograms);
    return questions;
}

void ReadProbeAnswer(const std::string& answer, long long localTime, ServerCheckReport& report)
{
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t start = 0; start < answer.size();) {
        size_t end = std::min(answer.find_first_of("\r\n", start), answer.size());
        std::string line = answer.substr(start, end - start);
        start = end + 1;
        size_t colon = line.rfind(": ");
        if (colon != std::string::npos)
            fields.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    std::string perlPath;
    for (const auto& [key, value] : fields)
        if (key == "perlpath")
            perlPath = value;
    for (const auto& [key, value] : fields) {
        if (key == "perl") {
            Add(report, true, Msg::CheckPerlVersion, {value, perlPath});
        } else if (key.starts_with("module ")) {
            std::string module = key.substr(7);
            if (value.starts_with("ok "))
                Add(report, true, Msg::CheckModuleFound, {module, value.substr(3)});
            else
                Add(report, false, Msg::CheckModuleMissing, {module});
        } else if (key == "data") {
            // "writable FOLDER" or "not writable (REASON) FOLDER"
            size_t close = value.find(") ");
            if (value.starts_with("writable "))
                Add(report, true, Msg::CheckDataWritable, {value.substr(9)});
            else if (value.starts_with("not writable (") && close != std::string::npos)
                Add(report, false, Msg::CheckDataNotWritable, {value.substr(close + 2), value.substr(14, close - 14)});
            else
                Add(report, false, Msg::CheckDataNotWritable, {value, "?"});
        } else if (key.starts_with("mail ")) {
            std::string program = key.substr(5);
            if (value == "ok")
                Add(report, true, Msg::CheckMailFound, {program});
            else
                Add(report, false, Msg::CheckMailMissing, {program, value});
        } else if (key == "time") {
            long long offset = std::atoll(value.c_str()) - localTime;
            bool ok = std::llabs(offset) <= kClockToleranceSeconds;
            Add(report, ok, ok ? Msg::CheckClock : Msg::CheckClockOff, {std::to_string(offset)});
        }
    }
}

ServerCheckReport CheckServer(const Project& project, Prompter& prompter, const KeepGoing& keepGoing)
{
    ServerCheckReport report;
    const ServerSettings& settings = project.settings;
    std::string extension = settings.ScriptExtension().empty() ? ".cgi" : settings.ScriptExtension();
    std::string stem = UniqueStem();
    std::string perlName = stem + extension;
    std::string perlPath = RemotePath(settings, RemoteKind::ServerCgiFile, perlName);
    std::string shellName = stem + "-sh" + extension;
    std::string base = settings.cgiUrl;
    while (base.ends_with('/'))
        base.pop_back();
    std::string url = base + "/" + perlName;

    ConnectResult result = ConnectResult::Connected;
    std::unique_ptr<RemoteTransport> transport = OpenTransport(settings, prompter, &result);
    if (!transport) {
        ReportConnectFailure(result, settings.ftpServer, prompter);
        Add(report, false, Msg::CheckUploadFailed, {perlPath});
        return report;
    }
    std::string probe(EmbeddedFile("servercheck.cgi").value_or(""));
    probe = "#!" + settings.perlPath + probe.substr(probe.find('\n'));
    StoredProbe perlProbe(*transport, perlPath);
    if (!perlProbe.Store(probe)) {
        Add(report, false, Msg::CheckUploadFailed, {perlPath});
        return report;
    }

    // The first publish creates the data folder; so does this, the same way,
    // so that the probe finds the folder as the scripts will.
    StoredProbe dataMarker(*transport, RemotePath(settings, RemoteKind::ServerData, stem));
    dataMarker.Store({});

    ProbeQuestions questions = ProbeQuestionsOf(project);
    std::string body = "ask=1";
    for (const std::string& driver : questions.drivers)
        body += "&dbd=" + UrlEncode(driver);
    for (const std::string& program : questions.mailPrograms)
        body += "&mail=" + UrlEncode(program);
    std::string answer;
    int status = HttpPostForm(url, body, answer, prompter, keepGoing);
    if (status == kRequestCancelled)
        return report;
    if (status == 200 && IsProbeAnswer(answer)) {
        Add(report, true, Msg::CheckCgiRuns, {url});
        ReadProbeAnswer(answer, std::time(nullptr), report);
        return report;
    }
    if (status == 200 && answer.starts_with("#!")) {
        Add(report, false, Msg::CheckSourceReturned, {});
        return report;
    }
    if (status != 403 && status < 500) {
        Add(report, false, Msg::CheckNoAnswer, {url, status == 200 ? "not the script's answer" : StatusText(status)});
        return report;
    }
    // Perl did not run: a shell script of the same mode in the same folder
    // tells a wrong Perl path from a folder where nothing runs.
    StoredProbe shellProbe(*transport, RemotePath(settings, RemoteKind::ServerCgiFile, shellName));
    std::string shellAnswer;
    int shellStatus = 0;
    if (shellProbe.Store(
            "#!/bin/sh\nprintf 'Content-Type: text/plain\\r\\n\\r\\nperl: %s\\r\\n' \"$(command -v perl)\"\n"))
        shellStatus = HttpPostForm(base + "/" + shellName, body, shellAnswer, prompter, keepGoing);
    if (shellStatus == kRequestCancelled)
        return report;
    std::string found = IsProbeAnswer(shellAnswer) ? shellAnswer.substr(6, shellAnswer.find_first_of("\r\n") - 6) : "";
    if (shellStatus == 200 && IsProbeAnswer(shellAnswer) && found != settings.perlPath) {
        Add(report, false, Msg::CheckPerlPathWrong,
            {settings.perlPath, found.empty() ? std::string("the path your host gives") : found});
    } else {
        Add(report, false, Msg::CheckCgiNotRun, {StatusText(status)});
    }
    return report;
}

} // namespace quillet
