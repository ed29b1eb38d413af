// Any value cell or mail field: text that is not Perl comes back out of its
// Perl literal unchanged, and an interpolated string never ends early.
#include "generator/PerlValue.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace quillet;

namespace {

// What Perl makes of a single-quoted literal.
std::string ReadSingleQuoted(std::string_view literal)
{
    if (literal.size() < 2 || literal.front() != '\'' || literal.back() != '\'')
        std::abort();
    std::string text;
    for (size_t i = 1; i + 1 < literal.size(); ++i) {
        char c = literal[i];
        if (c == '\'')
            std::abort();
        if (c == '\\' && i + 2 < literal.size() && (literal[i + 1] == '\\' || literal[i + 1] == '\''))
            c = literal[++i];
        text += c;
    }
    return text;
}

// Every double quote of the string body is escaped: an odd run of backslashes before it.
void CheckQuotesEscaped(std::string_view body)
{
    size_t backslashes = 0;
    for (char c : body) {
        if (c == '"' && backslashes % 2 == 0)
            std::abort();
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    if (backslashes % 2 == 1)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view value(reinterpret_cast<const char*>(data), size);
    if (!IsPerlExpression(value) && ReadSingleQuoted(PerlValue(value)) != value)
        std::abort();
    CheckQuotesEscaped(PerlInterpolated(value));
    return 0;
}
