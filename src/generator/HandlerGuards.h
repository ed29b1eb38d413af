#pragma once

#include "generator/ScriptPrinter.h"
#include "project/Action.h"

#include <string>
#include <string_view>

namespace quillet {

// Whether running the actions may change anything: records, files, mail,
// cookies, or Perl code, which could do any of these. Selecting, reading a
// file and answering the browser change nothing.
bool ChangesAnything(const ActionList& actions);

// "scheme://host[:port]" of an address; empty when it has none.
std::string OriginOf(std::string_view url);

// The first line of a handler that changes something: the runtime refuses a
// GET, a POST from another site (the page's own origin is allowed), a bot
// caught by the honeypot field and, when set, too many submissions.
void WriteRequestGuard(ScriptPrinter& out, std::string_view handler, std::string_view pageUrl);

// One check per mail the actions may send, written before the first action, so
// that a recipient list or an overlong header stops the handler before
// anything is stored.
void WriteMailChecks(ScriptPrinter& out, const ActionList& actions);

} // namespace quillet
