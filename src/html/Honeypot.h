#pragma once

#include "html/HtmlNode.h"

#include <string_view>

namespace quillet {

// A text field that people never see and robots fill in. The runtime takes it
// out of every submission and treats a filled one as spam; its name is the
// runtime's $ZentraCGI::HONEYPOT_FIELD.
inline constexpr std::string_view kHoneypotField = "hp_website";

// Puts the field, with its label for screen readers, right after the form's
// start tag, unless the form holds it already. Plain markup: no script, no
// style sheet. True when it was added.
bool AddHoneypot(HtmlPage& page, HtmlIter formNode);

} // namespace quillet
