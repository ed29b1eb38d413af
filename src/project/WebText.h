#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Letters, digits and "_" pass; a blank becomes "+"; every other byte "%xx" in lower-case hex.
std::string UrlEncode(std::string_view text);

// Puts "\" before every "@" that would make Perl interpolate an array inside a
// double-quoted string: one not at the start and not after a blank, "," or "\".
std::string EscapeAt(std::string_view text);

// Text from a server or a file, made safe to print on a terminal: line ends and
// tabs stay (CR LF becomes LF), and every other control character, C1 ones in
// UTF-8 included, is written as "\xNN" so that no escape sequence reaches it.
std::string TerminalText(std::string_view text);

} // namespace quillet
