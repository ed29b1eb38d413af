#pragma once

#include "html/HtmlNode.h"

#include <optional>
#include <string_view>

namespace quillet {

// A construct the page ended inside of, and where it began.
struct OpenConstruct {
    enum Kind { Tag, Comment, ServerBlock, RawText };
    Kind kind = Tag;
    size_t offset = 0;
    long line = 1;
};

// Reads a whole page into its node list. Nothing is lost: text that cannot be
// made a tag ("a < b") stays text, and a construct left open at the end of the
// page (a tag without ">", an unclosed quote, comment, server block or script)
// becomes one text node holding the rest of the page; openAtEnd then tells which.
HtmlPage ParseHtml(std::string_view text, std::optional<OpenConstruct>* openAtEnd = nullptr);
// The same, keeping text itself as the bytes the nodes point into.
HtmlPage ParseOwnedHtml(std::string&& text, std::optional<OpenConstruct>* openAtEnd = nullptr);

// "a tag without its closing \">\"", ... for messages about an open construct.
std::string_view OpenConstructText(OpenConstruct::Kind kind);

// The name of a tag, comment or server block read from source, its bytes from "<" to ">".
std::string_view ReadNodeName(std::string_view source);

// The attributes of a node named name that was read from source (the node's bytes
// from "<" to ">", or a text node's text).
std::vector<HtmlAttr> ReadNodeAttrs(std::string_view name, std::string_view source);

} // namespace quillet
