#include "generator/PerlValue.h"

#include "generator/PerlLiteral.h"
#include "generator/SqlBuilder.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quillet {

namespace {

constexpr size_t kNone = std::string_view::npos;

// The runtime's own routines and the Perl built-ins that give a value.
constexpr std::array<std::string_view, 25> kFunctions = {
    "FormEncode",    "FormDecode", "HtmlEncode", "HtmlDecode", "EnvString", "ToGMTString", "FieldValues",
    "GetFieldState", "time",       "localtime",  "gmtime",     "lc",        "uc",          "lcfirst",
    "ucfirst",       "length",     "substr",     "sprintf",    "join",      "int",         "abs",
    "index",         "rindex",     "scalar",     "defined",
};

bool IsWordStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsWordChar(char c)
{
    return IsWordStart(c) || (c >= '0' && c <= '9');
}

size_t SkipBlanks(std::string_view text, size_t pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    return pos;
}

// From a quote to just after its partner; a backslash protects the next character.
size_t SkipQuoted(std::string_view text, size_t pos)
{
    char quote = text[pos];
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] == '\\')
            ++pos;
        else if (text[pos] == quote)
            return pos + 1;
    }
    return kNone;
}

// From an opening bracket to just after the one that closes it, quotes skipped whole.
size_t SkipBracketed(std::string_view text, size_t pos)
{
    // A string, so that the usual few levels need no allocation.
    std::string closers;
    while (pos < text.size()) {
        char c = text[pos];
        if (c == '\'' || c == '"') {
            pos = SkipQuoted(text, pos);
            if (pos == kNone)
                return kNone;
            continue;
        }
        if (c == '(' || c == '[' || c == '{')
            closers.push_back(c == '(' ? ')' : c == '[' ? ']' : '}');
        else if (c == ')' || c == ']' || c == '}') {
            if (closers.empty() || closers.back() != c)
                return kNone;
            closers.pop_back();
            if (closers.empty())
                return pos + 1;
        }
        ++pos;
    }
    return kNone;
}

size_t SkipWord(std::string_view text, size_t pos)
{
    if (pos >= text.size() || !IsWordStart(text[pos]))
        return kNone;
    while (pos < text.size() && IsWordChar(text[pos]))
        ++pos;
    return pos;
}

// "$" and a name with at least one subscript: a bare "$US" or "$5" is text.
size_t SkipVariable(std::string_view text, size_t pos)
{
    size_t end = SkipWord(text, pos + 1);
    if (end == kNone)
        return kNone;
    bool subscripted = false;
    for (;;) {
        size_t open = text.substr(end, 2) == "->" ? end + 2 : end;
        if (open >= text.size() || (text[open] != '{' && text[open] != '['))
            break;
        size_t close = SkipBracketed(text, open);
        if (close == kNone)
            return kNone;
        end = close;
        subscripted = true;
    }
    return subscripted ? end : kNone;
}

size_t SkipCall(std::string_view text, size_t pos)
{
    size_t end = SkipWord(text, pos);
    if (end == kNone || end >= text.size() || text[end] != '(')
        return kNone;
    std::string_view name = text.substr(pos, end - pos);
    if (std::find(kFunctions.begin(), kFunctions.end(), name) == kFunctions.end())
        return kNone;
    return SkipBracketed(text, end);
}

size_t SkipTerm(std::string_view text, size_t pos)
{
    if (pos >= text.size())
        return kNone;
    char c = text[pos];
    if (c == '$')
        return SkipVariable(text, pos);
    if (c == '\'' || c == '"')
        return SkipQuoted(text, pos);
    return SkipCall(text, pos);
}

// Terms joined by ".", blanks around them allowed.
bool IsTermChain(std::string_view text)
{
    size_t pos = SkipTerm(text, SkipBlanks(text, 0));
    while (pos != kNone) {
        pos = SkipBlanks(text, pos);
        if (pos == text.size())
            return true;
        if (text[pos] != '.')
            return false;
        pos = SkipTerm(text, SkipBlanks(text, pos + 1));
    }
    return false;
}

bool IsEscapedInString(char c)
{
    return c == '"' || c == '\\' || c == '$' || c == '@';
}

bool HasMarker(std::string_view value)
{
    return value.size() > 1 && value.front() == kExpressionMarker;
}

} // namespace

bool IsPerlExpression(std::string_view value)
{
    return HasMarker(value) || IsPlainNumber(value) || IsTermChain(value);
}

std::string PerlValue(std::string_view value)
{
    if (HasMarker(value))
        return std::string(value.substr(1));
    if (IsPerlExpression(value))
        return std::string(value);
    return "'" + EscapePerlSingle(value) + "'";
}

std::string PerlInterpolated(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t pos = 0; pos < text.size();) {
        char c = text[pos];
        if (c == '$') {
            size_t end = SkipVariable(text, pos);
            // A double quote inside the subscript would end the string around it.
            if (end != kNone && text.substr(pos, end - pos).find('"') == std::string_view::npos) {
                out += text.substr(pos, end - pos);
                pos = end;
                continue;
            }
        }
        // Text escaped already (an address stored as bob\@example.com) keeps its escape.
        if (c == '\\' && pos + 1 < text.size() && IsEscapedInString(text[pos + 1])) {
            out += text.substr(pos, 2);
            pos += 2;
            continue;
        }
        if (IsEscapedInString(c))
            out += '\\';
        out += c;
        ++pos;
    }
    return out;
}

} // namespace quillet
