#include "generator/PerlLiteral.h"

namespace quillet {

std::string EscapePerlDouble(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 4);
    for (char c : text) {
        if (c == '"' || c == '\\' || c == '$' || c == '@')
            out += '\\';
        out += c;
    }
    return out;
}

std::string EscapePerlSingle(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 4);
    for (char c : text) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace quillet
