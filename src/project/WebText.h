#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Letters, digits and "_" pass; a blank becomes "+"; every other byte "%xx" in lower-case hex.
std::string UrlEncode(std::string_view text);

// Puts "\" before every "@" that would make Perl interpolate an array inside a
// double-quoted string: one not at the start and not after a blank, "," or "\".
std::string EscapeAt(std::string_view text);

} // namespace quillet
