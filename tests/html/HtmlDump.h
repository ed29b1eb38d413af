#pragma once

#include "html/HtmlNode.h"

#include <string>

namespace quillet::test {

// A compact spelling of nodes for expectations: text as T"...", tags as
// <name attr ...> with attr = name=<quote>value<quote>; a missing value is "~".
inline std::string Dump(const HtmlPage& page)
{
    std::string out;
    for (const HtmlNode& node : page) {
        if (!out.empty())
            out += ' ';
        if (node.IsText()) {
            out += "T\"" + std::string(node.Text()) + "\"";
            continue;
        }
        out += "<" + std::string(node.Name());
        for (const HtmlAttr& a : node.Attrs()) {
            out += " " + a.name + "=";
            if (a.quote)
                out += a.quote;
            out += a.value ? *a.value : "~";
            if (a.quote)
                out += a.quote;
        }
        out += ">";
    }
    return out;
}

} // namespace quillet::test
