#pragma once

#include <string>
#include <string_view>

namespace quillet {

// A value cell (a column's value, a criterion's or a condition's) starting with
// this is Perl as it stands after the marker.
constexpr char kExpressionMarker = '=';

// True when a value cell holds Perl rather than text: a variable with a subscript
// ($FORM{'name'}[0], $ENV{'REMOTE_ADDR'}, $Entries->{nrows}), a plain number, a
// quoted string, a call of a function the runtime offers, such terms joined with
// ".", or anything after the expression marker. Anything else is text, so that
// O'Brien, bob@example.com or "cost $5" are stored as typed.
bool IsPerlExpression(std::string_view value);

// The value as a Perl expression: the user's Perl when it is one (without the
// marker), else the text as a single-quoted literal.
std::string PerlValue(std::string_view value);

// Text for a Perl double-quoted string in which the variables IsPerlExpression
// knows are filled in at run time and every other character stands for itself:
// a sender "Shop \"Q\" <shop@example.com>" or a subject "Save $5" comes out as typed.
// A backslash before one of " \ $ @ is taken as an escape already made.
std::string PerlInterpolated(std::string_view text);

} // namespace quillet
