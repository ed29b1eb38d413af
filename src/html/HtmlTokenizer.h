#pragma once

#include "html/HtmlNode.h"

#include <string_view>

namespace quillet {

// Reads a whole page into its node list. Nothing is lost: text that cannot be
// made a tag ("a < b") stays text, and a construct left open at the end of the
// page (a tag without ">", an unclosed quote, comment, server block or script)
// becomes one text node holding the rest of the page.
HtmlPage ParseHtml(std::string_view text);

} // namespace quillet
