#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Text the user typed as a name, login or password becomes data inside a Perl
// string literal; these keep Perl from interpolating or ending it early.
std::string EscapePerlDouble(std::string_view text);
std::string EscapePerlSingle(std::string_view text);

} // namespace quillet
