#pragma once

#include "html/HtmlNode.h"

#include <functional>
#include <string>

namespace quillet {

// Original writes every node that was read and left untouched with its own
// bytes; Normalised writes each tag as "<name attr=value ...>" from its parts.
enum class TagText { Original, Normalised };

// The nodes from first up to (not including) last.
std::string WriteHtmlString(HtmlPage::const_iterator first, HtmlPage::const_iterator last,
                            TagText mode = TagText::Original);
// Whether the value reads back whole between quote characters: no quote of that
// kind that a backslash does not protect, and no backslash left to protect the closing one.
bool Quotable(std::string_view value, char quote);
std::string WriteHtmlString(const HtmlPage& page, TagText mode = TagText::Original);
// Hands the bytes WriteHtmlString would make to sink in pieces, without holding
// them all at once; false when the sink refused a piece.
using HtmlSink = std::function<bool(std::string_view)>;
bool WriteHtml(const HtmlPage& page, TagText mode, const HtmlSink& sink);
// A sink that appends every piece to out.
HtmlSink AppendTo(std::string& out);
void AppendNodeText(std::string& out, const HtmlNode& node, TagText mode = TagText::Original);

} // namespace quillet
