#pragma once

#include "generator/ScriptPrinter.h"
#include "project/Action.h"

namespace quillet {

struct ServerSettings;
struct PathContext;

// What the emitters read besides the action: the server settings for paths and
// cookies, and the project's folders for finding template and attachment files.
struct EmitContext {
    const ServerSettings& settings;
    const PathContext& paths;
};

// Writes every action of the list, then the default response line unless one of
// them answered the browser. A nested list (a condition's) has no default line:
// it would end the script whenever the condition holds.
bool WriteActionList(ScriptPrinter& out, const ActionList& list, const EmitContext& context);
// Writes one action; true when it answers the browser.
bool WriteAction(ScriptPrinter& out, const Action& action, const EmitContext& context);
void WriteRecordAction(ScriptPrinter& out, const Action& action);

// Perl code with every $FORM{...} that has no index read as its first value,
// as a template reads it; single-quoted text is left as typed.
std::string WithFirstValues(std::string_view code);

// A file the user named, as the script names it on the server: the published
// copy in the templates folder when the file exists here, else the text as a
// Perl expression (such as an uploaded file's handle).
struct ScriptFileArg {
    std::string text;
    bool quoted;
};
ScriptFileArg TemplateArg(const EmitContext& context, std::string_view file);

} // namespace quillet
