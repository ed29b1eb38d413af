#pragma once

#include "db/AdminRequests.h"

#include <string>
#include <vector>

namespace quillet {

class Prompter;
struct Project;

// One finding of the server check; a failed one says what to change.
struct CheckLine {
    bool ok = false;
    std::string text;
};

struct ServerCheckReport {
    std::vector<CheckLine> lines;
    bool AllPassed() const;
    // One line per finding, "ok" or "FAILED" in front.
    std::string Text() const;
};

// What the probe is asked about: each DBD the data sources need, each mail
// program a Send Email action names.
struct ProbeQuestions {
    std::vector<std::string> drivers;
    std::vector<std::string> mailPrograms;
};
ProbeQuestions ProbeQuestionsOf(const Project& project);

// Turns the probe's answer, "key: value" lines, into findings. localTime is this computer's clock when the answer came.
void ReadProbeAnswer(const std::string& answer, long long localTime, ServerCheckReport& report);

// Uploads a probe script under a unique name through the project's own upload
// method, requests it over HTTP, removes it, and reports what the server offers
// the generated scripts. When Perl does not run, a shell script tells a wrong
// Perl path from a folder where nothing runs. A failed login is shown through
// prompter.
ServerCheckReport CheckServer(const Project& project, Prompter& prompter, const KeepGoing& keepGoing = {});

} // namespace quillet
